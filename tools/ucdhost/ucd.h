// Reading a User Code DLL's function directory and calling its functions by
// name, as an Authorware host does.
#ifndef KLV_UCD_H
#define KLV_UCD_H

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ucd {

struct Function {
  std::string name;         // as listed in resource 1
  std::string resultType;   // one letter
  std::string argTypes;     // one letter per argument, or "V"
  std::string description;  // whole description text
  std::size_t ArgCount() const { return argTypes == "V" ? 0 : argTypes.size(); }
};

// The directory: resource 1 of type DLL_HEADER lists the names; each name's
// upper-case resource holds an empty field, the result letter, the argument
// letters and the description. Throws std::runtime_error when a part is
// missing or malformed.
std::vector<Function> ReadDirectory(HMODULE module);

// The raw bytes of one DLL_HEADER resource (by integer ID or name).
std::string ResourceBytes(HMODULE module, LPCSTR name);

// A call's result: the text for "S", the integer otherwise.
struct Result {
  bool isText = false;
  std::string text;
  std::int32_t number = 0;
};

// Converts `args` by the function's type letters and calls it; binds the
// export by its plain name or, failing that, its decorated name.
// Throws std::invalid_argument for a wrong count or a non-number given for
// an integer, and std::runtime_error when the export is missing; no call is
// made in either case.
Result Call(HMODULE module, const Function& function, const std::vector<std::string>& args);

}  // namespace ucd

#endif
