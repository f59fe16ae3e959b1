// Two CD-ROM drives, D: and F:, beside Wine's own C: and Z:.
#include "klv_test.h"

using namespace klvtest;

TEST(TwoCdRomDrives, TheFirstIsTheCdDrive) {
  EXPECT_EQ(std::string(kLvGetCDDrive()), "D:\\");
  EXPECT_EQ(std::string(kLvGetDriveList()), "C\\rD\\rF\\rZ\\r");
  for (const char* root : {"D:\\", "F:\\", "d:\\", "f:\\"}) {
    EXPECT_EQ(kLvIsDriveCD(root), 1) << root;
    EXPECT_EQ(kLvGetDriveType(root), 4) << root;
  }
  EXPECT_EQ(kLvIsDriveCD("E:\\"), 0);
  EXPECT_EQ(kLvIsDriveCD("C:\\"), 0);
  EXPECT_EQ(kLvGetDriveType("Z:\\"), 2);
}
