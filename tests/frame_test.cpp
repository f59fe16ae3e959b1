// The library as its hosts see it: the file's import and export tables, the
// DLL_HEADER function directory, and the Authorware stand-in host calling
// through that directory.
#include <set>

#include "directory.h"
#include "klv_test.h"
#include "pe_image.h"
#include "ucd.h"

using namespace klvtest;

namespace {

struct Row {
  const char* name;
  const char* upper;
  const char* result;
  const char* args;
  const char* line;
};

#define KLV_ROW(name, upper, result, args, line) {#name, #upper, result, args, line},
const Row kRows[] = {KLV_FUNCTIONS(KLV_ROW)};
#undef KLV_ROW

std::string Decorated(const Row& row) {
  const std::string args = row.args;
  return std::string(row.name) + "@" + std::to_string(args == "V" ? 0 : 4 * args.size());
}

std::string Ucdhost(const std::string& arguments, int* exitCode) {
  const auto run = RunProcess("\"" + BinDir() + "\\ucdhost.exe\" \"" + BinDir() + "\\kLv_Tool.dll\" " + arguments);
  *exitCode = run.exitCode;
  return run.output;
}

}  // namespace

TEST(Binary, ImportsOnlySystemDlls) {
  for (const char* file : {"kLv_Tool.dll", "ucdhost.exe"}) {
    const auto image = ReadPeImage(BinDir() + "\\" + file);
    ASSERT_FALSE(image.imports.empty()) << file;
    for (const auto& dll : image.imports) EXPECT_TRUE(IsSystemDll(dll)) << file << " imports " << dll;
  }
}

TEST(Binary, ExportsDecoratedNamesUnderItsOwnName) {
  const auto image = ReadPeImage(BinDir() + "\\kLv_Tool.dll");
  EXPECT_EQ(image.exportName, "kLv_sys.dll");
  std::set<std::string> decorated;
  for (const auto& row : kRows) decorated.insert(Decorated(row));
  // Exactly the directory's functions, each under name@N only.
  const std::set<std::string> exported(image.exports.begin(), image.exports.end());
  EXPECT_EQ(exported, decorated);
  EXPECT_EQ(image.exports.size(), 27u);
}

TEST(Directory, NameListHas27NamesAndAnEmptyOne) {
  const std::string list = ucd::ResourceBytes(Library(), MAKEINTRESOURCEA(1));
  ASSERT_EQ(list.size(), 460u);
  std::string expected;
  for (const auto& row : kRows) expected += std::string(row.name) + '\0';
  expected += '\0';
  EXPECT_EQ(list, expected);
  EXPECT_EQ(sizeof(kRows) / sizeof(kRows[0]), 27u);
}

TEST(Directory, ResourcesAreLanguageNeutral) {
  EXPECT_NE(FindResourceExA(Library(), "DLL_HEADER", MAKEINTRESOURCEA(1), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)),
            nullptr);
  EXPECT_NE(FindResourceExA(Library(), "DLL_HEADER", "KLVGETFREEDISKSPACE", MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)),
            nullptr);
}

TEST(Directory, EveryFunctionHasItsUpperCaseEntry) {
  const std::string notice = KLV_NOTICE;
  for (const auto& row : kRows) {
    std::string upper = row.name;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(upper, row.upper);
    const std::string expected = std::string(1, '\0') + row.result + '\0' + row.args + '\0' + row.line +
                                 "\r\n\r\n" + notice + '\0';
    EXPECT_EQ(ucd::ResourceBytes(Library(), upper.c_str()), expected) << upper;
    EXPECT_EQ(std::string(row.line).rfind(std::string("Result:=") + row.name + "(", 0), 0u) << row.line;
  }
  // The notice is ours: three lines, no break after the last.
  EXPECT_EQ(std::count(notice.begin(), notice.end(), '\n'), 2);
  EXPECT_NE(notice.find("1.7"), std::string::npos);
  EXPECT_NE(notice.back(), '\n');
}

TEST(Directory, CopyFileEntryHoldsTheDocumentedBytes) {
  const std::string bytes = ucd::ResourceBytes(Library(), "KLVCOPYFILE");
  const std::string head = std::string("\0I\0SS\0", 6) + "Result:=kLvCopyFile(SourceFileName,DestinationFileName)\r\n\r\n";
  ASSERT_GT(bytes.size(), head.size());
  EXPECT_EQ(bytes.substr(0, head.size()), head);
  EXPECT_EQ(bytes.back(), '\0');
  EXPECT_EQ(bytes.find('\0', head.size()), bytes.size() - 1);
}

TEST(Directory, NoArgumentFunctionsAreVAndAt0) {
  const auto functions = ucd::ReadDirectory(Library());
  ASSERT_EQ(functions.size(), 27u);
  int none = 0;
  for (const auto& f : functions) {
    if (f.argTypes == "V") {
      ++none;
      EXPECT_EQ(f.ArgCount(), 0u);
    }
    EXPECT_TRUE(f.resultType == "S" || f.resultType == "I" || f.resultType == "L") << f.name;
  }
  EXPECT_EQ(none, 7);
  EXPECT_EQ(functions[19].name, "kLvGetFreeDiskSpace");
  EXPECT_EQ(functions[19].resultType, "L");
}

TEST(UcdHost, ListsTheDirectory) {
  int code = 0;
  const std::string listing = Ucdhost("", &code);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 27);
  EXPECT_NE(listing.find("kLvReadIniInteger"), std::string::npos);
  EXPECT_NE(listing.find("Result:=kLvWriteIniString(FileName, Section, Label, Value)"), std::string::npos);
}

TEST(UcdHost, CallsThroughTheDirectory) {
  TempDir dir;
  const std::string ini = dir / "host.ini";
  int code = 0;
  EXPECT_EQ(Ucdhost("kLvWriteIniString \"" + ini + "\" Sec Key 0x2A", &code), "0\n");
  EXPECT_EQ(code, 0);
  EXPECT_EQ(Ucdhost("kLvReadIniString \"" + ini + "\" Sec Key none", &code), "0x2A\n");
  EXPECT_EQ(Ucdhost("kLvReadIniInteger \"" + ini + "\" Sec Key -3", &code), "42\n");
  EXPECT_EQ(Ucdhost("kLvReadIniInteger \"" + ini + "\" Sec Missing -3", &code), "-3\n");
  EXPECT_EQ(code, 0);
}

TEST(UcdHost, RefusesBadCallsWithoutCalling) {
  TempDir dir;
  const std::string ini = dir / "never.ini";
  int code = 0;
  Ucdhost("kLvNoSuchFunction 1", &code);
  EXPECT_EQ(code, 2);
  Ucdhost("kLvWriteIniString \"" + ini + "\" Sec Key", &code);  // one argument short
  EXPECT_EQ(code, 2);
  Ucdhost("kLvReadIniInteger \"" + ini + "\" Sec Key twelve", &code);
  EXPECT_EQ(code, 2);
  Ucdhost("kLvReadIniInteger \"" + ini + "\" Sec Key 99999999999", &code);
  EXPECT_EQ(code, 2);
  EXPECT_FALSE(Exists(ini));
}
