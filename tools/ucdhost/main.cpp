// ucdhost: loads a User Code DLL the way an Authorware host does.
//   ucdhost DLL                 lists the functions of its directory
//   ucdhost DLL NAME [ARG ...]  calls NAME with the arguments, converted by
//                               the directory's type letters, and prints
//                               the result
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "ucd.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: ucdhost DLL [FUNCTION [ARG ...]]\n");
  return 2;
}

void List(const std::vector<ucd::Function>& functions) {
  for (const auto& f : functions) {
    const std::string line = f.description.substr(0, f.description.find('\r'));
    std::printf("%-28s %s %-6s %s\n", f.name.c_str(), f.resultType.c_str(), f.argTypes.c_str(), line.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  _setmode(_fileno(stdout), _O_BINARY);  // results are printed byte for byte
  HMODULE module = LoadLibraryA(argv[1]);
  if (!module) {
    std::fprintf(stderr, "ucdhost: cannot load %s (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  int status = 0;
  try {
    const auto functions = ucd::ReadDirectory(module);
    if (argc == 2) {
      List(functions);
    } else {
      const ucd::Function* chosen = nullptr;
      for (const auto& f : functions)
        if (lstrcmpiA(f.name.c_str(), argv[2]) == 0) chosen = &f;
      if (!chosen) {
        std::fprintf(stderr, "ucdhost: no function %s in the directory\n", argv[2]);
        status = 2;
      } else {
        const auto result = ucd::Call(module, *chosen, std::vector<std::string>(argv + 3, argv + argc));
        if (result.isText) std::printf("%s\n", result.text.c_str());
        else std::printf("%d\n", result.number);
      }
    }
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "ucdhost: %s\n", e.what());
    status = 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ucdhost: %s\n", e.what());
    status = 1;
  }
  FreeLibrary(module);
  return status;
}
