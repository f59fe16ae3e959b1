// The Lingo method table and the dispatch from method selector to handler.
// The host numbers the declaration lines from 0 ("new"), skipping the xtra
// line and "--" comment lines; the handler rows below follow that order, so
// neither the lines nor the rows may be reordered.
#include "xtra.h"

namespace klv::xtra {

const char kMethodTable[] =
    "xtra kLvTools -- this extra provides Windows API interfacing\n"
    "new object me\n"
    "-- String --\n"
    "kLvWriteIniString object me, string filename, string Section, string item, string value"
    " -- Writes value under item in a section of an INI file.\n"
    "kLvReadIniString  object me, string filename, string Section, string item, string default"
    " -- Answers the text of an INI entry, or default when it is missing.\n"
    "kLvReadIniInteger  object me, string filename, string Section, string item, integer value"
    " -- Answers an INI entry as text, with the number value as its default.\n"
    "kLvReadRegString  object me, string RootKeyName, string KeyName, string Section, string item, string default"
    " -- Answers a registry value as text, or default when it is missing.\n"
    "kLvWriteRegString  object me, string RootKeyName, string KeyName, string Section, string item, string value"
    " -- Stores a text value in the registry.\n"
    "kLvReadRegInteger  object me, string RootKeyName, string KeyName, string Section, string item, integer default"
    " -- Answers a registry value as a number, or default when it is missing.\n"
    "kLvWriteRegInteger  object me, string RootKeyName, string KeyName, string Section, string item, integer value"
    " -- Stores a number in the registry.\n"
    "kLvCreateDirectory  object me, string Directory"
    " -- Creates a folder with every missing parent.\n"
    "kLvRemoveDirectory  object me, string Directory"
    " -- Removes an empty folder.\n"
    "kLvCopyFile  object me, string Source, string Destination"
    " -- Copies one file or every file a pattern matches, expanding compressed ones.\n"
    "kLvDoesFileExist  object me, string Filename"
    " -- Tells whether a file exists.\n"
    "kLvGetDriveType  object me, string DriveName"
    " -- Answers the kind of a drive.\n"
    "kLvGetDriveList  object me"
    " -- Answers the letters of every drive.\n"
    "kLvIsDriveCD  object me, string driveName"
    " -- Tells whether a drive is a CD-ROM drive.\n"
    "kLvGetCDDrive  object me"
    " -- Answers the first CD-ROM drive.\n"
    "kLvMoveFile  object me, string Source, string Destination"
    " -- Moves one file or every file a pattern matches.\n"
    "kLvGetWindowsDir  object me"
    " -- Answers the Windows folder.\n"
    "kLvGetSystemDir  object me"
    " -- Answers the system folder.\n"
    "kLvGetCurrentDir  object me"
    " -- Answers the current folder.\n"
    "kLvGetFreeDiskSpace  object me, string DriveName"
    " -- Answers the free space of a drive.\n"
    "kLvOpenFile  object me, string Title, string DefaultDir, string DefaultName,string DefaultExt, string Filter"
    " -- Asks the user for a file to open and answers its path.\n"
    "kLvSaveFile  object me, string Title, string DefaultDir, string DefaultName,string DefaultExt, string Filter"
    " -- Asks the user for a file to save and answers its path.\n"
    "kLvMessageBox  object me, string MessageText, string CaptionText, string iButtons,string Icon, integer DefaultButton"
    " -- Shows a message box and answers the button pressed.\n"
    "kLvToolVer  object me"
    " -- Answers the version of the library.\n"
    "kLvGetEnvironmentStrings object me"
    " -- Answers every environment variable of the process.\n"
    "kLvGetEnvironmentVariable object me, string VariableName"
    " -- Answers the value of an environment variable.\n"
    "kLvSetEnvironmentVariable object me, string VariableName, string value"
    " -- Sets an environment variable of the process.\n"
    "-- Template handlers -- \n";

MoaError Dispatch(ScriptInstance& self, MoaMmCallInfo* call) noexcept {
  if (!call) return kMoaErr_BadParam;
  const MoaLong selector = call->methodSelector;
  if (selector < 1 || selector > kMethodCount) return kMoaErr_NoErr;  // `new`, or not ours
  if (!self.value) return kErrNoValueInterface;
  try {
    return kHandlers[selector - 1](self, *call);
  } catch (...) {
    return kMoaErr_InternalError;  // nothing may unwind into the host
  }
}

}  // namespace klv::xtra
