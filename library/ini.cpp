// INI files through the platform's profile calls.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "frame.h"

namespace klv {

namespace {

// One INI file, named as the caller gave it; touches no file until asked.
class TIniLFile {
 public:
  static constexpr std::size_t kMaxName = 127;      // section and entry names handed to the platform
  static constexpr std::size_t kMaxDefault = 255;   // default text handed to the platform
  static constexpr std::size_t kValueBuffer = 32768;
  static constexpr std::size_t kMaxHexDigits = 255; // text kept after a "0x" prefix

  explicit TIniLFile(std::string fileName) : fileName_(std::move(fileName)) {}
  virtual ~TIniLFile() = default;

  // The entry's value (at most 32767 characters), or `def` when the file,
  // section or entry is missing. Empty names address empty names, never
  // the platform's listing modes.
  std::string ReadText(const std::string& section, const std::string& entry, const std::string& def) const;

  // Stores the entry; `value` is passed through (null removes the entry).
  // Throws Exception when the platform refuses.
  void WriteText(const std::string& section, const std::string& entry, const char* value) const;

  // The entry as a number ("0x" read as hex), or `def`.
  std::int32_t ReadNumber(const std::string& section, const std::string& entry, std::int32_t def) const;

 private:
  std::string fileName_;
};

}  // namespace

std::string TIniLFile::ReadText(const std::string& section, const std::string& entry, const std::string& def) const {
  if (!FitsPlatform(fileName_)) return Cut(def, kMaxDefault);
  std::vector<char> value(kValueBuffer, '\0');
  GetPrivateProfileStringA(Cut(section, kMaxName).c_str(), Cut(entry, kMaxName).c_str(),
                           Cut(def, kMaxDefault).c_str(), value.data(), static_cast<DWORD>(value.size()),
                           fileName_.c_str());
  value.back() = '\0';
  return std::string(value.data());
}

void TIniLFile::WriteText(const std::string& section, const std::string& entry, const char* value) const {
  // A text the platform cannot take is refused here rather than handed on.
  if (!FitsPlatform(fileName_) || !FitsPlatform(value) ||
      !WritePrivateProfileStringA(Cut(section, kMaxName).c_str(), Cut(entry, kMaxName).c_str(), value,
                                  fileName_.c_str())) {
    throw Exception("Unable to write to the INI file");
  }
}

std::int32_t TIniLFile::ReadNumber(const std::string& section, const std::string& entry, std::int32_t def) const {
  return ParseStoredNumber(ReadText(section, entry, std::string()), kMaxHexDigits).value_or(def);
}

}  // namespace klv

using klv::Arg;

/* Text of the entry Section/Label of FileName (at most 32767 characters), or
   Default (at most 255 characters) when it is missing. Never fails. */
KlvText KLV_CALL kLvReadIniString(KlvText FileName, KlvText Section, KlvText Label, KlvText Default) {
  return klv::TextExport("", [&] {
    const klv::TIniLFile ini(Arg(FileName));
    return ini.ReadText(Arg(Section), Arg(Label), Arg(Default));
  });
}

/* The entry as an integer (decimal, $hex or 0x hex), or Default when it is
   missing or not a number. */
KlvInt KLV_CALL kLvReadIniInteger(KlvText FileName, KlvText Section, KlvText Label, KlvInt Default) {
  return klv::IntExport(Default, [&] {
    const klv::TIniLFile ini(Arg(FileName));
    return ini.ReadNumber(Arg(Section), Arg(Label), Default);
  });
}

/* Writes Value (null removes the entry) and reads it back: 0 when the entry
   reads back equal to Value, -1 on any failure or difference. */
KlvInt KLV_CALL kLvWriteIniString(KlvText FileName, KlvText Section, KlvText Label, KlvText Value) {
  return klv::IntExport(-1, [&] {
    const klv::TIniLFile ini(Arg(FileName));
    const std::string section = Arg(Section), label = Arg(Label);
    ini.WriteText(section, label, Value);
    const std::string back = ini.ReadText(section, label, "error");
    return (Value && back == Value) ? 0 : -1;
  });
}
