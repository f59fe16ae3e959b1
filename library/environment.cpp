// The process environment and the library's version.
#include <windows.h>

#include <string>

#include "ansi.h"
#include "directory.h"
#include "frame.h"
#include "owner.h"

namespace klv {

namespace {

constexpr const wchar_t* kVersion = L"" KLV_VERSION;
// Follows every entry of the environment list: one carriage return.
constexpr wchar_t kEntrySeparator = L'\r';

// Every entry of the environment, each followed by the separator. An ANSI
// caller gets only the entries its code page can hold whole: no variable
// is handed over with "?" for a character.
template <class Entry, class Keep>
std::basic_string<Entry> EnvironmentList(Keep&& keep) {
  const EnvironmentBlockW block(GetEnvironmentStringsW());
  std::basic_string<Entry> list;
  if (!block) return list;
  for (const wchar_t* entry = block.Get(); *entry; entry += std::char_traits<wchar_t>::length(entry) + 1) {
    if (auto kept = keep(std::wstring(entry))) {
      list += *kept;
      list += static_cast<Entry>(kEntrySeparator);
    }
  }
  return list;
}

}  // namespace

}  // namespace klv

/* The library's version, KLV_VERSION. */
KlvTextW KLV_CALL kLvToolVerW(void) {
  return klv::TextExport(klv::kVersion, [] { return std::wstring(klv::kVersion); });
}

/* Every entry of the process environment as the platform stores it
   (NAME=value, "=" entries included), in its order, each followed by a
   carriage return; the empty text for an empty environment. */
KlvTextW KLV_CALL kLvGetEnvironmentStringsW(void) {
  return klv::TextExport(L"", [] {
    return klv::EnvironmentList<wchar_t>([](std::wstring entry) { return std::optional<std::wstring>(entry); });
  });
}

/* The whole value of variableName, or the empty text when it is not set or
   empty. The name goes to the platform unchanged (null finds nothing). */
KlvTextW KLV_CALL kLvGetEnvironmentVariableW(KlvTextW variableName) {
  return klv::TextExport(L"", [&] {
    const wchar_t* name = klv::RawArg(variableName);
    if (!klv::FitsPlatform(name)) return std::wstring();
    return klv::PlatformText([&](wchar_t* buffer, DWORD size) { return GetEnvironmentVariableW(name, buffer, size); })
        .value_or(std::wstring());
  });
}

/* Sets variableName to value for this process and the ones it starts
   later; a null value removes it. 1 on success, 0 on failure, and 0 without
   asking the platform for a name or value longer than it can hold. */
KlvInt KLV_CALL kLvSetEnvironmentVariableW(KlvTextW variableName, KlvTextW value) {
  return klv::IntExport(0, [&] {
    const wchar_t* name = klv::RawArg(variableName);
    const wchar_t* text = klv::RawArg(value);
    if (!klv::FitsPlatform(name) || !klv::FitsPlatform(text)) return 0;
    return SetEnvironmentVariableW(name, text) ? 1 : 0;
  });
}

KlvText KLV_CALL kLvToolVer(void) { return klv::AnsiValue(kLvToolVerW(), KLV_VERSION); }

/* The entries that the code page cannot hold are left out. */
KlvText KLV_CALL kLvGetEnvironmentStrings(void) {
  try {
    return klv::ReturnAnsiText(klv::EnvironmentList<char>([](const std::wstring& entry) { return klv::ToAnsi(entry); }));
  } catch (...) {
    return "";
  }
}

KlvText KLV_CALL kLvGetEnvironmentVariable(KlvText variableName) {
  return klv::AnsiValue(klv::CallWide(kLvGetEnvironmentVariableW, variableName), "");
}

KlvInt KLV_CALL kLvSetEnvironmentVariable(KlvText variableName, KlvText value) {
  return klv::CallWide(kLvSetEnvironmentVariableW, variableName, value);
}
