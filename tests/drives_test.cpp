// Drives and the standard folders through the exports, in a prefix that has
// exactly a floppy drive A:, the fixed disk C: and a CD-ROM drive E:.
#include "klv_test.h"

#include <cstdint>

using namespace klvtest;

namespace {

class Drives : public ::testing::Test {
 protected:
  decltype(&kLvGetDriveType) driveType = KLV_FN(kLvGetDriveType);
  decltype(&kLvGetDriveList) driveList = KLV_FN(kLvGetDriveList);
  decltype(&kLvIsDriveCD) isDriveCD = KLV_FN(kLvIsDriveCD);
  decltype(&kLvGetCDDrive) cdDrive = KLV_FN(kLvGetCDDrive);
  decltype(&kLvGetWindowsDir) windowsDir = KLV_FN(kLvGetWindowsDir);
  decltype(&kLvGetSystemDir) systemDir = KLV_FN(kLvGetSystemDir);
  decltype(&kLvGetCurrentDir) currentDir = KLV_FN(kLvGetCurrentDir);
  decltype(&kLvGetFreeDiskSpace) freeSpace = KLV_FN(kLvGetFreeDiskSpace);

  std::string List() { return driveList(); }
  std::string Current() { return currentDir(); }
};

}  // namespace

TEST_F(Drives, FloppyFixedAndCdRomGiveTheirCodesAndTheList) {
  EXPECT_EQ(List(), "A\\rC\\rE\\r");
  EXPECT_EQ(std::string(cdDrive()), "E:\\");
  EXPECT_EQ(driveType("A:\\"), 1);
  EXPECT_EQ(driveType("C:\\"), 2);
  EXPECT_EQ(driveType("E:\\"), 4);
  EXPECT_EQ(driveType("e:\\"), 4);
  EXPECT_EQ(driveType("B:\\"), 0);  // no such drive
  EXPECT_EQ(driveType("Z:\\"), 0);  // removed from this prefix
  EXPECT_EQ(isDriveCD("E:\\"), 1);
  EXPECT_EQ(isDriveCD("A:\\"), 0);
  EXPECT_EQ(isDriveCD("C:\\"), 0);
  EXPECT_EQ(isDriveCD("B:\\"), 0);
}

TEST_F(Drives, NullDriveNames) {
  // kLvIsDriveCD hands the name to the platform unchanged: null asks about
  // the current drive. kLvGetDriveType reads null as the empty name.
  {
    CurrentFolder onCd("E:\\");
    ASSERT_TRUE(onCd.Changed());
    EXPECT_EQ(isDriveCD(nullptr), 1);
    EXPECT_EQ(driveType(nullptr), 0);
  }
  {
    CurrentFolder onC("C:\\");
    ASSERT_TRUE(onC.Changed());
    EXPECT_EQ(isDriveCD(nullptr), 0);
  }
  EXPECT_EQ(freeSpace(nullptr), -1);
}

TEST_F(Drives, BadDriveNamesGiveZero) {
  const std::string huge = "E:\\" + LongText(100000);
  EXPECT_EQ(driveType(huge.c_str()), 0);
  EXPECT_EQ(isDriveCD(huge.c_str()), 0);
  const std::string limit(32767, 'E');
  EXPECT_EQ(driveType(limit.c_str()), 0);
  EXPECT_EQ(isDriveCD(limit.c_str()), 0);
  for (const char* odd : {"", "?", "1:\\", "::\\", "\\\\", "\x01\xff", "*:\\"}) {
    EXPECT_EQ(driveType(odd), 0) << odd;
    EXPECT_EQ(isDriveCD(odd), 0) << odd;
  }
  // The list and the CD drive are what they were.
  EXPECT_EQ(List(), "A\\rC\\rE\\r");
  EXPECT_EQ(std::string(cdDrive()), "E:\\");
}

TEST_F(Drives, FreeSpaceReadsOnlyTheFirstCharacter) {
  const int c = freeSpace("c");
  EXPECT_GE(c, 0);
  for (const char* name : {"C", "C:", "c:\\", "C:\\windows", "cat"}) EXPECT_EQ(freeSpace(name), c) << name;
  const std::string huge = "c" + LongText(100000);
  EXPECT_EQ(freeSpace(huge.c_str()), c);
  for (const char* name : {"1", "", "?", ":", "\\", "\xe9", " c", "B", "b:\\", "Z", "q"})
    EXPECT_EQ(freeSpace(name), -1) << "'" << name << "'";
  EXPECT_GE(freeSpace("E:\\"), 0);
  EXPECT_GE(freeSpace("a"), 0);
}

TEST_F(Drives, FreeSpaceOfTwoGibibytesOrMoreIsTheLargestResult) {
  ULARGE_INTEGER available{}, total{}, free{};
  ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, &total, &free));
  if (available.QuadPart <= (std::uint64_t{1} << 31) + (std::uint64_t{1} << 28))
    GTEST_SKIP() << "drive C has only " << available.QuadPart << " bytes free";
  EXPECT_EQ(freeSpace("C"), 2147483647);
  EXPECT_EQ(freeSpace("c:\\"), 2147483647);
}

TEST_F(Drives, WindowsAndSystemFoldersAreWholeAndExist) {
  const std::string windows = windowsDir(), system = systemDir();
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
