#include "ucd.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace ucd {

namespace {

constexpr const char* kType = "DLL_HEADER";
constexpr std::size_t kMaxArgs = 8;

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// Splits NUL-terminated fields; a field without its NUL is an error.
std::vector<std::string> Fields(const std::string& bytes, std::size_t count, const std::string& what) {
  std::vector<std::string> fields;
  std::size_t at = 0;
  while (fields.size() < count) {
    const std::size_t end = bytes.find('\0', at);
    if (end == std::string::npos) throw std::runtime_error(what + ": truncated directory entry");
    fields.push_back(bytes.substr(at, end - at));
    at = end + 1;
  }
  return fields;
}

std::int32_t ToInteger(const std::string& text) {
  if (text.empty()) throw std::invalid_argument("empty text given for an integer");
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (*end != '\0' || errno != 0 || value < INT32_MIN || value > INT32_MAX)
    throw std::invalid_argument("'" + text + "' is not a 32-bit integer");
  return static_cast<std::int32_t>(value);
}

using Word = std::intptr_t;

Word Invoke(FARPROC proc, const std::vector<Word>& a) {
  // Every argument is 32 bits wide and __stdcall pops its own, so a call
  // through a pointer of the right arity is the call the host makes.
  switch (a.size()) {
    case 0: return reinterpret_cast<Word(__stdcall*)()>(proc)();
    case 1: return reinterpret_cast<Word(__stdcall*)(Word)>(proc)(a[0]);
    case 2: return reinterpret_cast<Word(__stdcall*)(Word, Word)>(proc)(a[0], a[1]);
    case 3: return reinterpret_cast<Word(__stdcall*)(Word, Word, Word)>(proc)(a[0], a[1], a[2]);
    case 4: return reinterpret_cast<Word(__stdcall*)(Word, Word, Word, Word)>(proc)(a[0], a[1], a[2], a[3]);
    case 5: return reinterpret_cast<Word(__stdcall*)(Word, Word, Word, Word, Word)>(proc)(a[0], a[1], a[2], a[3], a[4]);
    case 6: return reinterpret_cast<Word(__stdcall*)(Word, Word, Word, Word, Word, Word)>(proc)(a[0], a[1], a[2], a[3], a[4], a[5]);
    case 7: return reinterpret_cast<Word(__stdcall*)(Word, Word, Word, Word, Word, Word, Word)>(proc)(a[0], a[1], a[2], a[3], a[4], a[5], a[6]);
    case 8: return reinterpret_cast<Word(__stdcall*)(Word, Word, Word, Word, Word, Word, Word, Word)>(proc)(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
  }
  throw std::invalid_argument("too many arguments");
}

}  // namespace

std::string ResourceBytes(HMODULE module, LPCSTR name) {
  HRSRC found = FindResourceA(module, name, kType);
  if (!found) return std::string();
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return std::string();
  return std::string(static_cast<const char*>(data), SizeofResource(module, found));
}

std::vector<Function> ReadDirectory(HMODULE module) {
  const std::string list = ResourceBytes(module, MAKEINTRESOURCEA(1));
  if (list.empty()) throw std::runtime_error("no DLL_HEADER resource 1");
  std::vector<Function> functions;
  std::size_t at = 0;
  for (;;) {
    const std::size_t end = list.find('\0', at);
    if (end == std::string::npos) throw std::runtime_error("function list does not end with an empty name");
    if (end == at) break;
    Function f;
    f.name = list.substr(at, end - at);
    const std::string entry = ResourceBytes(module, Upper(f.name).c_str());
    if (entry.empty()) throw std::runtime_error(f.name + ": no DLL_HEADER resource " + Upper(f.name));
    const auto fields = Fields(entry, 4, f.name);
    if (!fields[0].empty()) throw std::runtime_error(f.name + ": first field is not empty");
    f.resultType = fields[1];
    f.argTypes = fields[2];
    f.description = fields[3];
    functions.push_back(f);
    at = end + 1;
  }
  return functions;
}

Result Call(HMODULE module, const Function& function, const std::vector<std::string>& args) {
  if (args.size() != function.ArgCount())
    throw std::invalid_argument(function.name + " takes " + std::to_string(function.ArgCount()) +
                                " argument(s), " + std::to_string(args.size()) + " given");
  if (args.size() > kMaxArgs) throw std::invalid_argument(function.name + ": too many arguments");
  std::vector<Word> words;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const char type = function.argTypes[i];
    if (type == 'S') words.push_back(reinterpret_cast<Word>(args[i].c_str()));
    else if (type == 'I' || type == 'L') words.push_back(ToInteger(args[i]));
    else throw std::invalid_argument(function.name + ": unknown argument type '" + std::string(1, type) + "'");
  }
  FARPROC proc = GetProcAddress(module, function.name.c_str());
  if (!proc) {
    const std::string decorated = function.name + "@" + std::to_string(4 * args.size());
    proc = GetProcAddress(module, decorated.c_str());
  }
  if (!proc) throw std::runtime_error(function.name + ": not exported");
  Result result;
  const Word raw = Invoke(proc, words);
  if (function.resultType == "S") {
    result.isText = true;
    const char* text = reinterpret_cast<const char*>(raw);
    result.text = text ? text : "";
  } else {
    result.number = static_cast<std::int32_t>(raw);
  }
  return result;
}

}  // namespace ucd
