// INI files through the platform's profile calls.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "ansi.h"
#include "frame.h"
#include "owner.h"

namespace klv {

namespace {

// One INI file, named as the caller gave it; touches no file until asked.
class TIniLFile {
 public:
  static constexpr std::size_t kMaxName = 127;      // section and entry names handed to the platform
  static constexpr std::size_t kMaxDefault = 255;   // default text handed to the platform
  static constexpr std::size_t kValueBuffer = 32768;
  static constexpr std::size_t kFirstBuffer = 512;
  static constexpr std::size_t kMaxHexDigits = 255; // text kept after a "0x" prefix

  explicit TIniLFile(std::wstring fileName) : fileName_(std::move(fileName)) {}
  virtual ~TIniLFile() = default;

  // The entry's value (at most 32767 characters), or `def` when the file,
  // section or entry is missing. Empty names address empty names, never
  // the platform's listing modes.
  std::wstring ReadText(const std::wstring& section, const std::wstring& entry, const std::wstring& def) const;

  // Stores the entry; a null `value` removes it. Throws Exception when the
  // platform refuses, or when the file keeps its text in the ANSI code page
  // and that cannot hold the names or the value: then the file stays as
  // it was, rather than taking "?" for what it cannot hold.
  void WriteText(const std::wstring& section, const std::wstring& entry, const wchar_t* value) const;

  // The entry as a number ("0x" read as hex), or `def`.
  std::int32_t ReadNumber(const std::wstring& section, const std::wstring& entry, std::int32_t def) const;

 private:
  // Whether the file holds UTF-16 text (it begins with the byte-order
  // mark); the platform reads and writes such a file in UTF-16, any other
  // (and a new one) in the ANSI code page.
  bool IsUnicodeFile() const;

  std::wstring fileName_;
};

}  // namespace

std::wstring TIniLFile::ReadText(const std::wstring& section, const std::wstring& entry,
                                 const std::wstring& def) const {
  if (!FitsPlatform(fileName_)) return Cut(def, kMaxDefault);
  const std::wstring cutSection = Cut(section, kMaxName), cutEntry = Cut(entry, kMaxName), cutDefault = Cut(def, kMaxDefault);
  // Most values are short: a small buffer first, a larger one only when the
  // value filled it (the platform then answers one less than its size).
  std::wstring value;
  for (std::size_t size = kFirstBuffer;; size *= 8) {
    size = std::min(size, kValueBuffer);
    value.assign(size, L'\0');
    const DWORD got = GetPrivateProfileStringW(cutSection.c_str(), cutEntry.c_str(), cutDefault.c_str(), &value[0],
                                               static_cast<DWORD>(size), fileName_.c_str());
    if (got + 1 < size || size == kValueBuffer) {
      value.resize(std::min<std::size_t>(got, size - 1));
      return value;
    }
  }
}

bool TIniLFile::IsUnicodeFile() const {
  const File file(CreateFileW(fileName_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  unsigned char mark[2] = {};
  DWORD got = 0;
  return file.Valid() && ReadFile(file.Get(), mark, sizeof(mark), &got, nullptr) && got == 2 && mark[0] == 0xFF &&
         mark[1] == 0xFE;
}

void TIniLFile::WriteText(const std::wstring& section, const std::wstring& entry, const wchar_t* value) const {
  const std::wstring cutSection = Cut(section, kMaxName), cutEntry = Cut(entry, kMaxName);
  // A text the platform cannot take is refused here rather than handed on.
  if (!FitsPlatform(fileName_) || !FitsPlatform(value)) throw Exception("Unable to write to the INI file");
  if (!IsUnicodeFile() && (!ToAnsi(cutSection) || !ToAnsi(cutEntry) || (value && !ToAnsi(value))))
    throw Exception("The INI file cannot hold the text");
  if (!WritePrivateProfileStringW(cutSection.c_str(), cutEntry.c_str(), value, fileName_.c_str()))
    throw Exception("Unable to write to the INI file");
}

std::int32_t TIniLFile::ReadNumber(const std::wstring& section, const std::wstring& entry, std::int32_t def) const {
  return ParseStoredNumber(ReadText(section, entry, std::wstring()), kMaxHexDigits).value_or(def);
}

}  // namespace klv

using klv::Arg;

/* Text of the entry Section/Label of FileName (at most 32767 characters), or
   Default (at most 255 characters) when it is missing. Never fails. */
KlvTextW KLV_CALL kLvReadIniStringW(KlvTextW FileName, KlvTextW Section, KlvTextW Label, KlvTextW Default) {
  return klv::TextExport(L"", [&] {
    const klv::TIniLFile ini(Arg(FileName));
    return ini.ReadText(Arg(Section), Arg(Label), Arg(Default));
  });
}

/* The entry as an integer (decimal, $hex or 0x hex), or Default when it is
   missing or not a number. */
KlvInt KLV_CALL kLvReadIniIntegerW(KlvTextW FileName, KlvTextW Section, KlvTextW Label, KlvInt Default) {
  return klv::IntExport(Default, [&] {
    const klv::TIniLFile ini(Arg(FileName));
    return ini.ReadNumber(Arg(Section), Arg(Label), Default);
  });
}

/* Writes Value and reads it back: 0 when the entry reads back equal to
   Value, -1 on any failure or difference. A null Value removes the entry:
   0 when it is gone afterwards. A text that an ANSI file cannot hold
   answers -1 and leaves the file as it was. */
KlvInt KLV_CALL kLvWriteIniStringW(KlvTextW FileName, KlvTextW Section, KlvTextW Label, KlvTextW Value) {
  return klv::IntExport(-1, [&] {
    const klv::TIniLFile ini(Arg(FileName));
    const std::wstring section = Arg(Section), label = Arg(Label);
    const wchar_t* value = klv::RawArg(Value);
    ini.WriteText(section, label, value);
    if (!value) {
      // Gone when two different defaults both come back.
      return ini.ReadText(section, label, L"0") == L"0" && ini.ReadText(section, label, L"1") == L"1" ? 0 : -1;
    }
    return ini.ReadText(section, label, L"error") == value ? 0 : -1;
  });
}

KlvText KLV_CALL kLvReadIniString(KlvText FileName, KlvText Section, KlvText Label, KlvText Default) {
  // A value the code page cannot hold reads as a missing entry does.
  const KlvTextW value = klv::CallWide(kLvReadIniStringW, FileName, Section, Label, Default);
  try {
    const auto wide = klv::FromAnsi(Default ? Default : "");
    const auto missing = wide ? klv::ToAnsi(klv::Cut(*wide, klv::TIniLFile::kMaxDefault)) : std::nullopt;
    return klv::AnsiValue(value, missing ? missing->c_str() : "");
  } catch (...) {
    return "";
  }
}

KlvInt KLV_CALL kLvReadIniInteger(KlvText FileName, KlvText Section, KlvText Label, KlvInt Default) {
  return klv::CallWide(kLvReadIniIntegerW, FileName, Section, Label, Default);
}

KlvInt KLV_CALL kLvWriteIniString(KlvText FileName, KlvText Section, KlvText Label, KlvText Value) {
  return klv::CallWide(kLvWriteIniStringW, FileName, Section, Label, Value);
}
