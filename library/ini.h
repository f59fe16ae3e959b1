// INI files through the platform's profile calls.
#ifndef KLV_INI_H
#define KLV_INI_H

#include <cstdint>
#include <string>

namespace klv {

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
  // Throws Exception("Unable to write to <file>") when the platform refuses.
  void WriteText(const std::string& section, const std::string& entry, const char* value) const;

  // The entry as a number ("0x" read as hex), or `def`.
  std::int32_t ReadNumber(const std::string& section, const std::string& entry, std::int32_t def) const;

  const std::string& FileName() const { return fileName_; }

 private:
  std::string fileName_;
};

}  // namespace klv

#endif
