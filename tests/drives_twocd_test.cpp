// Two CD-ROM drives, D: and F:, beside Wine's own C: and Z:.
#include "klv_test.h"

using namespace klvtest;

TEST(TwoCdRomDrives, TheFirstIsTheCdDrive) {
  EXPECT_EQ(std::string(KLV_FN(kLvGetCDDrive)()), "D:\\");
  EXPECT_EQ(std::string(KLV_FN(kLvGetDriveList)()), "C\\rD\\rF\\rZ\\r");
  const auto isDriveCD = KLV_FN(kLvIsDriveCD);
  const auto driveType = KLV_FN(kLvGetDriveType);
  for (const char* root : {"D:\\", "F:\\", "d:\\", "f:\\"}) {
    EXPECT_EQ(isDriveCD(root), 1) << root;
    EXPECT_EQ(driveType(root), 4) << root;
  }
  EXPECT_EQ(isDriveCD("E:\\"), 0);
  EXPECT_EQ(isDriveCD("C:\\"), 0);
  EXPECT_EQ(driveType("Z:\\"), 2);
}
