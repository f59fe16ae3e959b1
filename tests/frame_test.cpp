// The library as its hosts see it: the file's import and export tables, the
// DLL_HEADER function directory, and the Authorware stand-in host calling
// through that directory.
#include <algorithm>
#include <set>
#include <vector>

#include "directory.h"
#include "klv_test.h"
#include "pe_image.h"
#include "ucd.h"

using namespace klvtest;

namespace {

struct Row {
  const char* name;
  const char* result;
  const char* args;
  const char* line;
};

// The directory as the library builds it.
#define KLV_ROW(name, upper, result, args, line) {#name, result, args, line},
const Row kRows[] = {KLV_FUNCTIONS(KLV_ROW)};
#undef KLV_ROW
constexpr std::size_t kRowCount = sizeof(kRows) / sizeof(kRows[0]);

// The first 27 rows as hosts have always read them; they never change, and
// later functions are appended after them.
const Row kOriginalRows[] = {
    {"kLvReadIniString", "S", "SSSS", "Result:=kLvReadIniString(FileName, Section, Label, Default)"},
    {"kLvReadIniInteger", "I", "SSSI", "Result:=kLvReadIniInteger(FileName, Section, Label, Default)"},
    {"kLvWriteIniString", "I", "SSSS", "Result:=kLvWriteIniString(FileName, Section, Label, Value)"},
    {"kLvReadRegString", "S", "SSSSS", "Result:=kLvReadRegString(RootKeyName, KeyName, Section, Label, Default)"},
    {"kLvReadRegInteger", "I", "SSSSI", "Result:=kLvReadRegInteger(RootKeyName, KeyName, Section, Label, Default)"},
    {"kLvWriteRegString", "I", "SSSSS", "Result:=kLvWriteRegString(RootKeyName, KeyName, Section, Label, Value)"},
    {"kLvWriteRegInteger", "I", "SSSSI", "Result:=kLvWriteRegInteger(RootKeyName, KeyName, Section, Label, Value)"},
    {"kLvCreateDirectory", "I", "S", "Result:=kLvCreateDirectory(DirectoryName)"},
    {"kLvRemoveDirectory", "I", "S", "Result:=kLvRemoveDirectory(DirectoryName)"},
    {"kLvCopyFile", "I", "SS", "Result:=kLvCopyFile(SourceFileName,DestinationFileName)"},
    {"kLvMoveFile", "I", "SS", "Result:=kLvMoveFile(SourceFileName,DestinationFileName)"},
    {"kLvDoesFileExist", "I", "S", "Result:=kLvDoesFileExist(FileName)"},
    {"kLvGetDriveType", "I", "S", "Result:=kLvGetDriveType(DriveName)"},
    {"kLvGetDriveList", "S", "V", "Result:=kLvGetDriveList()"},
    {"kLvIsDriveCD", "I", "S", "Result:=kLvIsDriveCD(DriveName)"},
    {"kLvGetCDDrive", "S", "V", "Result:=kLvGetCDDrive()"},
    {"kLvGetWindowsDir", "S", "V", "Result:=kLvGetWindowsDir()"},
    {"kLvGetSystemDir", "S", "V", "Result:=kLvGetSystemDir()"},
    {"kLvGetCurrentDir", "S", "V", "Result:=kLvGetCurrentDir()"},
    {"kLvGetFreeDiskSpace", "L", "S", "Result:=kLvGetFreeDiskSpace(DriveName)"},
    {"kLvOpenFile", "S", "SSSSS", "Result:=kLvOpenFile(FTitle,FdefaultDir,FdefaultName,FdefaultExt,FFilter)"},
    {"kLvSaveFile", "S", "SSSSS", "Result:=kLvSaveFile(FTitle,FdefaultDir,FdefaultName,FdefaultExt,FFilter)"},
    {"kLvMessageBox", "S", "SSSSI", "Result:=kLvMessageBox(MessageText, CaptionText, Buttons, Icon, DefaultButton)"},
    {"kLvToolVer", "S", "V", "Result:=kLvToolVer()"},
    {"kLvGetEnvironmentStrings", "S", "V", "Result:=kLvGetEnvironmentStrings()"},
    {"kLvGetEnvironmentVariable", "S", "S", "Result:=kLvGetEnvironmentVariable(variableName)"},
    {"kLvSetEnvironmentVariable", "I", "SS", "Result:=kLvSetEnvironmentVariable(variableName, value)"},
};
constexpr std::size_t kOriginalCount = sizeof(kOriginalRows) / sizeof(kOriginalRows[0]);
static_assert(kRowCount >= kOriginalCount, "rows are only ever appended");

// The functions added after them, in the order they were appended.
const Row kAddedRows[] = {
    {"kLvDeleteFile", "I", "S", "Result:=kLvDeleteFile(FileName)"},
    {"kLvGetSpecialFolder", "S", "S", "Result:=kLvGetSpecialFolder(FolderName)"},
    {"kLvGetFileInfo", "S", "SS", "Result:=kLvGetFileInfo(FileName, What)"},
    {"kLvGetDriveInfo", "S", "SS", "Result:=kLvGetDriveInfo(DriveName, What)"},
};
constexpr std::size_t kKnownCount = kOriginalCount + sizeof(kAddedRows) / sizeof(kAddedRows[0]);
static_assert(kRowCount >= kKnownCount, "the added rows stay, later ones follow them");

// The rows the library must carry: the original ones, the added ones, then
// any appended since.
std::vector<Row> ExpectedRows() {
  std::vector<Row> rows(kOriginalRows, kOriginalRows + kOriginalCount);
  rows.insert(rows.end(), std::begin(kAddedRows), std::end(kAddedRows));
  for (std::size_t i = kKnownCount; i < kRowCount; ++i) rows.push_back(kRows[i]);
  return rows;
}

std::string Decorated(const std::string& name, const std::string& args) {
  return name + "@" + std::to_string(args == "V" ? 0 : 4 * args.size());
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return text;
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
  for (const auto& row : ExpectedRows()) {
    decorated.insert(Decorated(row.name, row.args));
    decorated.insert(Decorated(std::string(row.name) + "W", row.args));
  }
  // Exactly the directory's functions, each under name@N and its wide twin
  // under nameW@N.
  const std::set<std::string> exported(image.exports.begin(), image.exports.end());
  EXPECT_EQ(exported, decorated);
  EXPECT_EQ(image.exports.size(), 2 * kRowCount);
  for (const char* added : {"kLvDeleteFile@4", "kLvGetSpecialFolder@4", "kLvGetFileInfo@8", "kLvGetDriveInfo@8"})
    EXPECT_EQ(exported.count(added), 1u) << added;
}

TEST(Directory, NameListHasEveryNameAndAnEmptyOne) {
  const std::string list = ucd::ResourceBytes(Library(), MAKEINTRESOURCEA(1));
  std::string expected;
  for (const auto& row : ExpectedRows()) expected += std::string(row.name) + '\0';
  expected += '\0';
  EXPECT_EQ(list, expected);
}

TEST(Directory, ResourcesAreLanguageNeutral) {
  EXPECT_NE(FindResourceExA(Library(), "DLL_HEADER", MAKEINTRESOURCEA(1), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)),
            nullptr);
  EXPECT_NE(FindResourceExA(Library(), "DLL_HEADER", "KLVGETFREEDISKSPACE", MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)),
            nullptr);
}

// Each function's upper-case entry holds its row and the one notice, whose
// first line names the version that kLvToolVer answers.
TEST(Directory, EveryFunctionHasItsUpperCaseEntry) {
  const std::string version = KLV_FN(kLvToolVer)();
  std::string notice;
  for (const auto& row : ExpectedRows()) {
    const std::string upper = Upper(row.name);
    const std::string bytes = ucd::ResourceBytes(Library(), upper.c_str());
    const std::string head = std::string(1, '\0') + row.result + '\0' + row.args + '\0' + row.line + "\r\n\r\n";
    ASSERT_GT(bytes.size(), head.size()) << upper;
    EXPECT_EQ(bytes.substr(0, head.size()), head) << upper;
    EXPECT_EQ(bytes.back(), '\0') << upper;
    const std::string tail = bytes.substr(head.size(), bytes.size() - head.size() - 1);
    if (notice.empty()) notice = tail;
    EXPECT_EQ(tail, notice) << upper;
  }
  // Three lines with CR LF between them and no break after the last.
  EXPECT_EQ(notice.substr(0, notice.find("\r\n")), "kLv_Tool.dll version " + version);
  EXPECT_EQ(std::count(notice.begin(), notice.end(), '\r'), 2);
  EXPECT_EQ(std::count(notice.begin(), notice.end(), '\n'), 2);
  EXPECT_EQ(notice.find("\r\n\r\n"), std::string::npos);
  EXPECT_NE(notice.back(), '\n');
  EXPECT_EQ(notice.find('\0'), std::string::npos);
}

TEST(Directory, CopyFileEntryHoldsTheDocumentedBytes) {
  const std::string bytes = ucd::ResourceBytes(Library(), "KLVCOPYFILE");
  const std::string head = std::string("\0I\0SS\0", 6) + "Result:=kLvCopyFile(SourceFileName,DestinationFileName)\r\n\r\n";
  ASSERT_GT(bytes.size(), head.size());
  EXPECT_EQ(bytes.substr(0, head.size()), head);
  EXPECT_EQ(bytes.back(), '\0');
  EXPECT_EQ(bytes.find('\0', head.size()), bytes.size() - 1);
}

// What a UCD host reads: every function is exported under the decorated
// name its letters give, "V" alone standing for no arguments.
TEST(Directory, LettersNameTheExports) {
  const auto functions = ucd::ReadDirectory(Library());
  ASSERT_EQ(functions.size(), kRowCount);
  const auto image = ReadPeImage(BinDir() + "\\kLv_Tool.dll");
  const std::set<std::string> exported(image.exports.begin(), image.exports.end());
  int none = 0;
  for (const auto& f : functions) {
    EXPECT_EQ(exported.count(Decorated(f.name, f.argTypes)), 1u) << f.name;
    if (f.argTypes == "V") ++none;
    EXPECT_TRUE(f.resultType == "S" || f.resultType == "I" || f.resultType == "L") << f.name;
  }
  EXPECT_GE(none, 7);
  EXPECT_EQ(functions[19].name, "kLvGetFreeDiskSpace");
  EXPECT_EQ(functions[19].resultType, "L");
}

TEST(UcdHost, ListsTheDirectory) {
  int code = 0;
  const std::string listing = Ucdhost("", &code);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), static_cast<long>(kRowCount));
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
  // The appended functions, through the same directory.
  EXPECT_EQ(Ucdhost("kLvRunProgram \"" + (dir / "missing.exe") + "\" C:\\ normal 1", &code), "-1\n");
  EXPECT_EQ(Ucdhost("kLvShellExecute open \"" + (dir / "missing.txt") + "\" none C:\\ hidden", &code), "2\n");
  EXPECT_EQ(Ucdhost("kLvCopyFileProgress \"" + (dir / "none*.x") + "\" \"" + (dir / "y") + "\" Copy", &code), "1\n");
  EXPECT_EQ(code, 0);
}

TEST(UcdHost, ListsAndCallsTheAddedFunctions) {
  int code = 0;
  const std::string listing = Ucdhost("", &code);
  for (const auto& row : kAddedRows) EXPECT_NE(listing.find(row.line), std::string::npos) << row.name;
  TempDir dir;
  const std::string file = dir / "gone.txt";
  ASSERT_TRUE(WriteFile(file, "12345"));
  EXPECT_EQ(Ucdhost("kLvGetFileInfo \"" + file + "\" SIZE", &code), "5\n");
  EXPECT_EQ(Ucdhost("kLvDeleteFile \"" + file + "\"", &code), "0\n");
  EXPECT_FALSE(Exists(file));
  EXPECT_EQ(Ucdhost("kLvDeleteFile \"" + file + "\"", &code), "1\n");
  EXPECT_EQ(Ucdhost("kLvGetDriveInfo c: type", &code), "fixed\n");
  EXPECT_EQ(Ucdhost("kLvGetSpecialFolder Windows", &code), std::string(KLV_FN(kLvGetWindowsDir)()) + "\n");
  EXPECT_EQ(Ucdhost("kLvGetSpecialFolder Nowhere", &code), "-1\n");
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
