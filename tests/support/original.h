// What hosts have always read from the kit, and what therefore never
// changes: the first 27 rows of the library's function directory, the first
// 27 Lingo method declarations of the Xtra, byte for byte, and the version
// kLvToolVer answers. This is the tests' only copy of a list: everything
// else they take from library/directory.h and xtra/methods.h, where later
// functions are appended after these.
#ifndef KLV_ORIGINAL_H
#define KLV_ORIGINAL_H

namespace klvtest {

struct DirectoryRow {
  const char* name;
  const char* result;
  const char* args;
  const char* line;
};

constexpr DirectoryRow kOriginalRows[] = {
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

// The Lingo declarations in selector order from 1, spacing included.
constexpr const char* kOriginalDeclarations[] = {
    "kLvWriteIniString object me, string filename, string Section, string item, string value",
    "kLvReadIniString  object me, string filename, string Section, string item, string default",
    "kLvReadIniInteger  object me, string filename, string Section, string item, integer value",
    "kLvReadRegString  object me, string RootKeyName, string KeyName, string Section, string item, string default",
    "kLvWriteRegString  object me, string RootKeyName, string KeyName, string Section, string item, string value",
    "kLvReadRegInteger  object me, string RootKeyName, string KeyName, string Section, string item, integer default",
    "kLvWriteRegInteger  object me, string RootKeyName, string KeyName, string Section, string item, integer value",
    "kLvCreateDirectory  object me, string Directory",
    "kLvRemoveDirectory  object me, string Directory",
    "kLvCopyFile  object me, string Source, string Destination",
    "kLvDoesFileExist  object me, string Filename",
    "kLvGetDriveType  object me, string DriveName",
    "kLvGetDriveList  object me",
    "kLvIsDriveCD  object me, string driveName",
    "kLvGetCDDrive  object me",
    "kLvMoveFile  object me, string Source, string Destination",
    "kLvGetWindowsDir  object me",
    "kLvGetSystemDir  object me",
    "kLvGetCurrentDir  object me",
    "kLvGetFreeDiskSpace  object me, string DriveName",
    "kLvOpenFile  object me, string Title, string DefaultDir, string DefaultName,string DefaultExt, string Filter",
    "kLvSaveFile  object me, string Title, string DefaultDir, string DefaultName,string DefaultExt, string Filter",
    "kLvMessageBox  object me, string MessageText, string CaptionText, string iButtons,string Icon, integer DefaultButton",
    "kLvToolVer  object me",
    "kLvGetEnvironmentStrings object me",
    "kLvGetEnvironmentVariable object me, string VariableName",
    "kLvSetEnvironmentVariable object me, string VariableName, string value",
};

constexpr const char* kOriginalVersion = "1.7";

constexpr unsigned kOriginalCount = sizeof(kOriginalRows) / sizeof(kOriginalRows[0]);
static_assert(sizeof(kOriginalDeclarations) / sizeof(kOriginalDeclarations[0]) == kOriginalCount,
              "one original method per original function");

}  // namespace klvtest

#endif
