// No CD-ROM drive; a RAM disk R: beside Wine's own C: and Z:.
#include "klv_test.h"

using namespace klvtest;

TEST(NoCdRomDrive, NoneIsFound) {
  EXPECT_EQ(std::string(KLV_FN(kLvGetCDDrive)()), "-1");
  const auto isDriveCD = KLV_FN(kLvIsDriveCD);
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    for (const std::string& name : {std::string{letter, ':', '\\'}, std::string{letter, ':'}, std::string(1, letter)})
      EXPECT_EQ(isDriveCD(name.c_str()), 0) << name;
  }
  for (const char* name : {"", "?", "D:\\x", static_cast<const char*>(nullptr)}) EXPECT_EQ(isDriveCD(name), 0);
}

TEST(NoCdRomDrive, RamDiskIsListedWithCodeZero) {
  ASSERT_EQ(GetDriveTypeA("R:\\"), static_cast<UINT>(DRIVE_RAMDISK));
  EXPECT_EQ(std::string(KLV_FN(kLvGetDriveList)()), "C\\rR\\rZ\\r");
  EXPECT_EQ(KLV_FN(kLvGetDriveType)("R:\\"), 0);
  EXPECT_EQ(KLV_FN(kLvGetDriveType)("C:\\"), 2);
}
