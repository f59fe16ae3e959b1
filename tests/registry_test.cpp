// Registry access through the exports, against Wine's real registry. Each
// test works below HKCU\Software\kLvTest\<pid>\<test> and deletes it.
#include <aclapi.h>

#include "klv_test.h"
#include "owner.h"

using namespace klvtest;

namespace {

const std::string kTestRoot = "Software\\kLvTest";

// A key opened for a check, closed when it goes (null when it cannot be opened).
klv::RegKey OpenKey(HKEY root, const std::string& path, REGSAM access = KEY_READ) {
  HKEY key = nullptr;
  return klv::RegKey(RegOpenKeyExA(root, path.c_str(), 0, access, &key) == ERROR_SUCCESS ? key : nullptr);
}

bool KeyExists(HKEY root, const std::string& path) { return OpenKey(root, path).Valid(); }

struct RawValue {
  DWORD type = 0;
  std::string bytes;
};

std::optional<RawValue> GetRaw(HKEY root, const std::string& path, const std::string& name) {
  const klv::RegKey k = OpenKey(root, path);
  if (!k) return std::nullopt;
  RawValue out;
  DWORD size = 0;
  if (RegQueryValueExA(k.Get(), name.c_str(), nullptr, &out.type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
  out.bytes.assign(size, '\0');
  if (size && RegQueryValueExA(k.Get(), name.c_str(), nullptr, &out.type, reinterpret_cast<BYTE*>(&out.bytes[0]),
                               &size) != ERROR_SUCCESS)
    return std::nullopt;
  out.bytes.resize(size);
  return out;
}

// The stored bytes, or "<missing>".
std::string Bytes(HKEY root, const std::string& path, const std::string& name) {
  const auto raw = GetRaw(root, path, name);
  return raw ? raw->bytes : "<missing>";
}

DWORD Type(HKEY root, const std::string& path, const std::string& name) {
  const auto raw = GetRaw(root, path, name);
  return raw ? raw->type : REG_NONE;
}

bool SetRaw(HKEY root, const std::string& path, const std::string& name, DWORD type, const std::string& bytes) {
  HKEY made = nullptr;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &made, nullptr) != ERROR_SUCCESS)
    return false;
  const klv::RegKey key(made);
  return RegSetValueExA(key.Get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                        static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

// Subkeys and values of a key, or -1 each when it can't be opened.
std::pair<long, long> Contents(HKEY root, const std::string& path) {
  const klv::RegKey k = OpenKey(root, path);
  DWORD subkeys = 0, values = 0;
  if (!k || RegQueryInfoKeyA(k.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                             nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return {-1, -1};
  return {static_cast<long>(subkeys), static_cast<long>(values)};
}

// Everyone may read the key, nobody may write it.
bool DenyWrites(HKEY root, const std::string& path) {
  const klv::RegKey k = OpenKey(root, path, KEY_ALL_ACCESS);
  if (!k) return false;
  EXPLICIT_ACCESSA allow{};
  allow.grfAccessPermissions = KEY_READ;
  allow.grfAccessMode = SET_ACCESS;
  allow.grfInheritance = NO_INHERITANCE;
  allow.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
  allow.Trustee.ptstrName = const_cast<char*>("EVERYONE");
  PACL acl = nullptr;
  if (SetEntriesInAclA(1, &allow, nullptr, &acl) != ERROR_SUCCESS) return false;
  const DWORD r = SetSecurityInfo(k.Get(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                  nullptr, nullptr, acl, nullptr);
  LocalFree(acl);
  return r == ERROR_SUCCESS;
}

void DeleteTree(HKEY root, const std::string& path) {
  RegDeleteTreeA(root, path.c_str());
  RegDeleteKeyA(root, path.c_str());
}

class Registry : public ::testing::Test {
 protected:
  const std::string pidKey = kTestRoot + "\\" + std::to_string(GetCurrentProcessId());
  const std::string key = pidKey + "\\" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
  // Names no other program uses, for checks at a root's top level.
  const std::string unique = "kLvTest" + std::to_string(GetCurrentProcessId());

  void SetUp() override { ASSERT_FALSE(KeyExists(HKEY_CURRENT_USER, key)); }

  void TearDown() override {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      DeleteTree(root, key);
      RegDeleteKeyA(root, pidKey.c_str());      // fails while another test's key is there
      RegDeleteKeyA(root, kTestRoot.c_str());   // likewise for other processes
      EXPECT_FALSE(KeyExists(root, key));
    }
  }

  std::string Read(const std::string& keyName, const std::string& section, const std::string& label,
                   const std::string& def = "dflt", const char* root = "") {
    return kLvReadRegString(root, keyName.c_str(), section.c_str(), label.c_str(), def.c_str());
  }
  int Write(const std::string& keyName, const std::string& section, const std::string& label,
            const std::string& value, const char* root = "") {
    return kLvWriteRegString(root, keyName.c_str(), section.c_str(), label.c_str(), value.c_str());
  }
  int Number(const std::string& keyName, const std::string& section, const std::string& label, int def = 777) {
    return kLvReadRegInteger("", keyName.c_str(), section.c_str(), label.c_str(), def);
  }
  int StoredNumber(const std::string& stored, DWORD type = REG_SZ) {
    EXPECT_TRUE(SetRaw(HKEY_CURRENT_USER, key + "\\N", "v", type, stored));
    return Number(key, "N", "v");
  }
  std::string StoredText(const std::string& bytes, DWORD type = REG_SZ) {
    EXPECT_TRUE(SetRaw(HKEY_CURRENT_USER, key + "\\T", "v", type, bytes));
    return Read(key, "T", "v");
  }
};

}  // namespace

TEST_F(Registry, WritesTextAsRegSzAndReadsItBack) {
  EXPECT_EQ(Write(key, "Product", "Path", "C:\\Games\\Title"), 0);
  const auto raw = GetRaw(HKEY_CURRENT_USER, key + "\\Product", "Path");
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(raw->bytes, std::string("C:\\Games\\Title", 15));  // the NUL stored too
  EXPECT_EQ(Read(key, "Product", "Path"), "C:\\Games\\Title");
  EXPECT_EQ(Read(key, "Product", "Other"), "dflt");
  EXPECT_EQ(Read(key, "Elsewhere", "Path"), "dflt");
  EXPECT_EQ(Write(key, "Product", "Path", "Replaced"), 0);
  EXPECT_EQ(Read(key, "Product", "Path"), "Replaced");
  EXPECT_EQ(Read(key, "Product", "path"), "Replaced");  // the registry ignores case in names
}

TEST_F(Registry, ReadingCreatesNoKey) {
  const std::string fresh = key + "\\Fresh";
  EXPECT_EQ(Read(fresh, "Sec", "v", "fallback"), "fallback");
  EXPECT_EQ(kLvReadRegInteger("", fresh.c_str(), "Sec", "v", -12), -12);
  EXPECT_EQ(Read(key, "Fresh\\Sec", "v", "fallback"), "fallback");
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, fresh));
}

TEST_F(Registry, RootKeyNamesAreComparedExactly) {
  EXPECT_EQ(Write(key, "", "where", "machine", "HKEY_LOCAL_MACHINE"), 0);
  EXPECT_TRUE(GetRaw(HKEY_LOCAL_MACHINE, key, "where"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key));
  EXPECT_EQ(Read(key, "", "where", "d", "HKEY_LOCAL_MACHINE"), "machine");

  int n = 0;
  for (const char* root : {"hkey_local_machine", "", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE ", "HKLM"}) {
    const std::string label = "user" + std::to_string(n++);
    EXPECT_EQ(Write(key, "", label, root, root), 0) << root;
    const auto raw = GetRaw(HKEY_CURRENT_USER, key, label);
    ASSERT_TRUE(raw) << root;
    EXPECT_EQ(raw->bytes, std::string(root) + '\0');
    EXPECT_FALSE(GetRaw(HKEY_LOCAL_MACHINE, key, label)) << root;
  }
  EXPECT_EQ(kLvReadRegString(nullptr, key.c_str(), "", "user0", "d"), std::string("hkey_local_machine"));
  const std::string longRoot = LongText(100000, 'r');
  EXPECT_EQ(Read(key, "", "user1", "d", longRoot.c_str()), "");
}

TEST_F(Registry, EmptySectionAndEmptyLabel) {
  EXPECT_EQ(Write(key, "", "direct", "in the key"), 0);
  EXPECT_TRUE(GetRaw(HKEY_CURRENT_USER, key, "direct"));
  EXPECT_EQ(Contents(HKEY_CURRENT_USER, key).first, 0);
  EXPECT_EQ(Read(key, "", "direct"), "in the key");

  EXPECT_EQ(Write(key, "S", "", "default value"), 0);
  const auto raw = GetRaw(HKEY_CURRENT_USER, key + "\\S", "");
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->bytes, std::string("default value") + '\0');
  EXPECT_EQ(Read(key, "S", ""), "default value");
  EXPECT_EQ(Read(key, "", ""), "dflt");  // the key's own default value is unset
}

TEST_F(Registry, SectionPathsRelativeAndBelowTheRoot) {
  const std::string other = key + "\\Other";
  EXPECT_EQ(Write(other, "\\" + key + "\\Abs", "v", "absolute"), 0);
  EXPECT_TRUE(GetRaw(HKEY_CURRENT_USER, key + "\\Abs", "v"));
  EXPECT_EQ(Contents(HKEY_CURRENT_USER, other), std::make_pair(0L, 0L));
  EXPECT_EQ(Read(other, "\\" + key + "\\Abs", "v"), "absolute");
  EXPECT_EQ(Read(key, "Abs", "v"), "absolute");

  EXPECT_EQ(Write(other, "Rel\\Deep", "v", "relative"), 0);
  EXPECT_TRUE(GetRaw(HKEY_CURRENT_USER, other + "\\Rel\\Deep", "v"));
  EXPECT_EQ(Write("\\" + key, "Lead", "v", "absolute key name"), 0);
  EXPECT_TRUE(GetRaw(HKEY_CURRENT_USER, key + "\\Lead", "v"));
}

TEST_F(Registry, DoubledAndTrailingBackslashesAreOneSeparator) {
  EXPECT_EQ(Write(key + "\\\\D\\\\", "S\\\\T\\", "v", "x"), 0);
  EXPECT_TRUE(GetRaw(HKEY_CURRENT_USER, key + "\\D\\S\\T", "v"));
  EXPECT_EQ(Read(key + "\\D", "S\\T", "v"), "x");
  EXPECT_EQ(Read(key + "\\D\\", "\\\\" + key + "\\\\D\\S\\T\\\\", "v"), "x");
  EXPECT_EQ(Contents(HKEY_CURRENT_USER, key), std::make_pair(1L, 0L));
  EXPECT_EQ(Contents(HKEY_CURRENT_USER, key + "\\D"), std::make_pair(1L, 0L));
}

TEST_F(Registry, IntegersAreStoredAsDecimalText) {
  EXPECT_EQ(kLvWriteRegInteger("", key.c_str(), "N", "neg", -5), 0);
  const auto raw = GetRaw(HKEY_CURRENT_USER, key + "\\N", "neg");
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(raw->bytes, std::string("-5", 3));
  EXPECT_EQ(Number(key, "N", "neg"), -5);
  EXPECT_EQ(Read(key, "N", "neg"), "-5");

  for (int value : {0, 7, 2147483647, -2147483647}) {
    EXPECT_EQ(kLvWriteRegInteger("", key.c_str(), "N", "v", value), 0) << value;
    EXPECT_EQ(Read(key, "N", "v"), std::to_string(value));
    EXPECT_EQ(Number(key, "N", "v"), value);
  }
  // The lowest value has no decimal form that reads back: stored, but failed.
  EXPECT_EQ(kLvWriteRegInteger("", key.c_str(), "N", "v", INT32_MIN), -1);
  EXPECT_EQ(Read(key, "N", "v"), "-2147483648");
  EXPECT_EQ(Number(key, "N", "v"), 777);
  EXPECT_EQ(Number(key, "N", "missing", -3), -3);
}

TEST_F(Registry, NumberForms) {
  EXPECT_EQ(StoredNumber(std::string("0x10", 5)), 16);
  EXPECT_EQ(StoredNumber(std::string("0X10", 5)), 16);
  EXPECT_EQ(StoredNumber(std::string("0xFFFFFFFF", 11)), -1);
  EXPECT_EQ(StoredNumber(std::string("0x00000000ff", 13)), 255);
  EXPECT_EQ(StoredNumber(std::string("$1F", 4)), 31);
  EXPECT_EQ(StoredNumber(std::string("  12", 5)), 12);
  EXPECT_EQ(StoredNumber(std::string("42", 2)), 42);  // stored without its NUL
  EXPECT_EQ(StoredNumber(std::string("42", 3), REG_EXPAND_SZ), 42);
  for (const char* bad : {"0x", "10 ", "0x1FFFFFFFF", "x10", "0x-1", "abc", "", "1.5", "2147483648"})
    EXPECT_EQ(StoredNumber(std::string(bad) + '\0'), 777) << "'" << bad << "'";
  EXPECT_EQ(StoredNumber(""), 777);  // size 0
}

TEST_F(Registry, TextValuesAsStored) {
  EXPECT_EQ(StoredText(std::string("%SystemRoot%\\x;%PATH%", 22), REG_EXPAND_SZ), "%SystemRoot%\\x;%PATH%");
  EXPECT_EQ(StoredText(std::string("ab\0cd", 6)), "ab");                 // up to an embedded NUL
  EXPECT_EQ(StoredText(std::string("abcdef", 6)), "abcdef");             // no NUL of its own
  EXPECT_EQ(StoredText(std::string("abcde", 5)), "abcde");
  EXPECT_EQ(StoredText(std::string("ab\0\0\0", 5)), "ab");
  EXPECT_EQ(StoredText(""), "");                                          // size 0
  EXPECT_EQ(StoredText(std::string(1, '\0')), "");
}

TEST_F(Registry, ValuesThatAreNotTextGiveTheDefault) {
  const DWORD five = 5;
  const std::string dword(reinterpret_cast<const char*>(&five), 4);
  const struct {
    DWORD type;
    std::string bytes;
  } cases[] = {{REG_DWORD, dword}, {REG_BINARY, "12"}, {REG_BINARY, ""}, {REG_MULTI_SZ, std::string("7\0\0", 3)},
               {REG_NONE, std::string("8", 2)}, {REG_QWORD, std::string(8, '\0')}};
  for (const auto& c : cases) {
    ASSERT_TRUE(SetRaw(HKEY_CURRENT_USER, key + "\\X", "v", c.type, c.bytes));
    EXPECT_EQ(Read(key, "X", "v", "not text"), "not text") << c.type;
    EXPECT_EQ(Number(key, "X", "v", -9), -9) << c.type;
    // A writer replaces it with text, and its read-back sees that text.
    EXPECT_EQ(Write(key, "X", "v", "now text"), 0) << c.type;
    EXPECT_EQ(Type(HKEY_CURRENT_USER, key + "\\X", "v"), static_cast<DWORD>(REG_SZ));
  }
}

TEST_F(Registry, SentinelValuesAreWrittenNotAssumed) {
  EXPECT_EQ(Write(key, "S", "word", "error"), 0);
  EXPECT_EQ(Bytes(HKEY_CURRENT_USER, key + "\\S", "word"), std::string("error", 6));
  EXPECT_EQ(kLvWriteRegInteger("", key.c_str(), "S", "num", -1), 0);
  EXPECT_EQ(Bytes(HKEY_CURRENT_USER, key + "\\S", "num"), std::string("-1", 3));

  // Where nothing can be written, a value equal to the read-back default
  // must not pass for a stored one.
  ASSERT_TRUE(SetRaw(HKEY_CURRENT_USER, key + "\\Locked", "keep", REG_SZ, std::string("old", 4)));
  ASSERT_TRUE(DenyWrites(HKEY_CURRENT_USER, key + "\\Locked"));
  EXPECT_EQ(Write(key, "Locked", "word", "error"), -1);
  EXPECT_EQ(kLvWriteRegInteger("", key.c_str(), "Locked", "num", -1), -1);
  EXPECT_FALSE(GetRaw(HKEY_CURRENT_USER, key + "\\Locked", "word"));
  EXPECT_FALSE(GetRaw(HKEY_CURRENT_USER, key + "\\Locked", "num"));
}

TEST_F(Registry, NullArgumentsAreEmptyTexts) {
  EXPECT_EQ(kLvWriteRegString("", key.c_str(), "S", "v", nullptr), 0);
  const auto raw = GetRaw(HKEY_CURRENT_USER, key + "\\S", "v");
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(raw->bytes, std::string(1, '\0'));
  EXPECT_EQ(Read(key, "S", "v"), "");

  EXPECT_EQ(kLvWriteRegString(nullptr, key.c_str(), nullptr, nullptr, "dv"), 0);  // the key's default value
  EXPECT_EQ(Bytes(HKEY_CURRENT_USER, key, ""), std::string("dv", 3));
  EXPECT_STREQ(kLvReadRegString(nullptr, key.c_str(), nullptr, nullptr, nullptr), "dv");
  EXPECT_STREQ(kLvReadRegString("", key.c_str(), "S", "missing", nullptr), "");
  EXPECT_EQ(kLvReadRegInteger(nullptr, key.c_str(), nullptr, nullptr, 5), 5);  // "dv" is no number
  EXPECT_EQ(kLvWriteRegInteger(nullptr, key.c_str(), nullptr, "n", 3), 0);
  EXPECT_EQ(kLvReadRegInteger(nullptr, key.c_str(), nullptr, "n", 5), 3);

  const char* all = kLvReadRegString(nullptr, nullptr, nullptr, unique.c_str(), nullptr);
  ASSERT_NE(all, nullptr);
  EXPECT_STREQ(all, "");
}

TEST_F(Registry, LongValuesAndDefaultsAreWhole) {
  const std::string hundred = LongText(100, 'h');
  EXPECT_EQ(Write(key, "S", "v", hundred), 0);
  EXPECT_EQ(Read(key, "S", "v"), hundred);
  EXPECT_EQ(Read(key, "S", "missing", hundred), hundred);

  const std::string huge = LongText(100000, 'g');
  EXPECT_EQ(Write(key, "S", "huge", huge), 0);
  EXPECT_EQ(Read(key, "S", "huge"), huge);
  EXPECT_EQ(Read(key, "S", "missing", huge), huge);
}

TEST_F(Registry, OverlongNamesAreRefused) {
  const std::string huge = LongText(100000, 'n');
  EXPECT_EQ(Read(key + "\\" + huge, "S", "v"), "dflt");
  EXPECT_EQ(Write(key + "\\" + huge, "", unique, "x"), -1);
  EXPECT_EQ(Read(key, huge, "v"), "dflt");
  EXPECT_EQ(Write(key, huge, "v", "x"), -1);
  EXPECT_EQ(Read(key, "S", huge), "dflt");
  EXPECT_EQ(Write(key, "S", huge, "x"), -1);
  EXPECT_EQ(Number(key, "S", huge, 4), 4);
  EXPECT_EQ(kLvWriteRegInteger("", key.c_str(), "S", huge.c_str(), 4), -1);

  // The platform counts a name in 16 bits: 65536 characters would name the
  // key it is taken below, 65539 the first three characters.
  const std::string wrapKey = key + "\\" + LongText(65536 - key.size() - 1, 'w');
  ASSERT_EQ(wrapKey.size(), 65536u);
  EXPECT_EQ(Write(wrapKey, "", unique, "x"), -1);
  EXPECT_FALSE(GetRaw(HKEY_CURRENT_USER, "", unique));
  EXPECT_EQ(Write(key, LongText(65536, 'w'), "v", "x"), -1);
  EXPECT_FALSE(GetRaw(HKEY_CURRENT_USER, key, "v"));
  EXPECT_EQ(Write(key, "", "abc" + LongText(65536, 'w'), "x"), -1);
  EXPECT_FALSE(GetRaw(HKEY_CURRENT_USER, key, "abc"));

  // Names the platform itself refuses: a key name over 255 characters, a
  // value name over 16383.
  EXPECT_EQ(Write(key + "\\" + LongText(300, 'k'), "", unique, "x"), -1);
  EXPECT_EQ(Write(key, "", LongText(16384, 'v'), "x"), -1);
  EXPECT_EQ(Write(key, "", LongText(16383, 'v'), "x"), 0);
  EXPECT_FALSE(GetRaw(HKEY_CURRENT_USER, "", unique));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key + "\\" + huge.substr(0, 255)));
}

TEST_F(Registry, KeyWithoutWriteAccess) {
  const std::string locked = key + "\\Locked";
  ASSERT_TRUE(SetRaw(HKEY_CURRENT_USER, locked, "v", REG_SZ, std::string("old", 4)));
  ASSERT_TRUE(SetRaw(HKEY_CURRENT_USER, locked, "n", REG_SZ, std::string("42", 3)));
  ASSERT_TRUE(DenyWrites(HKEY_CURRENT_USER, locked));

  EXPECT_EQ(Write(locked, "", "v", "new"), -1);
  EXPECT_EQ(Bytes(HKEY_CURRENT_USER, locked, "v"), std::string("old", 4));
  // A reader asks for read access only, as a standard user reading
  // HKEY_LOCAL_MACHINE must.
  EXPECT_EQ(Read(locked, "", "v"), "old");
  EXPECT_EQ(Number(locked, "", "n", 8), 42);

  // Sections of a working key that could not be opened are not taken below
  // the root instead.
  EXPECT_EQ(Write(locked, "", unique, "stray"), -1);
  EXPECT_FALSE(GetRaw(HKEY_CURRENT_USER, "", unique));
  EXPECT_EQ(Write(locked, unique, "v", "stray"), -1);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, unique));
  EXPECT_EQ(kLvWriteRegInteger("", locked.c_str(), unique.c_str(), "v", 1), -1);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, unique));

  // A section below the root is still the caller's to name.
  EXPECT_EQ(Write(locked, "\\" + key + "\\Open", "v", "fine"), 0);
  EXPECT_EQ(Read(locked, "\\" + key + "\\Open", "v"), "fine");
  // The locked key as a section of an open one.
  EXPECT_EQ(Write(key, "Locked", "v", "new"), -1);
  EXPECT_EQ(Read(key, "Locked", "v"), "old");
}

TEST_F(Registry, LeavesNoHandlesOpen) {
  const std::string locked = key + "\\Locked";
  ASSERT_TRUE(SetRaw(HKEY_CURRENT_USER, locked, "v", REG_SZ, std::string("old", 4)));
  ASSERT_TRUE(DenyWrites(HKEY_CURRENT_USER, locked));
  ASSERT_TRUE(SetRaw(HKEY_CURRENT_USER, key + "\\X", "bin", REG_BINARY, "12"));
  const std::string absolute = "\\" + key + "\\A";
  const std::string longName = LongText(300, 'k');
  auto round = [&](int i) {
    Write(key, "S", "v", i % 2 ? "a" : "b");
    kLvWriteRegInteger("", key.c_str(), "S", "n", i);
    Read(key, "S", "v");
    Number(key, "S", "n");
    Read(key, "Missing", "v");
    Read(key, "X", "bin");
    Number(key, "X", "bin");
    Write(locked, "", "v", "x");
    Write(locked, "Sub", "v", "x");
    Read(locked, "", "v");
    Write(key, "Locked", "v", "x");
    Write(locked, absolute, "v", "x");
    Write(key + "\\" + longName, "", "v", "x");
    Read("", absolute, "v");   // the root itself as the working key
    Write("", absolute, "v", "x");
  };
  round(0);
  const DWORD before = HandleCount();
  for (int i = 0; i < 300; ++i) round(i);
  EXPECT_LE(HandleCount(), before + 2);
  EXPECT_EQ(Read("", absolute, "v"), "x");
}
