// The library as its hosts see it: the file's import and export tables, the
// DLL_HEADER function directory, and the Authorware stand-in host calling
// through that directory.
#include <algorithm>
#include <set>
#include <sstream>
#include <vector>

#include "directory.h"
#include "klv_test.h"
#include "original.h"
#include "pe_image.h"
#include "ucd.h"

using namespace klvtest;

namespace {

// The directory as the library builds it.
#define KLV_ROW(name, upper, result, args, line) {#name, result, args, line},
const DirectoryRow kRows[] = {KLV_FUNCTIONS(KLV_ROW)};
#undef KLV_ROW
constexpr std::size_t kRowCount = sizeof(kRows) / sizeof(kRows[0]);
static_assert(kRowCount >= kOriginalCount, "rows are only ever appended");

// The rows the library must carry: the original ones as hosts have always
// read them, then those appended since.
std::vector<DirectoryRow> ExpectedRows() {
  std::vector<DirectoryRow> rows(kOriginalRows, kOriginalRows + kOriginalCount);
  rows.insert(rows.end(), kRows + kOriginalCount, kRows + kRowCount);
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

// Windows XP is the floor: no deliverable imports what only later
// versions have (the C++ runtime would take GetTickCount64).
TEST(Binary, DeliverablesImportNothingWindowsXpLacks) {
  const std::set<std::string> later = {"GetTickCount64", "InitializeConditionVariable", "SleepConditionVariableCS",
                                       "WakeConditionVariable", "InitializeSRWLock", "AcquireSRWLockExclusive",
                                       "InitOnceExecuteOnce", "GetFileInformationByHandleEx", "CreateSymbolicLinkW"};
  for (const char* file : {"kLv_Tool.dll", "kLvTools.x32", "autorun.exe"}) {
    const auto image = ReadPeImage(BinDir() + "\\" + file);
    ASSERT_FALSE(image.importedFunctions.empty()) << file;
    for (const auto& function : image.importedFunctions) EXPECT_EQ(later.count(function), 0u) << file << ": " << function;
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
// first line names the version that kLvToolVer answers (and always has).
TEST(Directory, EveryFunctionHasItsUpperCaseEntry) {
  const std::string version = kLvToolVer();
  EXPECT_EQ(version, kOriginalVersion);
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

// The listing: one line per row, in directory order, with its letters and
// the first line of its description, as the host read them.
TEST(UcdHost, ListsTheDirectory) {
  int code = 0;
  const auto lines = Lines(Ucdhost("", &code));
  EXPECT_EQ(code, 0);
  ASSERT_EQ(lines.size(), kRowCount);
  for (std::size_t i = 0; i < kRowCount; ++i) {
    std::istringstream fields(lines[i]);
    std::string name, result, args, line;
    fields >> name >> result >> args >> std::ws;
    std::getline(fields, line);
    EXPECT_EQ(name, kRows[i].name);
    EXPECT_EQ(result, kRows[i].result) << name;
    EXPECT_EQ(args, kRows[i].args) << name;
    EXPECT_EQ(line, kRows[i].line) << name;
  }
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

TEST(UcdHost, CallsTheAddedFunctions) {
  int code = 0;
  TempDir dir;
  const std::string file = dir / "gone.txt";
  ASSERT_TRUE(WriteFile(file, "12345"));
  EXPECT_EQ(Ucdhost("kLvGetFileInfo \"" + file + "\" SIZE", &code), "5\n");
  EXPECT_EQ(Ucdhost("kLvDeleteFile \"" + file + "\"", &code), "0\n");
  EXPECT_FALSE(Exists(file));
  EXPECT_EQ(Ucdhost("kLvDeleteFile \"" + file + "\"", &code), "1\n");
  EXPECT_EQ(Ucdhost("kLvGetDriveInfo c: type", &code), "fixed\n");
  EXPECT_EQ(Ucdhost("kLvGetSpecialFolder Windows", &code), std::string(kLvGetWindowsDir()) + "\n");
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
