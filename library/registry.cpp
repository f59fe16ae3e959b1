// The registry read and written like an INI file: a root key by name, a key
// path, a section below it and a value name.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ansi.h"
#include "frame.h"
#include "owner.h"

namespace klv {

namespace {

struct RootName {
  const wchar_t* name;
  HKEY key;
};

// Compared exactly; any other name selects the current user.
const RootName kRootNames[] = {
    {L"HKEY_USERS", HKEY_USERS},
    {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
    {L"HKEY_DYN_DATA", HKEY_DYN_DATA},
};

HKEY RootKeyByName(const std::wstring& name) {
  for (const auto& root : kRootNames)
    if (name == root.name) return root.key;
  return HKEY_CURRENT_USER;
}

// A key path: absolute when it begins with a backslash. Empty components
// (doubled or trailing backslashes) are dropped, so that a path names the
// same key whether or not the platform tolerates them.
struct KeyPath {
  bool absolute = false;
  std::wstring rest;
};

KeyPath SplitKeyPath(const std::wstring& path) {
  KeyPath out;
  out.absolute = !path.empty() && path[0] == L'\\';
  out.rest.reserve(path.size());
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (path[i] != L'\\') {
      out.rest += path[i];
    } else if (!out.rest.empty() && out.rest.back() != L'\\') {
      out.rest += L'\\';
    }
  }
  if (!out.rest.empty() && out.rest.back() == L'\\') out.rest.pop_back();
  return out;
}

// The platform counts a name in 16 bits (bytes of UTF-16) and Wine wraps:
// a path of 32768 characters could silently name the key it is taken
// below. Longer texts are refused before they reach the platform.
bool FitsName(const std::wstring& name) { return FitsPlatform(name); }

RegKey CreateKey(HKEY base, const std::wstring& rest) {
  HKEY key = nullptr;
  if (!base || !FitsName(rest) ||
      RegCreateKeyExW(base, rest.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return RegKey();
  }
  return RegKey(key);
}

// How an accessor uses its keys: a reader asks for read access only and
// creates nothing, so that a standard user reads what an administrator
// wrote under HKEY_LOCAL_MACHINE and a read leaves no key behind.
enum class Access { kRead, kWrite };

RegKey OpenKey(HKEY base, const std::wstring& rest, Access access) {
  HKEY key = nullptr;
  const REGSAM rights = access == Access::kRead ? KEY_READ : KEY_ALL_ACCESS;
  if (!base || !FitsName(rest) || RegOpenKeyExW(base, rest.c_str(), 0, rights, &key) != ERROR_SUCCESS)
    return RegKey();
  return RegKey(key);
}

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

}  // namespace

class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

// Key handling below one root key chosen by its name. Keys are closed
// without a flush, and the root, a predefined key, never (see CloseRegKey in owner.h).
class TRegistry {
 public:
  TRegistry(const std::wstring& rootKeyName, Access access);
  virtual ~TRegistry() = default;
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  // Opens the path as the current key; a writer creates it when missing.
  bool OpenWorkingKey(const std::wstring& path);
  // An existing key for the caller; empty when it can't be opened.
  RegKey OpenSection(const std::wstring& path) const;
  // Creates the key when missing; throws ERegistryException when it can't.
  void CreateSection(const std::wstring& path) const;

  bool HasValue(const std::wstring& name) const;
  // REG_SZ or REG_EXPAND_SZ data up to its first NUL, unexpanded; throws
  // ERegistryException for any other type or unreadable data.
  std::wstring ReadTextValue(const std::wstring& name) const;
  void WriteTextValue(const std::wstring& name, const std::wstring& text) const;

 protected:
  // Makes `key` the current key for one operation and restores the previous
  // one on every path.
  class UseKey {
   public:
    UseKey(TRegistry& registry, RegKey& key) : registry_(registry), key_(key) { std::swap(registry_.currentKey_, key_); }
    ~UseKey() { std::swap(registry_.currentKey_, key_); }
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
  RegKey currentKey_;
  HKEY rootKey_;
  Access access_;
  bool workingKeyFailed_ = false;
};

// Sections and entries on top of a working key opened at construction.
class TRegIniFile : public TRegistry {
 public:
  TRegIniFile(const std::wstring& rootKeyName, const std::wstring& keyName, Access access);

  // The value as text; nothing when the section or value is missing or the
  // value is not text. The writers read back through these, so that a
  // stored value is never confused with a default that equals it.
  std::optional<std::wstring> ReadValueText(const std::wstring& section, const std::wstring& label);
  std::optional<std::int32_t> ReadNumberIfAny(const std::wstring& section, const std::wstring& label);

  std::wstring ReadText(const std::wstring& section, const std::wstring& label, const std::wstring& def);
  void WriteText(const std::wstring& section, const std::wstring& label, const std::wstring& value);
  // Decimal, $hex or 0x hex text as an integer, or `def`.
  std::int32_t ReadNumber(const std::wstring& section, const std::wstring& label, std::int32_t def);
  // Stores the decimal text of `value`.
  void WriteNumber(const std::wstring& section, const std::wstring& label, std::int32_t value);
};


TRegistry::TRegistry(const std::wstring& rootKeyName, Access access)
    : rootKey_(RootKeyByName(rootKeyName)), access_(access) {}

bool TRegistry::OpenWorkingKey(const std::wstring& path) {
  const KeyPath where = SplitKeyPath(path);
  RegKey key = where.rest.empty() || access_ == Access::kRead ? OpenKey(rootKey_, where.rest, access_)
                                                               : CreateKey(rootKey_, where.rest);
  workingKeyFailed_ = !key;
  if (!key) return false;
  currentKey_ = std::move(key);
  return true;
}

HKEY TRegistry::BaseFor(bool absolute) const {
  if (absolute) return rootKey_;
  if (currentKey_) return currentKey_.Get();
  // The caller named a working key that could not be opened: its sections
  // must not land below the root instead.
  return workingKeyFailed_ ? nullptr : rootKey_;
}

RegKey TRegistry::OpenSection(const std::wstring& path) const {
  const KeyPath where = SplitKeyPath(path);
  return OpenKey(BaseFor(where.absolute), where.rest, access_);
}

void TRegistry::CreateSection(const std::wstring& path) const {
  const KeyPath where = SplitKeyPath(path);
  if (!CreateKey(BaseFor(where.absolute), where.rest)) throw ERegistryException("Failed to create key");
}

bool TRegistry::HasValue(const std::wstring& name) const {
  DWORD type = 0, size = 0;
  return currentKey_ && FitsName(name) &&
         RegQueryValueExW(currentKey_.Get(), name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
}

std::wstring TRegistry::ReadTextValue(const std::wstring& name) const {
  DWORD type = 0, size = 0;
  if (!currentKey_ || !FitsName(name) ||
      RegQueryValueExW(currentKey_.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return std::wstring();
  }
  // The type first: a number or binary data is not text even when empty.
  if (!IsText(type)) throw ERegistryException("Invalid data type");
  if (size == 0) return std::wstring();
  // One spare NUL, for data stored without its own (or with an odd size).
  std::vector<wchar_t> data(static_cast<std::size_t>(size) / sizeof(wchar_t) + 2, L'\0');
  DWORD got = size;
  if (RegQueryValueExW(currentKey_.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got) !=
      ERROR_SUCCESS) {
    throw ERegistryException("Failed to get data");
  }
  if (!IsText(type)) throw ERegistryException("Invalid data type");
  return std::wstring(data.data());
}

void TRegistry::WriteTextValue(const std::wstring& name, const std::wstring& text) const {
  if (!currentKey_ || !FitsName(name) || text.size() >= MAXDWORD / sizeof(wchar_t) - 1 ||
      RegSetValueExW(currentKey_.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS) {
    throw ERegistryException("Failed to set data");
  }
}

TRegIniFile::TRegIniFile(const std::wstring& rootKeyName, const std::wstring& keyName, Access access)
    : TRegistry(rootKeyName, access) {
  // Without a working key the accessor still answers: reads give their
  // defaults and writes fail.
  OpenWorkingKey(keyName);
}

std::optional<std::wstring> TRegIniFile::ReadValueText(const std::wstring& section, const std::wstring& label) {
  RegKey key = OpenSection(section);
  if (!key) return std::nullopt;
  UseKey use(*this, key);
  if (!HasValue(label)) return std::nullopt;
  try {
    return ReadTextValue(label);
  } catch (const ERegistryException&) {
    return std::nullopt;  // present but not text: the caller's default
  }
}

std::wstring TRegIniFile::ReadText(const std::wstring& section, const std::wstring& label, const std::wstring& def) {
  auto text = ReadValueText(section, label);
  return text ? std::move(*text) : def;
}

std::optional<std::int32_t> TRegIniFile::ReadNumberIfAny(const std::wstring& section, const std::wstring& label) {
  const auto text = ReadValueText(section, label);
  if (!text) return std::nullopt;
  return ParseStoredNumber(*text);
}

std::int32_t TRegIniFile::ReadNumber(const std::wstring& section, const std::wstring& label, std::int32_t def) {
  return ReadNumberIfAny(section, label).value_or(def);
}

void TRegIniFile::WriteText(const std::wstring& section, const std::wstring& label, const std::wstring& value) {
  CreateSection(section);
  RegKey key = OpenSection(section);
  if (!key) return;
  UseKey use(*this, key);
  WriteTextValue(label, value);
}

void TRegIniFile::WriteNumber(const std::wstring& section, const std::wstring& label, std::int32_t value) {
  WriteText(section, label, std::to_wstring(value));
}

}  // namespace klv

using klv::Access;
using klv::Arg;
using klv::TRegIniFile;

/* The text value Label of RootKeyName\KeyName\Section, whole, or Default
   (whole) when the key or value is missing, cannot be opened for reading,
   or the value is not text (REG_SZ or REG_EXPAND_SZ, returned unexpanded).
   Opens keys for reading only and creates none. */
KlvTextW KLV_CALL kLvReadRegStringW(KlvTextW RootKeyName, KlvTextW KeyName, KlvTextW Section, KlvTextW Label,
                                    KlvTextW Default) {
  return klv::TextExport(L"", [&] {
    TRegIniFile reg(Arg(RootKeyName), Arg(KeyName), Access::kRead);
    return reg.ReadText(Arg(Section), Arg(Label), Arg(Default));
  });
}

/* The value as an integer (decimal, $hex or 0x hex text), or Default when it
   is missing, cannot be read, is not text or not a number. */
KlvInt KLV_CALL kLvReadRegIntegerW(KlvTextW RootKeyName, KlvTextW KeyName, KlvTextW Section, KlvTextW Label,
                                   KlvInt Default) {
  return klv::IntExport(Default, [&] {
    TRegIniFile reg(Arg(RootKeyName), Arg(KeyName), Access::kRead);
    return reg.ReadNumber(Arg(Section), Arg(Label), Default);
  });
}

/* Stores Value (null: the empty text) as REG_SZ, creating the keys, and reads
   it back: 0 when it reads back equal to Value, -1 on any failure. */
KlvInt KLV_CALL kLvWriteRegStringW(KlvTextW RootKeyName, KlvTextW KeyName, KlvTextW Section, KlvTextW Label,
                                   KlvTextW Value) {
  return klv::IntExport(-1, [&] {
    TRegIniFile reg(Arg(RootKeyName), Arg(KeyName), Access::kWrite);
    const std::wstring section = Arg(Section), label = Arg(Label), value = Arg(Value);
    reg.WriteText(section, label, value);
    const auto back = reg.ReadValueText(section, label);
    return (back && *back == value) ? 0 : -1;
  });
}

/* Stores Value as decimal REG_SZ text and reads it back: 0 when it reads back
   equal to Value, -1 on any failure. */
KlvInt KLV_CALL kLvWriteRegIntegerW(KlvTextW RootKeyName, KlvTextW KeyName, KlvTextW Section, KlvTextW Label,
                                    KlvInt Value) {
  return klv::IntExport(-1, [&] {
    TRegIniFile reg(Arg(RootKeyName), Arg(KeyName), Access::kWrite);
    const std::wstring section = Arg(Section), label = Arg(Label);
    reg.WriteNumber(section, label, Value);
    const auto back = reg.ReadNumberIfAny(section, label);
    return (back && *back == Value) ? 0 : -1;
  });
}

KlvText KLV_CALL kLvReadRegString(KlvText RootKeyName, KlvText KeyName, KlvText Section, KlvText Label,
                                  KlvText Default) {
  // A value the code page cannot hold reads as a missing one does.
  return klv::AnsiValue(klv::CallWide(kLvReadRegStringW, RootKeyName, KeyName, Section, Label, Default), Default);
}

KlvInt KLV_CALL kLvReadRegInteger(KlvText RootKeyName, KlvText KeyName, KlvText Section, KlvText Label,
                                  KlvInt Default) {
  return klv::CallWide(kLvReadRegIntegerW, RootKeyName, KeyName, Section, Label, Default);
}

KlvInt KLV_CALL kLvWriteRegString(KlvText RootKeyName, KlvText KeyName, KlvText Section, KlvText Label,
                                  KlvText Value) {
  return klv::CallWide(kLvWriteRegStringW, RootKeyName, KeyName, Section, Label, Value);
}

KlvInt KLV_CALL kLvWriteRegInteger(KlvText RootKeyName, KlvText KeyName, KlvText Section, KlvText Label,
                                   KlvInt Value) {
  return klv::CallWide(kLvWriteRegIntegerW, RootKeyName, KeyName, Section, Label, Value);
}
