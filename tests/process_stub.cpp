// A child for the tests of RunProcess. "sleep" prints its process id and
// waits far longer than any test; "hold" prints its id, starts a "sleep"
// child that inherits its output, prints that one's id, and ends with 7.
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  std::printf("child %lu\n", GetCurrentProcessId());
  std::fflush(stdout);
  if (mode == "sleep") {
    Sleep(600000);
    return 0;
  }
  if (mode != "hold") return 2;
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string line = "\"" + std::string(self) + "\" sleep";
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION started{};
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started)) return 3;
  std::printf("grandchild %lu\n", started.dwProcessId);
  std::fflush(stdout);
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return 7;
}
