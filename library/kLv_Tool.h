/*
 * kLv_Tool.dll: the exported functions, as callers link them (C or C++).
 * Every function is __stdcall and exported under its decorated name
 * (name@N). Texts are NUL-terminated, in the system's ANSI code page; each
 * function also has a wide twin, nameW (kLv_ToolW.h), that takes and
 * answers UTF-16 texts and can name every file. A text result points into
 * storage that the library keeps for the calling thread: it stays valid
 * until that thread's next call into the library, and calls from other
 * threads never touch it.
 */
#ifndef KLV_TOOL_H
#define KLV_TOOL_H

#include <stddef.h> /* wchar_t, in C */

#ifdef __cplusplus
#define KLV_LINKAGE extern "C"
#else
#define KLV_LINKAGE extern
#endif
#ifdef KLV_BUILDING_LIBRARY
#define KLV_API KLV_LINKAGE
#else
#define KLV_API KLV_LINKAGE __declspec(dllimport)
#endif
#define KLV_CALL __stdcall

typedef const char* KlvText;
typedef const wchar_t* KlvTextW;
typedef int KlvInt;

/* INI files */
KLV_API KlvText KLV_CALL kLvReadIniString(KlvText FileName, KlvText Section, KlvText Label, KlvText Default);
KLV_API KlvInt KLV_CALL kLvReadIniInteger(KlvText FileName, KlvText Section, KlvText Label, KlvInt Default);
KLV_API KlvInt KLV_CALL kLvWriteIniString(KlvText FileName, KlvText Section, KlvText Label, KlvText Value);

/* Registry */
KLV_API KlvText KLV_CALL kLvReadRegString(KlvText RootKeyName, KlvText KeyName, KlvText Section, KlvText Label, KlvText Default);
KLV_API KlvInt KLV_CALL kLvReadRegInteger(KlvText RootKeyName, KlvText KeyName, KlvText Section, KlvText Label, KlvInt Default);
KLV_API KlvInt KLV_CALL kLvWriteRegString(KlvText RootKeyName, KlvText KeyName, KlvText Section, KlvText Label, KlvText Value);
KLV_API KlvInt KLV_CALL kLvWriteRegInteger(KlvText RootKeyName, KlvText KeyName, KlvText Section, KlvText Label, KlvInt Value);

/* Files and folders */
KLV_API KlvInt KLV_CALL kLvCreateDirectory(KlvText DirectoryName);
KLV_API KlvInt KLV_CALL kLvRemoveDirectory(KlvText DirectoryName);
KLV_API KlvInt KLV_CALL kLvCopyFile(KlvText SourceFileName, KlvText DestinationFileName);
KLV_API KlvInt KLV_CALL kLvMoveFile(KlvText SourceFileName, KlvText DestinationFileName);
KLV_API KlvInt KLV_CALL kLvDoesFileExist(KlvText FileName);
KLV_API KlvInt KLV_CALL kLvDeleteFile(KlvText FileName);
KLV_API KlvText KLV_CALL kLvGetFileInfo(KlvText FileName, KlvText What);

/* Drives and system folders */
KLV_API KlvInt KLV_CALL kLvGetDriveType(KlvText DriveName);
KLV_API KlvText KLV_CALL kLvGetDriveList(void);
KLV_API KlvInt KLV_CALL kLvIsDriveCD(KlvText DriveName);
KLV_API KlvText KLV_CALL kLvGetCDDrive(void);
KLV_API KlvText KLV_CALL kLvGetWindowsDir(void);
KLV_API KlvText KLV_CALL kLvGetSystemDir(void);
KLV_API KlvText KLV_CALL kLvGetCurrentDir(void);
KLV_API KlvInt KLV_CALL kLvGetFreeDiskSpace(KlvText DriveName);
KLV_API KlvText KLV_CALL kLvGetSpecialFolder(KlvText FolderName);
KLV_API KlvText KLV_CALL kLvGetDriveInfo(KlvText DriveName, KlvText What);

/* Dialogs */
KLV_API KlvText KLV_CALL kLvOpenFile(KlvText FTitle, KlvText FdefaultDir, KlvText FdefaultName, KlvText FdefaultExt, KlvText FFilter);
KLV_API KlvText KLV_CALL kLvSaveFile(KlvText FTitle, KlvText FdefaultDir, KlvText FdefaultName, KlvText FdefaultExt, KlvText FFilter);
KLV_API KlvText KLV_CALL kLvMessageBox(KlvText MessageText, KlvText CaptionText, KlvText Buttons, KlvText Icon, KlvInt DefaultButton);

/* Environment and version */
KLV_API KlvText KLV_CALL kLvToolVer(void);
KLV_API KlvText KLV_CALL kLvGetEnvironmentStrings(void);
KLV_API KlvText KLV_CALL kLvGetEnvironmentVariable(KlvText variableName);
KLV_API KlvInt KLV_CALL kLvSetEnvironmentVariable(KlvText variableName, KlvText value);

/* Documents, programs, a folder picker and a copy with a progress window */
KLV_API KlvInt KLV_CALL kLvShellExecute(KlvText Operation, KlvText FileName, KlvText Parameters, KlvText Directory, KlvText ShowCommand);
KLV_API KlvInt KLV_CALL kLvRunProgram(KlvText CommandLine, KlvText Directory, KlvText ShowCommand, KlvInt Wait);
KLV_API KlvText KLV_CALL kLvBrowseForFolder(KlvText Title, KlvText StartFolder);
KLV_API KlvInt KLV_CALL kLvCopyFileProgress(KlvText SourceFileName, KlvText DestinationFileName, KlvText Title);

#include "kLv_ToolW.h"

#endif
