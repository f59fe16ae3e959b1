// Drives and the standard folders: thin layers over the platform's drive and
// folder queries, with the library's own type codes and "-1" for none.
#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "ansi.h"
#include "frame.h"
#include "owner.h"

namespace klv {

namespace {

// Follows each letter of the drive list: a literal backslash and "r".
constexpr const wchar_t* kListSeparator = L"\\r";

// The library's drive-type codes.
constexpr KlvInt kCodeOther = 0;  // unknown, no root folder, RAM disk
constexpr KlvInt kCodeRemovable = 1;
constexpr KlvInt kCodeFixed = 2;
constexpr KlvInt kCodeRemote = 3;
constexpr KlvInt kCodeCdRom = 4;

constexpr KlvInt kNoFreeSpace = -1;
// Free space of this much or more is reported as this much: the result is
// a signed 32-bit value.
constexpr std::uint64_t kFreeSpaceCeiling = 2147483647;

std::wstring Root(wchar_t letter) { return std::wstring{letter, L':', L'\\'}; }

UINT TypeOfLetter(wchar_t letter) { return GetDriveTypeW(Root(letter).c_str()); }

KlvInt CodeOf(UINT type) {
  switch (type) {
    case DRIVE_REMOVABLE: return kCodeRemovable;
    case DRIVE_FIXED: return kCodeFixed;
    case DRIVE_REMOTE: return kCodeRemote;
    case DRIVE_CDROM: return kCodeCdRom;
    default: return kCodeOther;
  }
}

// The drive letter a name stands for by its first character, any case.
std::optional<wchar_t> LetterOf(const std::wstring& name) {
  if (name.empty()) return std::nullopt;
  const wchar_t first = name[0];
  if (first >= L'A' && first <= L'Z') return first;
  if (first >= L'a' && first <= L'z') return static_cast<wchar_t>(first - L'a' + L'A');
  return std::nullopt;
}

// While a drive is queried, an empty floppy or CD-ROM drive fails the query
// instead of asking the user for a disk; the caller's mode comes back after.
class QuietDriveErrors {
 public:
  QuietDriveErrors() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS)) {
    SetErrorMode(previous_ | SEM_FAILCRITICALERRORS);
  }
  ~QuietDriveErrors() { SetErrorMode(previous_); }
  QuietDriveErrors(const QuietDriveErrors&) = delete;
  QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

 private:
  UINT previous_;
};

KlvInt FreeSpace(const std::wstring& driveName) {
  const auto letter = LetterOf(driveName);
  if (!letter) return kNoFreeSpace;
  // The space this caller may use, as the platform's older 32-bit query
  // counts it, but in 64 bits.
  ULARGE_INTEGER available{}, total{}, free{};
  {
    QuietDriveErrors quiet;
    if (!GetDiskFreeSpaceExW(Root(*letter).c_str(), &available, &total, &free)) return kNoFreeSpace;
  }
  if (available.QuadPart >= kFreeSpaceCeiling) return static_cast<KlvInt>(kFreeSpaceCeiling);
  return static_cast<KlvInt>(available.QuadPart);
}

// The standard folders by keyword. The shell's query answers all but the
// temporary folder; it has been in shell32 since Windows 98.
constexpr Keyword<int> kSpecialFolders[] = {
    {"Desktop", CSIDL_DESKTOPDIRECTORY},
    {"Documents", CSIDL_PERSONAL},
    {"Favorites", CSIDL_FAVORITES},
    {"Music", CSIDL_MYMUSIC},
    {"Pictures", CSIDL_MYPICTURES},
    {"Videos", CSIDL_MYVIDEO},
    {"AppData", CSIDL_APPDATA},
    {"LocalAppData", CSIDL_LOCAL_APPDATA},
    {"CommonAppData", CSIDL_COMMON_APPDATA},
    {"CommonDocuments", CSIDL_COMMON_DOCUMENTS},
    {"CommonDesktop", CSIDL_COMMON_DESKTOPDIRECTORY},
    {"ProgramFiles", CSIDL_PROGRAM_FILES},
    {"CommonFiles", CSIDL_PROGRAM_FILES_COMMON},
    {"StartMenu", CSIDL_STARTMENU},
    {"Programs", CSIDL_PROGRAMS},
    {"Startup", CSIDL_STARTUP},
    {"CommonStartMenu", CSIDL_COMMON_STARTMENU},
    {"CommonPrograms", CSIDL_COMMON_PROGRAMS},
    {"Fonts", CSIDL_FONTS},
    {"Windows", CSIDL_WINDOWS},
    {"System", CSIDL_SYSTEM},
};
constexpr const char* kTempKeyword = "Temp";

std::wstring SpecialFolderPath(const std::wstring& keyword) {
  std::wstring path;
  if (SameWord(keyword, kTempKeyword)) {
    path = PlatformText([](wchar_t* buffer, DWORD size) { return GetTempPathW(size, buffer); }).value_or(std::wstring());
  } else if (const Keyword<int>* folder = FindKeyword(kSpecialFolders, keyword)) {
    wchar_t buffer[MAX_PATH + 1] = {};
    // Asked never to create it: a folder that is not there is none.
    if (SHGetSpecialFolderPathW(nullptr, buffer, folder->value, FALSE)) path = buffer;
  }
  if (path.empty()) return kNone;
  path = WithoutTrailingBackslash(path);
  return IsFolder(path) ? path : std::wstring(kNone);
}

// The facts kLvGetDriveInfo tells, by the word that asks for each.
enum class DriveFact { kFree, kTotal, kLabel, kSerial, kFileSystem, kType };
constexpr Keyword<DriveFact> kDriveFactWords[] = {
    {"free", DriveFact::kFree},     {"total", DriveFact::kTotal},           {"label", DriveFact::kLabel},
    {"serial", DriveFact::kSerial}, {"filesystem", DriveFact::kFileSystem}, {"type", DriveFact::kType},
};

const char* TypeName(UINT type) {
  switch (type) {
    case DRIVE_REMOVABLE: return "removable";
    case DRIVE_FIXED: return "fixed";
    case DRIVE_REMOTE: return "remote";
    case DRIVE_CDROM: return "cdrom";
    case DRIVE_RAMDISK: return "ramdisk";
    default: return "unknown";
  }
}

// A drive holds a medium when its root can be listed; an empty root lists
// nothing but is there. The volume query alone is not enough: Wine answers
// it for an empty floppy drive too.
bool HasMedium(const std::wstring& root) {
  WIN32_FIND_DATAW entry;
  const Find search(FindFirstFileW((root + L"*").c_str(), &entry));
  if (search.Valid()) return true;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES;
}

std::wstring DriveInfo(const std::wstring& driveName, const std::wstring& what) {
  const Keyword<DriveFact>* asked = FindKeyword(kDriveFactWords, what);
  const auto letter = LetterOf(driveName);
  if (!asked || !letter) return kNone;
  const std::wstring root = Root(*letter);

  QuietDriveErrors quiet;
  const UINT type = GetDriveTypeW(root.c_str());
  if (type == DRIVE_NO_ROOT_DIR) return kNone;
  if (asked->value == DriveFact::kType) return Widen(TypeName(type));
  if (!HasMedium(root)) return kNone;

  switch (asked->value) {
    case DriveFact::kFree:
    case DriveFact::kTotal: {
      ULARGE_INTEGER available{}, total{}, free{};
      if (!GetDiskFreeSpaceExW(root.c_str(), &available, &total, &free)) return kNone;
      return std::to_wstring(asked->value == DriveFact::kFree ? available.QuadPart : total.QuadPart);
    }
    default: {
      wchar_t label[MAX_PATH + 1] = {}, fileSystem[MAX_PATH + 1] = {};
      DWORD serial = 0, longestName = 0, flags = 0;
      if (!GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, &serial, &longestName, &flags, fileSystem,
                                 MAX_PATH + 1))
        return kNone;
      if (asked->value == DriveFact::kLabel) return label;
      if (asked->value == DriveFact::kFileSystem) return fileSystem;
      char text[16];
      std::snprintf(text, sizeof(text), "%04lX-%04lX", static_cast<unsigned long>(HIWORD(serial)),
                    static_cast<unsigned long>(LOWORD(serial)));
      return Widen(text);
    }
  }
}

}  // namespace

}  // namespace klv

using klv::Arg;

/* Drive-type code of DriveName (a root such as C:\; null is the empty
   name): 1 removable, 2 fixed, 3 remote, 4 CD-ROM, 0 for anything else,
   a name the platform cannot place and a RAM disk included. */
KlvInt KLV_CALL kLvGetDriveTypeW(KlvTextW DriveName) {
  return klv::IntExport(klv::kCodeOther, [&] {
    const std::wstring name = Arg(DriveName);
    if (!klv::FitsPlatform(name)) return klv::kCodeOther;
    return klv::CodeOf(GetDriveTypeW(name.c_str()));
  });
}

/* Every present drive from A to Z (any type but unknown and no root
   folder), each as its letter followed by a backslash and "r", as in
   A\rC\rD\r; "-1" when there is none. */
KlvTextW KLV_CALL kLvGetDriveListW(void) {
  return klv::TextExport(klv::kNone, [] {
    std::wstring list;
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
      if (klv::TypeOfLetter(letter) > DRIVE_NO_ROOT_DIR) list += std::wstring(1, letter) + klv::kListSeparator;
    }
    return list.empty() ? std::wstring(klv::kNone) : list;
  });
}

/* 1 when the platform reports a CD-ROM drive for DriveName, else 0. The
   name goes to the platform unchanged: null asks about the current drive. */
KlvInt KLV_CALL kLvIsDriveCDW(KlvTextW DriveName) {
  return klv::IntExport(0, [&] {
    const wchar_t* name = klv::RawArg(DriveName);
    if (!klv::FitsPlatform(name)) return 0;
    return GetDriveTypeW(name) == DRIVE_CDROM ? 1 : 0;
  });
}

/* Root of the first CD-ROM drive from A to Z, such as D:\, or "-1". */
KlvTextW KLV_CALL kLvGetCDDriveW(void) {
  return klv::TextExport(klv::kNone, [] {
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
      if (klv::TypeOfLetter(letter) == DRIVE_CDROM) return klv::Root(letter);
    }
    return std::wstring(klv::kNone);
  });
}

/* The Windows folder, whole, or "-1" when the platform cannot tell. */
KlvTextW KLV_CALL kLvGetWindowsDirW(void) {
  return klv::TextExport(klv::kNone, [] {
    return klv::PlatformText([](wchar_t* buffer, UINT size) { return GetWindowsDirectoryW(buffer, size); })
        .value_or(klv::kNone);
  });
}

/* The system folder, whole, or "-1" when the platform cannot tell. */
KlvTextW KLV_CALL kLvGetSystemDirW(void) {
  return klv::TextExport(klv::kNone, [] {
    return klv::PlatformText([](wchar_t* buffer, UINT size) { return GetSystemDirectoryW(buffer, size); })
        .value_or(klv::kNone);
  });
}

/* The process's current folder, whole (a trailing backslash only for a
   drive root), or the empty text when the platform cannot tell. */
KlvTextW KLV_CALL kLvGetCurrentDirW(void) {
  return klv::TextExport(L"", [] {
    return klv::PlatformText([](wchar_t* buffer, DWORD size) { return GetCurrentDirectoryW(size, buffer); })
        .value_or(std::wstring());
  });
}

/* Free bytes on the drive named by the first character of DriveName (a
   letter, any case: c, C:, c:\windows all mean drive C), at most
   2147483647; -1 for any other name and when the query fails. */
KlvInt KLV_CALL kLvGetFreeDiskSpaceW(KlvTextW DriveName) {
  return klv::IntExport(klv::kNoFreeSpace, [&] { return klv::FreeSpace(Arg(DriveName)); });
}

/* The path of the standard folder that FolderName names (Desktop,
   Documents, Favorites, Music, Pictures, Videos, AppData, LocalAppData,
   CommonAppData, CommonDocuments, CommonDesktop, ProgramFiles, CommonFiles,
   StartMenu, Programs, Startup, CommonStartMenu, CommonPrograms, Fonts,
   Temp, Windows, System; any letter case), without a trailing backslash
   unless it is a drive root. "-1" for another name, or when the platform
   has no such folder or it does not exist; no folder is ever created. */
KlvTextW KLV_CALL kLvGetSpecialFolderW(KlvTextW FolderName) {
  return klv::TextExport(klv::kNone, [&] { return klv::SpecialFolderPath(Arg(FolderName)); });
}

/* One fact about the drive named by the first character of DriveName (read
   as kLvGetFreeDiskSpace reads it). What, any letter case: free (bytes this
   caller may use) or total, as whole decimal text; label (empty when none);
   serial (XXXX-XXXX); filesystem; type (removable, fixed, remote, cdrom,
   ramdisk or unknown). "-1" for an unusable name, a missing drive, another
   What, and for all but type when the drive holds no medium. Never asks
   for a disk. */
KlvTextW KLV_CALL kLvGetDriveInfoW(KlvTextW DriveName, KlvTextW What) {
  return klv::TextExport(klv::kNone, [&] { return klv::DriveInfo(Arg(DriveName), Arg(What)); });
}

// The ANSI exports. A folder the code page cannot hold comes back in its
// short form, or as the failure text; never with "?" for a character.
KlvInt KLV_CALL kLvGetDriveType(KlvText DriveName) { return klv::CallWide(kLvGetDriveTypeW, DriveName); }
KlvText KLV_CALL kLvGetDriveList(void) { return klv::AnsiValue(kLvGetDriveListW(), "-1"); }
KlvInt KLV_CALL kLvIsDriveCD(KlvText DriveName) { return klv::CallWide(kLvIsDriveCDW, DriveName); }
KlvText KLV_CALL kLvGetCDDrive(void) { return klv::AnsiValue(kLvGetCDDriveW(), "-1"); }
KlvText KLV_CALL kLvGetWindowsDir(void) { return klv::AnsiPath(kLvGetWindowsDirW(), "-1"); }
KlvText KLV_CALL kLvGetSystemDir(void) { return klv::AnsiPath(kLvGetSystemDirW(), "-1"); }
KlvText KLV_CALL kLvGetCurrentDir(void) { return klv::AnsiPath(kLvGetCurrentDirW(), ""); }
KlvInt KLV_CALL kLvGetFreeDiskSpace(KlvText DriveName) { return klv::CallWide(kLvGetFreeDiskSpaceW, DriveName); }
KlvText KLV_CALL kLvGetSpecialFolder(KlvText FolderName) {
  return klv::AnsiPath(klv::CallWide(kLvGetSpecialFolderW, FolderName), "-1");
}
KlvText KLV_CALL kLvGetDriveInfo(KlvText DriveName, KlvText What) {
  return klv::AnsiValue(klv::CallWide(kLvGetDriveInfoW, DriveName, What), "-1");
}
