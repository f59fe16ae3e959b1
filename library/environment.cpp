// The process environment and the library's version.
#include <windows.h>

#include <cstring>
#include <string>

#include "directory.h"
#include "frame.h"
#include "owner.h"

namespace klv {

namespace {

constexpr const char* kVersion = KLV_VERSION;
// Follows every entry of the environment list: one carriage return.
constexpr char kEntrySeparator = '\r';

std::string EnvironmentList() {
  const EnvironmentBlock block(GetEnvironmentStringsA());
  std::string list;
  if (!block) return list;
  for (const char* entry = block.Get(); *entry; entry += std::strlen(entry) + 1) {
    list += entry;
    list += kEntrySeparator;
  }
  return list;
}

}  // namespace

}  // namespace klv

/* The library's version, KLV_VERSION. */
KlvText KLV_CALL kLvToolVer(void) {
  return klv::TextExport(klv::kVersion, [] { return std::string(klv::kVersion); });
}

/* Every entry of the process environment as the platform stores it
   (NAME=value, "=" entries included), in its order, each followed by a
   carriage return; the empty text for an empty environment. */
KlvText KLV_CALL kLvGetEnvironmentStrings(void) {
  return klv::TextExport("", [] { return klv::EnvironmentList(); });
}

/* The whole value of variableName, or the empty text when it is not set or
   empty. The name goes to the platform unchanged (null finds nothing). */
KlvText KLV_CALL kLvGetEnvironmentVariable(KlvText variableName) {
  return klv::TextExport("", [&] {
    if (!klv::FitsPlatform(variableName)) return std::string();
    return klv::PlatformText([&](char* buffer, DWORD size) { return GetEnvironmentVariableA(variableName, buffer, size); })
        .value_or(std::string());
  });
}

/* Sets variableName to value for this process and the ones it starts
   later; a null value removes it. 1 on success, 0 on failure, and 0 without
   asking the platform for a name or value longer than it can hold. */
KlvInt KLV_CALL kLvSetEnvironmentVariable(KlvText variableName, KlvText value) {
  return klv::IntExport(0, [&] {
    if (!klv::FitsPlatform(variableName) || !klv::FitsPlatform(value)) return 0;
    return SetEnvironmentVariableA(variableName, value) ? 1 : 0;
  });
}
