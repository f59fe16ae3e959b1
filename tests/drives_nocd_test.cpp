// No CD-ROM drive; a RAM disk R: beside Wine's own C: and Z:.
#include "klv_test.h"

using namespace klvtest;

TEST(NoCdRomDrive, NoneIsFound) {
  EXPECT_EQ(std::string(kLvGetCDDrive()), "-1");
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    for (const std::string& name : {std::string{letter, ':', '\\'}, std::string{letter, ':'}, std::string(1, letter)})
      EXPECT_EQ(kLvIsDriveCD(name.c_str()), 0) << name;
  }
  for (const char* name : {"", "?", "D:\\x", static_cast<const char*>(nullptr)}) EXPECT_EQ(kLvIsDriveCD(name), 0);
}

TEST(NoCdRomDrive, RamDiskIsListedWithCodeZero) {
  ASSERT_EQ(GetDriveTypeA("R:\\"), static_cast<UINT>(DRIVE_RAMDISK));
  EXPECT_EQ(std::string(kLvGetDriveList()), "C\\rR\\rZ\\r");
  EXPECT_EQ(kLvGetDriveType("R:\\"), 0);
  EXPECT_EQ(kLvGetDriveType("C:\\"), 2);
}
