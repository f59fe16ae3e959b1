// The registry read and written like an INI file: a root key by name, a key
// path, a section below it and a value name.
#ifndef KLV_REGISTRY_H
#define KLV_REGISTRY_H

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "frame.h"

namespace klv {

class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

// Owns one open key and closes it when it goes; a predefined root key
// (which the platform may hand back for an empty path) is never closed.
class RegKey {
 public:
  RegKey() = default;
  explicit RegKey(HKEY key) : key_(key) {}
  ~RegKey() { Reset(); }
  RegKey(RegKey&& other) noexcept : key_(other.Release()) {}
  RegKey& operator=(RegKey&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;

  HKEY Get() const { return key_; }
  explicit operator bool() const { return key_ != nullptr; }
  HKEY Release() {
    HKEY key = key_;
    key_ = nullptr;
    return key;
  }
  void Reset(HKEY key = nullptr);
  void Swap(RegKey& other) noexcept { std::swap(key_, other.key_); }

  static bool IsPredefined(HKEY key);

 private:
  HKEY key_ = nullptr;
};

// Key handling below one root key chosen by its name.
class TRegistry {
 public:
  explicit TRegistry(const std::string& rootKeyName);
  virtual ~TRegistry() = default;
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  // Opens the path (created when missing) as the current key.
  bool OpenWorkingKey(const std::string& path);
  // An existing key for the caller; empty when it can't be opened.
  RegKey OpenSection(const std::string& path) const;
  // Creates the key when missing; throws ERegistryException when it can't.
  void CreateSection(const std::string& path) const;

  bool HasValue(const std::string& name) const;
  // REG_SZ or REG_EXPAND_SZ data up to its first NUL, unexpanded; throws
  // ERegistryException for any other type or unreadable data.
  std::string ReadTextValue(const std::string& name) const;
  void WriteTextValue(const std::string& name, const std::string& text) const;

  HKEY RootKey() const { return rootKey_; }
  const std::string& CurrentPath() const { return currentPath_; }

 protected:
  // Makes `key` the current key for one operation and restores the previous
  // one on every path.
  class UseKey {
   public:
    UseKey(TRegistry& registry, RegKey& key) : registry_(registry), key_(key) { registry_.currentKey_.Swap(key_); }
    ~UseKey() { registry_.currentKey_.Swap(key_); }
    UseKey(const UseKey&) = delete;
    UseKey& operator=(const UseKey&) = delete;

   private:
    TRegistry& registry_;
    RegKey& key_;
  };

  // The key a section path is taken below, or null when there is none: a
  // relative path below a working key that could not be opened has none.
  HKEY BaseFor(bool absolute) const;

 private:
  static constexpr bool kLazyWrite = true;      // closing never forces a flush
  static constexpr bool kCloseRootKey = false;  // the root is predefined (see RegKey)

  RegKey currentKey_;
  HKEY rootKey_;
  std::string currentPath_;
  bool workingKeyFailed_ = false;
};

// Sections and entries on top of a working key opened at construction.
class TRegIniFile : public TRegistry {
 public:
  TRegIniFile(const std::string& rootKeyName, const std::string& keyName);

  // The value as text; nothing when the section or value is missing or the
  // value is not text. The writers read back through these, so that a
  // stored value is never confused with a default that equals it.
  std::optional<std::string> ReadValueText(const std::string& section, const std::string& label);
  std::optional<std::int32_t> ReadNumberIfAny(const std::string& section, const std::string& label);

  std::string ReadText(const std::string& section, const std::string& label, const std::string& def);
  void WriteText(const std::string& section, const std::string& label, const std::string& value);
  // Decimal, $hex or 0x hex text as an integer, or `def`.
  std::int32_t ReadNumber(const std::string& section, const std::string& label, std::int32_t def);
  // Stores the decimal text of `value`.
  void WriteNumber(const std::string& section, const std::string& label, std::int32_t value);

  const std::string& KeyName() const { return keyName_; }

 private:
  std::string keyName_;
};

}  // namespace klv

#endif
