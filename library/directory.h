/*
 * The library's function directory: one row per exported function, in the
 * order of the DLL_HEADER name list. Read by the resource script (to build
 * the directory that Authorware hosts load) and by the C++ code (to check
 * the exported prototypes against the type letters), so the two cannot
 * drift apart.
 *
 * ROW(name, UPPER_NAME, result letter, argument letters, description line)
 *
 * Type letters: S text, I 32-bit integer, L 32-bit integer (free disk space
 * only), V no arguments.
 */
#ifndef KLV_DIRECTORY_H
#define KLV_DIRECTORY_H

#define KLV_FUNCTIONS(ROW) \
  ROW(kLvReadIniString, KLVREADINISTRING, "S", "SSSS", "Result:=kLvReadIniString(FileName, Section, Label, Default)") \
  ROW(kLvReadIniInteger, KLVREADINIINTEGER, "I", "SSSI", "Result:=kLvReadIniInteger(FileName, Section, Label, Default)") \
  ROW(kLvWriteIniString, KLVWRITEINISTRING, "I", "SSSS", "Result:=kLvWriteIniString(FileName, Section, Label, Value)") \
  ROW(kLvReadRegString, KLVREADREGSTRING, "S", "SSSSS", "Result:=kLvReadRegString(RootKeyName, KeyName, Section, Label, Default)") \
  ROW(kLvReadRegInteger, KLVREADREGINTEGER, "I", "SSSSI", "Result:=kLvReadRegInteger(RootKeyName, KeyName, Section, Label, Default)") \
  ROW(kLvWriteRegString, KLVWRITEREGSTRING, "I", "SSSSS", "Result:=kLvWriteRegString(RootKeyName, KeyName, Section, Label, Value)") \
  ROW(kLvWriteRegInteger, KLVWRITEREGINTEGER, "I", "SSSSI", "Result:=kLvWriteRegInteger(RootKeyName, KeyName, Section, Label, Value)") \
  ROW(kLvCreateDirectory, KLVCREATEDIRECTORY, "I", "S", "Result:=kLvCreateDirectory(DirectoryName)") \
  ROW(kLvRemoveDirectory, KLVREMOVEDIRECTORY, "I", "S", "Result:=kLvRemoveDirectory(DirectoryName)") \
  ROW(kLvCopyFile, KLVCOPYFILE, "I", "SS", "Result:=kLvCopyFile(SourceFileName,DestinationFileName)") \
  ROW(kLvMoveFile, KLVMOVEFILE, "I", "SS", "Result:=kLvMoveFile(SourceFileName,DestinationFileName)") \
  ROW(kLvDoesFileExist, KLVDOESFILEEXIST, "I", "S", "Result:=kLvDoesFileExist(FileName)") \
  ROW(kLvGetDriveType, KLVGETDRIVETYPE, "I", "S", "Result:=kLvGetDriveType(DriveName)") \
  ROW(kLvGetDriveList, KLVGETDRIVELIST, "S", "V", "Result:=kLvGetDriveList()") \
  ROW(kLvIsDriveCD, KLVISDRIVECD, "I", "S", "Result:=kLvIsDriveCD(DriveName)") \
  ROW(kLvGetCDDrive, KLVGETCDDRIVE, "S", "V", "Result:=kLvGetCDDrive()") \
  ROW(kLvGetWindowsDir, KLVGETWINDOWSDIR, "S", "V", "Result:=kLvGetWindowsDir()") \
  ROW(kLvGetSystemDir, KLVGETSYSTEMDIR, "S", "V", "Result:=kLvGetSystemDir()") \
  ROW(kLvGetCurrentDir, KLVGETCURRENTDIR, "S", "V", "Result:=kLvGetCurrentDir()") \
  ROW(kLvGetFreeDiskSpace, KLVGETFREEDISKSPACE, "L", "S", "Result:=kLvGetFreeDiskSpace(DriveName)") \
  ROW(kLvOpenFile, KLVOPENFILE, "S", "SSSSS", "Result:=kLvOpenFile(FTitle,FdefaultDir,FdefaultName,FdefaultExt,FFilter)") \
  ROW(kLvSaveFile, KLVSAVEFILE, "S", "SSSSS", "Result:=kLvSaveFile(FTitle,FdefaultDir,FdefaultName,FdefaultExt,FFilter)") \
  ROW(kLvMessageBox, KLVMESSAGEBOX, "S", "SSSSI", "Result:=kLvMessageBox(MessageText, CaptionText, Buttons, Icon, DefaultButton)") \
  ROW(kLvToolVer, KLVTOOLVER, "S", "V", "Result:=kLvToolVer()") \
  ROW(kLvGetEnvironmentStrings, KLVGETENVIRONMENTSTRINGS, "S", "V", "Result:=kLvGetEnvironmentStrings()") \
  ROW(kLvGetEnvironmentVariable, KLVGETENVIRONMENTVARIABLE, "S", "S", "Result:=kLvGetEnvironmentVariable(variableName)") \
  ROW(kLvSetEnvironmentVariable, KLVSETENVIRONMENTVARIABLE, "I", "SS", "Result:=kLvSetEnvironmentVariable(variableName, value)") \
  ROW(kLvDeleteFile, KLVDELETEFILE, "I", "S", "Result:=kLvDeleteFile(FileName)") \
  ROW(kLvGetSpecialFolder, KLVGETSPECIALFOLDER, "S", "S", "Result:=kLvGetSpecialFolder(FolderName)") \
  ROW(kLvGetFileInfo, KLVGETFILEINFO, "S", "SS", "Result:=kLvGetFileInfo(FileName, What)") \
  ROW(kLvGetDriveInfo, KLVGETDRIVEINFO, "S", "SS", "Result:=kLvGetDriveInfo(DriveName, What)") \
  ROW(kLvShellExecute, KLVSHELLEXECUTE, "I", "SSSSS", "Result:=kLvShellExecute(Operation, FileName, Parameters, Directory, ShowCommand)") \
  ROW(kLvRunProgram, KLVRUNPROGRAM, "I", "SSSI", "Result:=kLvRunProgram(CommandLine, Directory, ShowCommand, Wait)") \
  ROW(kLvBrowseForFolder, KLVBROWSEFORFOLDER, "S", "SS", "Result:=kLvBrowseForFolder(Title, StartFolder)") \
  ROW(kLvCopyFileProgress, KLVCOPYFILEPROGRESS, "I", "SSS", "Result:=kLvCopyFileProgress(SourceFileName,DestinationFileName,Title)")

/* The library's version: kLvToolVer's answer, the notice below and the
   Xtra's version resource and class version, and the kit archive's name,
   all follow from it. */
#define KLV_VERSION "1.7"

/* The same three lines close every function's description. */
#define KLV_NOTICE \
  "kLv_Tool.dll version " KLV_VERSION "\r\n" \
  "Windows services for Director and Authorware titles on CD-ROM:\r\n" \
  "INI files, registry, files and folders, drives, dialogs, environment."

#endif
