// INI files through the exports, against Wine's real profile calls.
#include "klv_test.h"

using namespace klvtest;

namespace {

class Ini : public ::testing::Test {
 protected:
  TempDir dir;
  std::string file = dir / "test.ini";

  std::string Read(const std::string& section, const std::string& label, const std::string& def = "dflt") {
    return kLvReadIniString(file.c_str(), section.c_str(), label.c_str(), def.c_str());
  }
  int Write(const std::string& section, const std::string& label, const std::string& value) {
    return kLvWriteIniString(file.c_str(), section.c_str(), label.c_str(), value.c_str());
  }
  int Number(const std::string& stored, int def = 777) {
    EXPECT_TRUE(WriteFile(file, "[N]\r\nv=" + stored + "\r\n"));
    return kLvReadIniInteger(file.c_str(), "N", "v", def);
  }
};

}  // namespace

TEST_F(Ini, MissingFileGivesDefaultAndIsNotCreated) {
  EXPECT_EQ(Read("S", "k", "fallback"), "fallback");
  EXPECT_EQ(kLvReadIniInteger(file.c_str(), "S", "k", -12), -12);
  EXPECT_FALSE(Exists(file));
}

TEST_F(Ini, WritesAndReadsBack) {
  EXPECT_EQ(Write("Product", "Path", "C:\\Games\\Title"), 0);
  EXPECT_EQ(Read("Product", "Path"), "C:\\Games\\Title");
  EXPECT_EQ(Read("Product", "Other"), "dflt");
  EXPECT_EQ(Read("Elsewhere", "Path"), "dflt");
  const auto content = ReadFile(file);
  ASSERT_TRUE(content);
  EXPECT_NE(content->find("[Product]"), std::string::npos);
  EXPECT_NE(content->find("Path=C:\\Games\\Title"), std::string::npos);
}

TEST_F(Ini, IntegerForms) {
  EXPECT_EQ(Number("0x1F"), 31);
  EXPECT_EQ(Number("0X1f"), 31);
  EXPECT_EQ(Number("0xFFFFFFFF"), -1);
  EXPECT_EQ(Number("0x00000000FF"), 255);  // leading zeros are not significant
  EXPECT_EQ(Number("0x1FFFFFFFF"), 777);   // a ninth significant digit
  EXPECT_EQ(Number("42"), 42);
  EXPECT_EQ(Number("$FF"), 255);
  EXPECT_EQ(Number("-17"), -17);
  EXPECT_EQ(Number("+5"), 5);
  EXPECT_EQ(Number("2147483647"), 2147483647);
  EXPECT_EQ(Number("-2147483647"), -2147483647);
  EXPECT_EQ(Number("2147483648"), 777);
  EXPECT_EQ(Number("-2147483648"), 777);   // the lowest value has no decimal form
  EXPECT_EQ(Number("$80000000"), static_cast<int>(0x80000000u));
  for (const char* bad : {"0x", "1F", "42abc", "", "$", "-", "-$5", "$-5", "0x 1", "4 2", "1.5", "$G"})
    EXPECT_EQ(Number(bad), 777) << "'" << bad << "'";
}

TEST_F(Ini, LeadingBlanksBeforeANumber) {
  // The profile reader strips blanks around a value, so leading blanks reach
  // the conversion only through quotes, which it strips as well.
  EXPECT_EQ(Number("\"  12\""), 12);
  EXPECT_EQ(Number("\"12 \""), 777);
}

TEST_F(Ini, CutsNamesTo127AndDefaultsTo255) {
  const std::string longSection = LongText(200, 's');
  const std::string longLabel = LongText(300, 'k');
  EXPECT_EQ(Write(longSection, longLabel, "v"), 0);
  EXPECT_EQ(Read(longSection.substr(0, 127), longLabel.substr(0, 127)), "v");
  const auto content = ReadFile(file);
  ASSERT_TRUE(content);
  EXPECT_NE(content->find("[" + longSection.substr(0, 127) + "]"), std::string::npos);
  EXPECT_EQ(content->find(longSection.substr(0, 128)), std::string::npos);

  const std::string longDefault = LongText(400, 'd');
  EXPECT_EQ(Read("none", "none", longDefault), longDefault.substr(0, 255));
}

TEST_F(Ini, LongValuesAreCutOnRead) {
  const std::string huge = LongText(40000, 'h');
  ASSERT_TRUE(WriteFile(file, "[S]\r\nbig=" + huge + "\r\n"));
  EXPECT_EQ(Read("S", "big"), huge.substr(0, 32767));

  const std::string fits = LongText(32766, 'f');
  EXPECT_EQ(Write("S", "fits", fits), 0);
  EXPECT_EQ(Read("S", "fits"), fits);
}

TEST_F(Ini, ValuesBeyondWhatThePlatformTakesAreRefused) {
  // Wine's profile writer faults on a value of 32767 characters or more.
  ASSERT_EQ(Write("S", "keep", "old"), 0);
  EXPECT_EQ(Write("S", "keep", LongText(32767, 'h')), -1);
  EXPECT_EQ(Write("S", "keep", LongText(100000, 'h')), -1);
  EXPECT_EQ(Read("S", "keep"), "old");
}

TEST_F(Ini, ReadBackSentinelAndSpecialValues) {
  EXPECT_EQ(Write("S", "word", "error"), 0);
  EXPECT_EQ(Write("S", "empty", ""), 0);
  EXPECT_EQ(Read("S", "empty"), "");
  EXPECT_NE(ReadFile(file)->find("empty="), std::string::npos);
  // The reader hands quoted and blank-padded values back in another form.
  EXPECT_EQ(Write("S", "quoted", "\"abc\""), -1);
  EXPECT_EQ(Read("S", "quoted"), "abc");
  EXPECT_EQ(Write("S", "Case", "MiXeD"), 0);
  EXPECT_EQ(Read("S", "Case"), "MiXeD");
}

TEST_F(Ini, NullValueRemovesTheEntry) {
  ASSERT_EQ(Write("S", "gone", "here"), 0);
  ASSERT_EQ(Write("S", "stays", "there"), 0);
  EXPECT_EQ(kLvWriteIniString(file.c_str(), "S", "gone", nullptr), 0);
  EXPECT_EQ(Read("S", "gone"), "dflt");
  EXPECT_EQ(Read("S", "stays"), "there");
  EXPECT_EQ(ReadFile(file)->find("gone"), std::string::npos);
}

TEST_F(Ini, EmptyNamesAddressEmptyNamesNeverListings) {
  ASSERT_TRUE(WriteFile(file, "[A]\r\na=1\r\n[B]\r\nb=2\r\n"));
  EXPECT_EQ(Read("", "", "d"), "d");
  EXPECT_EQ(Read("A", "", "d"), "d");
  EXPECT_EQ(Read("", "a", "d"), "d");
  EXPECT_EQ(Write("", "k", "v"), 0);
  EXPECT_EQ(Read("", "k"), "v");
  EXPECT_EQ(Read("A", "a"), "1");
}

TEST_F(Ini, NullArgumentsAreEmptyTexts) {
  const char* none = kLvReadIniString(nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(none, nullptr);
  EXPECT_STREQ(none, "");
  EXPECT_STREQ(kLvReadIniString(file.c_str(), "S", "k", nullptr), "");
  EXPECT_EQ(kLvReadIniInteger(nullptr, nullptr, nullptr, 5), 5);
  EXPECT_EQ(kLvWriteIniString(nullptr, "S", "k", "v"), -1);
  EXPECT_EQ(kLvWriteIniString(file.c_str(), nullptr, nullptr, "v"), 0);  // the empty section and entry
  EXPECT_EQ(Read("", ""), "v");
}

TEST_F(Ini, ResultStaysValidUntilTheNextTextCall) {
  // Long enough to live outside the string object that holds it.
  const std::string value = LongText(1000);
  ASSERT_EQ(Write("S", "a", value), 0);
  ASSERT_EQ(Write("S", "n", "42"), 0);
  const char* first = kLvReadIniString(file.c_str(), "S", "a", "");
  // Integer results keep no text: the text result survives them.
  EXPECT_EQ(kLvReadIniInteger(file.c_str(), "S", "n", 0), 42);
  EXPECT_EQ(kLvWriteIniString(file.c_str(), "S", "m", "written"), 0);
  EXPECT_EQ(kLvReadIniInteger(file.c_str(), "S", "a", 7), 7);
  EXPECT_EQ(std::string(first), value);
  // The next text call replaces it with its own result.
  EXPECT_STREQ(kLvReadIniString(file.c_str(), "S", "b", "second"), "second");
  EXPECT_STREQ(kLvReadIniString(file.c_str(), "S", "m", ""), "written");
}

TEST_F(Ini, BadFilesGiveDocumentedResults) {
  const std::string hugeName = dir / LongText(100000, 'n');
  EXPECT_STREQ(kLvReadIniString(hugeName.c_str(), "S", "k", "d"), "d");
  EXPECT_EQ(kLvWriteIniString(hugeName.c_str(), "S", "k", "v"), -1);
  EXPECT_EQ(kLvReadIniInteger(hugeName.c_str(), "S", "k", 9), 9);

  const std::string rejected = dir / "a<b>|c?.ini";
  EXPECT_EQ(kLvWriteIniString(rejected.c_str(), "S", "k", "v"), -1);

  const std::string folder = dir / "folder.ini";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  EXPECT_EQ(kLvWriteIniString(folder.c_str(), "S", "k", "v"), -1);
  EXPECT_STREQ(kLvReadIniString(folder.c_str(), "S", "k", "d"), "d");

  const std::string missingFolder = dir / "no\\such\\folder.ini";
  EXPECT_EQ(kLvWriteIniString(missingFolder.c_str(), "S", "k", "v"), -1);
}

TEST_F(Ini, ReadOnlyFileIsNotWritten) {
  ASSERT_TRUE(WriteFile(file, "[S]\r\nk=old\r\n"));
  ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
  HANDLE probe = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    CloseHandle(probe);
    GTEST_SKIP() << "this system lets the process write read-only files (running as root)";
  }
  EXPECT_EQ(Write("S", "k", "new"), -1);
  EXPECT_EQ(Read("S", "k"), "old");
  EXPECT_EQ(*ReadFile(file), "[S]\r\nk=old\r\n");
}

TEST_F(Ini, FileHeldOpenByAnotherWriterIsNotWritten) {
  ASSERT_TRUE(WriteFile(file, "[S]\r\nk=old\r\n"));
  HANDLE held = CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Write("S", "k", "new"), -1);
  CloseHandle(held);
  EXPECT_EQ(*ReadFile(file), "[S]\r\nk=old\r\n");
}

TEST_F(Ini, HugeArgumentsEverywhere) {
  const std::string huge = LongText(100000, 'x');
  EXPECT_EQ(Write(huge, huge, "v"), 0);
  EXPECT_EQ(Read(huge, huge, huge), "v");
  EXPECT_EQ(Read("none", huge, huge), huge.substr(0, 255));
}

TEST_F(Ini, LeavesNoHandlesOpen) {
  ASSERT_EQ(Write("S", "k", "v"), 0);
  const DWORD before = HandleCount();
  for (int i = 0; i < 2000; ++i) {
    kLvReadIniString(file.c_str(), "S", "k", "");
    kLvReadIniInteger(file.c_str(), "S", "k", 0);
    kLvWriteIniString(file.c_str(), "S", "k", i % 2 ? "a" : "b");
  }
  EXPECT_LE(HandleCount(), before + 2);
}
