// The Xtra's Lingo methods: one row per method, in selector order (the
// host numbers the declarations from 1 after "new", so rows are only ever
// appended). The registered method table and the dispatch both come from
// these rows.
//
// METHOD(declaration, comment, library function)
//
// The declaration is the Lingo line exactly as hosts have registered it,
// spacing included; the comment follows it after " -- ". The library
// function is the one the method's handler calls with the converted
// arguments. kLvReadIniInteger calls kLvReadIniString: its integer default
// arrives as text and the method answers the entry's text.
#ifndef KLV_XTRA_METHODS_H
#define KLV_XTRA_METHODS_H

#define KLV_XTRA_METHODS(METHOD) \
  METHOD("kLvWriteIniString object me, string filename, string Section, string item, string value", \
         "Writes value under item in a section of an INI file.", kLvWriteIniString) \
  METHOD("kLvReadIniString  object me, string filename, string Section, string item, string default", \
         "Answers the text of an INI entry, or default when it is missing.", kLvReadIniString) \
  METHOD("kLvReadIniInteger  object me, string filename, string Section, string item, integer value", \
         "Answers an INI entry as text, with the number value as its default.", kLvReadIniString) \
  METHOD("kLvReadRegString  object me, string RootKeyName, string KeyName, string Section, string item, string default", \
         "Answers a registry value as text, or default when it is missing.", kLvReadRegString) \
  METHOD("kLvWriteRegString  object me, string RootKeyName, string KeyName, string Section, string item, string value", \
         "Stores a text value in the registry.", kLvWriteRegString) \
  METHOD("kLvReadRegInteger  object me, string RootKeyName, string KeyName, string Section, string item, integer default", \
         "Answers a registry value as a number, or default when it is missing.", kLvReadRegInteger) \
  METHOD("kLvWriteRegInteger  object me, string RootKeyName, string KeyName, string Section, string item, integer value", \
         "Stores a number in the registry.", kLvWriteRegInteger) \
  METHOD("kLvCreateDirectory  object me, string Directory", \
         "Creates a folder with every missing parent.", kLvCreateDirectory) \
  METHOD("kLvRemoveDirectory  object me, string Directory", \
         "Removes an empty folder.", kLvRemoveDirectory) \
  METHOD("kLvCopyFile  object me, string Source, string Destination", \
         "Copies one file or every file a pattern matches, expanding compressed ones.", kLvCopyFile) \
  METHOD("kLvDoesFileExist  object me, string Filename", \
         "Tells whether a file exists.", kLvDoesFileExist) \
  METHOD("kLvGetDriveType  object me, string DriveName", \
         "Answers the kind of a drive.", kLvGetDriveType) \
  METHOD("kLvGetDriveList  object me", \
         "Answers the letters of every drive.", kLvGetDriveList) \
  METHOD("kLvIsDriveCD  object me, string driveName", \
         "Tells whether a drive is a CD-ROM drive.", kLvIsDriveCD) \
  METHOD("kLvGetCDDrive  object me", \
         "Answers the first CD-ROM drive.", kLvGetCDDrive) \
  METHOD("kLvMoveFile  object me, string Source, string Destination", \
         "Moves one file or every file a pattern matches.", kLvMoveFile) \
  METHOD("kLvGetWindowsDir  object me", \
         "Answers the Windows folder.", kLvGetWindowsDir) \
  METHOD("kLvGetSystemDir  object me", \
         "Answers the system folder.", kLvGetSystemDir) \
  METHOD("kLvGetCurrentDir  object me", \
         "Answers the current folder.", kLvGetCurrentDir) \
  METHOD("kLvGetFreeDiskSpace  object me, string DriveName", \
         "Answers the free space of a drive.", kLvGetFreeDiskSpace) \
  METHOD("kLvOpenFile  object me, string Title, string DefaultDir, string DefaultName,string DefaultExt, string Filter", \
         "Asks the user for a file to open and answers its path.", kLvOpenFile) \
  METHOD("kLvSaveFile  object me, string Title, string DefaultDir, string DefaultName,string DefaultExt, string Filter", \
         "Asks the user for a file to save and answers its path.", kLvSaveFile) \
  METHOD("kLvMessageBox  object me, string MessageText, string CaptionText, string iButtons,string Icon, integer DefaultButton", \
         "Shows a message box and answers the button pressed.", kLvMessageBox) \
  METHOD("kLvToolVer  object me", \
         "Answers the version of the library.", kLvToolVer) \
  METHOD("kLvGetEnvironmentStrings object me", \
         "Answers every environment variable of the process.", kLvGetEnvironmentStrings) \
  METHOD("kLvGetEnvironmentVariable object me, string VariableName", \
         "Answers the value of an environment variable.", kLvGetEnvironmentVariable) \
  METHOD("kLvSetEnvironmentVariable object me, string VariableName, string value", \
         "Sets an environment variable of the process.", kLvSetEnvironmentVariable) \
  METHOD("kLvDeleteFile object me, string Filename", \
         "Deletes one file or every file a pattern matches.", kLvDeleteFile) \
  METHOD("kLvGetSpecialFolder object me, string FolderName", \
         "Answers the path of a standard folder named by a keyword.", kLvGetSpecialFolder) \
  METHOD("kLvGetFileInfo object me, string Filename, string What", \
         "Answers the size, a date, the attributes or the version of a file.", kLvGetFileInfo) \
  METHOD("kLvGetDriveInfo object me, string DriveName, string What", \
         "Answers the space, label, serial number, file system or kind of a drive.", kLvGetDriveInfo) \
  METHOD("kLvShellExecute object me, string Operation, string Filename, string Parameters, string Directory, string ShowCommand", \
         "Opens a document, folder, program or address with its associated program.", kLvShellExecute) \
  METHOD("kLvRunProgram object me, string CommandLine, string Directory, string ShowCommand, integer Wait", \
         "Starts a program and, when asked, waits for it and answers its exit code.", kLvRunProgram) \
  METHOD("kLvBrowseForFolder object me, string Title, string StartFolder", \
         "Asks the user for a folder and answers its path.", kLvBrowseForFolder) \
  METHOD("kLvCopyFileProgress object me, string Source, string Destination, string Title", \
         "Copies like kLvCopyFile while a window shows the progress and offers Cancel.", kLvCopyFileProgress)

#endif
