// Drives and the standard folders through the exports, in a prefix that has
// exactly a floppy drive A: (no disk in it), the fixed disk C: and a CD-ROM
// drive E:.
#include "klv_test.h"

#include <shlobj.h>

#include <cstdint>
#include <regex>

using namespace klvtest;

namespace {

class Drives : public ::testing::Test {
 protected:
  std::string List() { return kLvGetDriveList(); }
  std::string Current() { return kLvGetCurrentDir(); }
  std::string Special(const char* keyword) { return kLvGetSpecialFolder(keyword); }
  std::string Info(const char* drive, const char* what) { return kLvGetDriveInfo(drive, what); }
};

// The keywords of kLvGetSpecialFolder with the shell's folder numbers.
const std::pair<const char*, int> kShellFolders[] = {
    {"Desktop", CSIDL_DESKTOPDIRECTORY},       {"Documents", CSIDL_PERSONAL},
    {"Favorites", CSIDL_FAVORITES},            {"Music", CSIDL_MYMUSIC},
    {"Pictures", CSIDL_MYPICTURES},            {"Videos", CSIDL_MYVIDEO},
    {"AppData", CSIDL_APPDATA},                {"LocalAppData", CSIDL_LOCAL_APPDATA},
    {"CommonAppData", CSIDL_COMMON_APPDATA},   {"CommonDocuments", CSIDL_COMMON_DOCUMENTS},
    {"CommonDesktop", CSIDL_COMMON_DESKTOPDIRECTORY}, {"ProgramFiles", CSIDL_PROGRAM_FILES},
    {"CommonFiles", CSIDL_PROGRAM_FILES_COMMON}, {"StartMenu", CSIDL_STARTMENU},
    {"Programs", CSIDL_PROGRAMS},              {"Startup", CSIDL_STARTUP},
    {"CommonStartMenu", CSIDL_COMMON_STARTMENU}, {"CommonPrograms", CSIDL_COMMON_PROGRAMS},
    {"Fonts", CSIDL_FONTS},                    {"Windows", CSIDL_WINDOWS},
    {"System", CSIDL_SYSTEM},
};

std::string Trimmed(std::string path) {
  if (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

// Sets an environment variable for one test and puts the old value back.
class Variable {
 public:
  Variable(const char* name, const char* value) : name_(name) {
    char old[4096];
    const DWORD length = GetEnvironmentVariableA(name, old, sizeof(old));
    had_ = length > 0 && length < sizeof(old);
    if (had_) old_ = old;
    SetEnvironmentVariableA(name, value);
  }
  ~Variable() { SetEnvironmentVariableA(name_, had_ ? old_.c_str() : nullptr); }
  Variable(const Variable&) = delete;
  Variable& operator=(const Variable&) = delete;

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

}  // namespace

TEST_F(Drives, FloppyFixedAndCdRomGiveTheirCodesAndTheList) {
  EXPECT_EQ(List(), "A\\rC\\rE\\r");
  EXPECT_EQ(std::string(kLvGetCDDrive()), "E:\\");
  EXPECT_EQ(kLvGetDriveType("A:\\"), 1);
  EXPECT_EQ(kLvGetDriveType("C:\\"), 2);
  EXPECT_EQ(kLvGetDriveType("E:\\"), 4);
  EXPECT_EQ(kLvGetDriveType("e:\\"), 4);
  EXPECT_EQ(kLvGetDriveType("B:\\"), 0);  // no such drive
  EXPECT_EQ(kLvGetDriveType("Z:\\"), 0);  // removed from this prefix
  EXPECT_EQ(kLvIsDriveCD("E:\\"), 1);
  EXPECT_EQ(kLvIsDriveCD("A:\\"), 0);
  EXPECT_EQ(kLvIsDriveCD("C:\\"), 0);
  EXPECT_EQ(kLvIsDriveCD("B:\\"), 0);
}

TEST_F(Drives, NullDriveNames) {
  // kLvIsDriveCD hands the name to the platform unchanged: null asks about
  // the current drive. kLvGetDriveType reads null as the empty name.
  {
    CurrentFolder onCd("E:\\");
    ASSERT_TRUE(onCd.Changed());
    EXPECT_EQ(kLvIsDriveCD(nullptr), 1);
    EXPECT_EQ(kLvGetDriveType(nullptr), 0);
  }
  {
    CurrentFolder onC("C:\\");
    ASSERT_TRUE(onC.Changed());
    EXPECT_EQ(kLvIsDriveCD(nullptr), 0);
  }
  EXPECT_EQ(kLvGetFreeDiskSpace(nullptr), -1);
}

TEST_F(Drives, FreeSpaceReadsOnlyTheFirstCharacter) {
  const int c = kLvGetFreeDiskSpace("c");
  EXPECT_GE(c, 0);
  for (const char* name : {"C", "C:", "c:\\", "C:\\windows", "cat"}) EXPECT_EQ(kLvGetFreeDiskSpace(name), c) << name;
  const std::string huge = "c" + LongText(100000);
  EXPECT_EQ(kLvGetFreeDiskSpace(huge.c_str()), c);
  for (const char* name : {"1", "", "?", ":", "\\", "\xe9", " c", "B", "b:\\", "Z", "q"})
    EXPECT_EQ(kLvGetFreeDiskSpace(name), -1) << "'" << name << "'";
  EXPECT_GE(kLvGetFreeDiskSpace("E:\\"), 0);
  EXPECT_EQ(kLvGetFreeDiskSpace("a"), -1);  // no disk in the floppy drive, and no box asking for one
}

TEST_F(Drives, FreeSpaceOfTwoGibibytesOrMoreIsTheLargestResult) {
  ULARGE_INTEGER available{}, total{}, free{};
  ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, &total, &free));
  if (available.QuadPart <= (std::uint64_t{1} << 31) + (std::uint64_t{1} << 28))
    GTEST_SKIP() << "drive C has only " << available.QuadPart << " bytes free";
  EXPECT_EQ(kLvGetFreeDiskSpace("C"), 2147483647);
  EXPECT_EQ(kLvGetFreeDiskSpace("c:\\"), 2147483647);
}

TEST_F(Drives, WindowsAndSystemFoldersAreWholeAndExist) {
  const std::string windows = kLvGetWindowsDir(), system = kLvGetSystemDir();
  ASSERT_NE(windows, "-1");
  ASSERT_NE(system, "-1");
  EXPECT_TRUE(IsFolder(windows)) << windows;
  EXPECT_TRUE(IsFolder(system)) << system;
  EXPECT_EQ(system.rfind(windows + "\\", 0), 0u) << system;
  char expected[1024];
  ASSERT_GT(GetWindowsDirectoryA(expected, sizeof(expected)), 0u);
  EXPECT_EQ(windows, expected);
  ASSERT_GT(GetSystemDirectoryA(expected, sizeof(expected)), 0u);
  EXPECT_EQ(system, expected);
}

TEST_F(Drives, CurrentFolderComesBackWhole) {
  TempDir dir;
  const std::string deep = dir / LongText(70) + "\\" + LongText(50, 'k');
  ASSERT_TRUE(CreateDirectoryA((dir / LongText(70)).c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
  ASSERT_GT(deep.size(), 140u);
  {
    CurrentFolder inside(deep);
    ASSERT_TRUE(inside.Changed());
    EXPECT_EQ(Current(), deep);
  }
  {
    CurrentFolder root("C:\\");
    ASSERT_TRUE(root.Changed());
    EXPECT_EQ(Current(), "C:\\");
  }
  {
    CurrentFolder withSlash(dir.Path() + "\\");
    ASSERT_TRUE(withSlash.Changed());
    EXPECT_EQ(Current(), dir.Path());
  }
}

TEST_F(Drives, SpecialFoldersAreWhatTheShellReports) {
  for (const auto& [keyword, csidl] : kShellFolders) {
    char expected[MAX_PATH + 1] = {};
    ASSERT_EQ(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, expected), S_OK) << keyword;
    const std::string path = Special(keyword);
    EXPECT_EQ(path, Trimmed(expected)) << keyword;
    EXPECT_TRUE(IsFolder(path)) << keyword;
    std::string upper = keyword, lower = keyword;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(Special(upper.c_str()), path) << upper;
    EXPECT_EQ(Special(lower.c_str()), path) << lower;
  }
  char temp[MAX_PATH + 1] = {}, windows[MAX_PATH + 1] = {}, system[MAX_PATH + 1] = {};
  ASSERT_GT(GetTempPathA(sizeof(temp), temp), 0u);
  EXPECT_EQ(Special("Temp"), Trimmed(temp));
  EXPECT_EQ(Special("tEMP"), Trimmed(temp));
  ASSERT_GT(GetWindowsDirectoryA(windows, sizeof(windows)), 0u);
  ASSERT_GT(GetSystemDirectoryA(system, sizeof(system)), 0u);
  EXPECT_EQ(Special("Windows"), windows);
  EXPECT_EQ(Special("system"), system);
  const std::string huge = LongText(100000);
  for (const char* unknown : {"", "Cookies", "Desktop ", " Temp", "Program Files", "Windows\\", "Tem", "Tempo",
                              "\xc4ppData", huge.c_str(), static_cast<const char*>(nullptr)})
    EXPECT_EQ(Special(unknown), "-1") << (unknown ? std::string(unknown).substr(0, 20) : "(null)");
}

TEST_F(Drives, SpecialFolderThatIsNotThereIsNoneAndIsNotMade) {
  TempDir dir;
  const std::string missing = dir / "no\\such\\temp";
  {
    Variable tmp("TMP", missing.c_str()), temp("TEMP", missing.c_str());
    char reported[MAX_PATH + 1] = {};
    ASSERT_GT(GetTempPathA(sizeof(reported), reported), 0u);
    ASSERT_EQ(Trimmed(reported), missing);
    EXPECT_EQ(Special("Temp"), "-1");
  }
  EXPECT_FALSE(Exists(dir / "no"));
  // A temporary folder at a drive root keeps its backslash.
  Variable tmp("TMP", "C:\\"), temp("TEMP", "C:\\");
  EXPECT_EQ(Special("Temp"), "C:\\");
}

TEST_F(Drives, DriveFactsOfTheFixedDisk) {
  ULARGE_INTEGER before{}, total{}, after{};
  ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &before, &total, nullptr));
  const std::string free = Info("C", "free");
  ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &after, nullptr, nullptr));
  EXPECT_EQ(Info("c:\\windows", "total"), std::to_string(total.QuadPart));
  // Other programs write to the same disk: the answer lies between the two readings, give or take.
  const std::uint64_t low = std::min(before.QuadPart, after.QuadPart), high = std::max(before.QuadPart, after.QuadPart);
  const std::uint64_t answered = std::stoull(free);
  EXPECT_GE(answered + (64u << 20), low);
  EXPECT_LE(answered, high + (64u << 20));
  if (total.QuadPart > (std::uint64_t{1} << 32)) {
    EXPECT_GE(Info("C", "total").size(), 10u);  // whole, past any 32-bit ceiling
  }

  char label[MAX_PATH + 1] = {}, fileSystem[MAX_PATH + 1] = {};
  DWORD serial = 0;
  ASSERT_TRUE(GetVolumeInformationA("C:\\", label, sizeof(label), &serial, nullptr, nullptr, fileSystem,
                                    sizeof(fileSystem)));
  char serialText[16];
  snprintf(serialText, sizeof(serialText), "%04X-%04X", static_cast<unsigned>(HIWORD(serial)),
           static_cast<unsigned>(LOWORD(serial)));
  EXPECT_EQ(Info("C:", "label"), label);
  EXPECT_EQ(Info("C:", "serial"), serialText);
  EXPECT_TRUE(std::regex_match(Info("C:", "serial"), std::regex("[0-9A-F]{4}-[0-9A-F]{4}")));
  EXPECT_EQ(Info("C:", "filesystem"), fileSystem);
  EXPECT_EQ(Info("C:", "type"), "fixed");
  // The word and the name in any case; only the first character names the drive.
  EXPECT_EQ(Info("cat", "TYPE"), "fixed");
  EXPECT_EQ(Info("C", "FileSystem"), fileSystem);
}

TEST_F(Drives, DriveFactsOfRemovableCdRomAndMissingDrives) {
  EXPECT_EQ(Info("E", "type"), "cdrom");
  char fileSystem[MAX_PATH + 1] = {};
  ASSERT_TRUE(GetVolumeInformationA("E:\\", nullptr, 0, nullptr, nullptr, nullptr, fileSystem, sizeof(fileSystem)));
  EXPECT_EQ(Info("e:\\", "filesystem"), fileSystem);
  ULARGE_INTEGER total{};
  ASSERT_TRUE(GetDiskFreeSpaceExA("E:\\", nullptr, &total, nullptr));
  EXPECT_EQ(Info("E:", "total"), std::to_string(total.QuadPart));
  // The floppy drive has no disk: only its kind is known, and nobody is asked for a disk.
  EXPECT_EQ(Info("A", "type"), "removable");
  const std::string huge = LongText(100000);
  for (const char* what : {"free", "total", "label", "serial", "filesystem"}) {
    EXPECT_EQ(Info("a:\\", what), "-1") << what;
    EXPECT_EQ(Info("B", what), "-1") << what;  // no such drive
    EXPECT_EQ(Info("Z", what), "-1") << what;  // removed from this prefix
  }
  // Unusable names and words.
  const std::string hugeName = "?" + huge;
  for (const char* drive : {"", "1", "?", " c", "\\\\server\\share", "\xe9", hugeName.c_str(),
                            static_cast<const char*>(nullptr)}) {
    EXPECT_EQ(kLvGetDriveInfo(drive, "type"), std::string("-1")) << (drive ? std::string(drive).substr(0, 20) : "(null)");
  }
  for (const char* what : {"", "size", "types", "free ", "Free\x01", huge.c_str(), static_cast<const char*>(nullptr)})
    EXPECT_EQ(kLvGetDriveInfo("C", what), std::string("-1")) << (what ? std::string(what).substr(0, 20) : "(null)");
  EXPECT_EQ(Info("B", "type"), "-1");
  const DWORD handles = HandleCount();
  for (int i = 0; i < 10; ++i)
    for (const char* drive : {"A", "B", "C", "E"})
      for (const char* what : {"free", "label", "type"}) Info(drive, what);
  EXPECT_EQ(HandleCount(), handles);
}
