// Files and folders: folder chains, the file test, and copying or moving one
// file or every file matching a wildcard pattern, expanding LZ-compressed
// sources on the way.
#include <windows.h>
#include <lzexpand.h>
#include <winioctl.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ansi.h"
#include "frame.h"
#include "owner.h"
#include "progress.h"

namespace klv {

namespace {

enum class CopyMode { kCopy, kMove };

// Results of kLvCopyFile and kLvMoveFile.
enum CopyResult : KlvInt {
  kCopied = 0,               // every matching file copied (moved)
  kNoSource = 1,             // nothing matches, or a source vanished or was refused by the expander
  kNoSourceFolder = 2,       // the source's folder is missing
  kDestinationRefused = 3,   // the expander refused the destination
  kNoDestination = 4,        // the destination cannot be opened or its folders made
  kCopyFailed = 5,           // same file on both sides, or any other failure
  kCancelled = 6,            // the user cancelled the copy with progress
};

// The longest name of one file or folder that file systems take.
constexpr std::size_t kMaxNameLength = 255;

// Each file copied may once create the destination's missing folders and try again.
constexpr int kRetryAllowance = 1;

// The working memory of one copy call, shared by the files it copies.
class CopyBuffer {
 public:
  static constexpr std::size_t kSize = 1 << 20;
  char* Data() {  // allocated on first use; throws std::bad_alloc
    if (!data_) data_.reset(new char[kSize]);
    return data_.get();
  }
  std::size_t Size() const { return kSize; }

 private:
  std::unique_ptr<char[]> data_;
};

// The platform's LZ-compressed format ("SZDD"): magic, method, last
// character, expanded length. Shorter files are never compressed.
constexpr unsigned char kLzMagic[] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
constexpr std::size_t kLzHeaderSize = 14;

bool StartsWithLzHeader(const char* data, DWORD size) {
  return size >= kLzHeaderSize && std::memcmp(data, kLzMagic, sizeof(kLzMagic)) == 0;
}

HFILE AsHfile(HANDLE handle) { return static_cast<HFILE>(reinterpret_cast<INT_PTR>(handle)); }

bool Contains(const std::wstring& text, const wchar_t* any) { return text.find_first_of(any) != std::wstring::npos; }

// The full path of a name, or the name itself where the platform makes none.
std::wstring FullPath(const std::wstring& name) {
  const DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  if (size == 0) return name;
  std::vector<wchar_t> full(size + 1, L'\0');
  const DWORD length = GetFullPathNameW(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length == 0 || length >= full.size()) return name;
  return std::wstring(full.data(), length);
}

// A name the platform takes for a device (CON, NUL, LPT1 and the like, in
// any folder and with any extension) rather than a file.
bool IsDeviceName(const std::wstring& name) { return FullPath(name).rfind(L"\\\\.\\", 0) == 0; }

// The destination of one copy. A file that this copy created is removed
// again unless the copy completes, so a failure leaves no partial file.
class Destination {
 public:
  Destination(const std::wstring& path, HANDLE handle, bool created)
      : path_(path), file_(handle), created_(created) {}
  ~Destination() {
    file_.Reset();
    if (created_ && !kept_) DeleteFileW(path_.c_str());
  }
  Destination(const Destination&) = delete;
  Destination& operator=(const Destination&) = delete;

  HANDLE Get() const { return file_.Get(); }
  bool Created() const { return created_; }
  void Close() { file_.Reset(); }
  void Keep() {
    kept_ = true;
    file_.Reset();
  }

 private:
  std::wstring path_;
  File file_;
  bool created_;
  bool kept_ = false;
};

// The object id the file system keeps for an open file, where it keeps one.
// Wine derives it from the host's device and inode numbers in one cheap query;
// NTFS has one only for files that were given one; FAT has none.
bool ObjectId(HANDLE file, FILE_OBJECTID_BUFFER& id) {
  std::memset(&id, 0, sizeof(id));
  DWORD size = 0;
  return DeviceIoControl(file, FSCTL_GET_OBJECT_ID, nullptr, 0, &id, sizeof(id), &size, nullptr) &&
         size == sizeof(id);
}

// Whether an existing destination must be left alone: it is the source
// under another name (letter case, short names, another drive mapping, hard
// links), or it is read-only. Windows refuses to open a read-only file for
// writing; Wine run as root does not, so the attribute is checked here.
// Two object ids settle identity where both files have one; otherwise the
// volume serial and file index do, whose volume query costs Wine a round
// trip to its mount manager for each file.
bool Untouchable(HANDLE source, HANDLE destination, const std::wstring& from, const std::wstring& to) {
  FILE_OBJECTID_BUFFER a, b;
  if (ObjectId(source, a) && ObjectId(destination, b)) {
    const DWORD attributes = GetFileAttributesW(to.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
      return (attributes & FILE_ATTRIBUTE_READONLY) || std::memcmp(&a, &b, sizeof(a)) == 0;
  }
  BY_HANDLE_FILE_INFORMATION one, other;
  if (GetFileInformationByHandle(source, &one) && GetFileInformationByHandle(destination, &other)) {
    return (other.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ||
           (one.dwVolumeSerialNumber == other.dwVolumeSerialNumber && one.nFileIndexHigh == other.nFileIndexHigh &&
            one.nFileIndexLow == other.nFileIndexLow);
  }
  // Where the platform gives no identity, the names decide, ignoring case.
  return lstrcmpiW(FullPath(from).c_str(), FullPath(to).c_str()) == 0;
}

bool WriteAll(HANDLE file, const char* data, DWORD size) {
  DWORD written = 0;
  return WriteFile(file, data, size, &written, nullptr) && written == size;
}

// Copies `source`, read from its start, onto `destination`. A source in
// the platform's LZ format goes through the platform's expander; any other
// is copied in large blocks, with the outcomes the expander would give.
KlvInt CopyContent(File& source, HANDLE destination, CopyBuffer& buffer, CopyObserver* observer) {
  char* data = buffer.Data();
  const DWORD size = static_cast<DWORD>(buffer.Size());
  DWORD got = 0;
  if (!ReadFile(source.Get(), data, size, &got, nullptr)) return kCopyFailed;
  if (StartsWithLzHeader(data, got)) {
    if (SetFilePointer(source.Get(), 0, nullptr, FILE_BEGIN) != 0) return kCopyFailed;
    const HFILE plain = AsHfile(source.Get());
    const HFILE lz = LZInit(plain);
    if (lz < 0) return lz == LZERROR_BADINHANDLE ? kNoSource : kCopyFailed;
    if (lz != plain) {
      LARGE_INTEGER size{};
      GetFileSizeEx(source.Get(), &size);
      source.Release();  // the LZ handle owns the file now
      const LzFile expander(lz);
      const LONG written = LZCopy(expander.Get(), AsHfile(destination));
      if (written >= 0) return observer && !observer->Advance(size.QuadPart) ? kCancelled : kCopied;
      if (written == LZERROR_BADINHANDLE) return kNoSource;
      if (written == LZERROR_BADOUTHANDLE) return kDestinationRefused;
      return kCopyFailed;
    }
    // The expander takes it for a plain file after all: copy it as one.
    if (SetFilePointer(source.Get(), 0, nullptr, FILE_BEGIN) != 0 || !ReadFile(source.Get(), data, size, &got, nullptr))
      return kCopyFailed;
  }
  while (got > 0) {
    if (!WriteAll(destination, data, got)) return kCopyFailed;
    if (observer && !observer->Advance(got)) return kCancelled;
    if (!ReadFile(source.Get(), data, size, &got, nullptr)) return kCopyFailed;
  }
  return kCopied;
}

// A file: the first entry the search finds is not a folder and its
// last-write time has a DOS date and time (so none before 1980).
bool PassesFileTest(const std::wstring& name) {
  if (!FitsPlatform(name)) return false;
  WIN32_FIND_DATAW entry;
  {
    const Find search(FindFirstFileW(name.c_str(), &entry));
    if (!search.Valid()) return false;
  }
  if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  FILETIME local;
  WORD date, time;
  return FileTimeToLocalFileTime(&entry.ftLastWriteTime, &local) && FileTimeToDosDateTime(&local, &date, &time);
}

// Creates every missing folder of `path`, outermost first; never a drive
// root. Failures are left for the caller to find.
void CreateFolderChain(const std::wstring& path) {
  if (!FitsPlatform(path)) return;
  // Walk up to the first folder that exists, then create downwards. Every
  // step is a prefix of `path`, so lengths are enough to remember it; a
  // walk rather than recursion, since a long path has thousands of levels.
  std::vector<std::size_t> missing;
  std::wstring part = path;
  for (;;) {
    if (!part.empty() && part.back() == L'\\') part.pop_back();
    if (part.size() < 3 || IsFolder(part)) break;
    missing.push_back(part.size());
    std::wstring parent = FolderPart(part);
    // A name ending in a colon is its own folder part: there is no parent.
    if (parent.size() == part.size() && part.back() != L'\\') break;
    part = std::move(parent);
  }
  for (auto length = missing.rbegin(); length != missing.rend(); ++length)
    CreateDirectoryW(path.substr(0, *length).c_str(), nullptr);
}

// The files a pattern selects, for the copy and the delete alike: the
// search's entries in its order, as plain names; hidden, system, folder and
// volume-label entries are skipped, and a device name selects nothing.
// `error` is the platform's answer that ended the search
// (ERROR_NO_MORE_FILES when it ran to its end).
struct Selection {
  std::vector<std::wstring> names;
  std::uint64_t totalBytes = 0;  // of the files named
  DWORD error = ERROR_SUCCESS;
};

Selection SelectFiles(const std::wstring& pattern) {
  Selection selection;
  // The platform's search answers a device name (CON, NUL and the like, in
  // any folder, with any extension) with the device itself.
  if (IsDeviceName(pattern)) {
    selection.error = ERROR_FILE_NOT_FOUND;
    return selection;
  }
  WIN32_FIND_DATAW entry;
  const Find search(FindFirstFileW(pattern.c_str(), &entry));
  if (!search.Valid()) {
    selection.error = GetLastError();
    return selection;
  }
  constexpr DWORD kVolumeLabel = 0x8;
  constexpr DWORD kSkipped = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY | kVolumeLabel;
  do {
    if (entry.dwFileAttributes & kSkipped) continue;
    selection.names.emplace_back(entry.cFileName);
    selection.totalBytes += (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
  } while (FindNextFileW(search.Get(), &entry));
  selection.error = GetLastError();
  return selection;
}

// A new, empty file beside `to` that takes its new content before it
// replaces it; an invalid handle when none can be made.
File CreateSibling(const std::wstring& to, std::wstring& path) {
  const std::wstring prefix = FolderPart(to) + L"~klv" + std::to_wstring(GetCurrentProcessId()) + L"-";
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    path = prefix + std::to_wstring(GetTickCount() + attempt) + L".tmp";
    if (!FitsPlatform(path)) break;
    File file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                          nullptr));
    if (file.Valid() || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return File();
}

// Copies `from` onto `to`, expanding an LZ-compressed source; `allowance`
// retries may create the destination's folders. An existing `to` is
// overwritten in place and cut to the new length; with an observer it is
// replaced only once its new copy is complete, so that a cancel or a
// failure leaves it as it was.
KlvInt CopyOneFile(const std::wstring& to, const std::wstring& from, CopyMode mode, int allowance, CopyBuffer& buffer,
                   CopyObserver* observer) {
  if (!FitsPlatform(to) || !FitsPlatform(from) || NamePart(to).size() > kMaxNameLength) return kCopyFailed;
  for (;;) {
    File source(CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source.Valid()) {
      switch (GetLastError()) {
        case ERROR_FILE_NOT_FOUND: return kNoSource;
        case ERROR_PATH_NOT_FOUND: return kNoSourceFolder;
        default: return kCopyFailed;
      }
    }
    // Opened as it is, or made empty when missing; never emptied here, since
    // it may be the source under another name.
    const HANDLE opened = CreateFileW(to.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD error = GetLastError();
    if (opened == INVALID_HANDLE_VALUE) {
      if (error == ERROR_INVALID_FUNCTION) return kNoDestination;
      // Wine reports a missing drive as "file not found"; Windows as "path not found".
      if (error != ERROR_PATH_NOT_FOUND && error != ERROR_FILE_NOT_FOUND) return kCopyFailed;
      const std::wstring folder = FolderPart(to);
      CreateFolderChain(folder);
      if (allowance <= 0 || !IsFolder(folder)) return kNoDestination;
      --allowance;
      continue;
    }
    Destination destination(to, opened, error != ERROR_ALREADY_EXISTS);
    if (!destination.Created() && Untouchable(source.Get(), destination.Get(), from, to)) return kCopyFailed;

    std::wstring siblingPath;
    std::unique_ptr<Destination> sibling;
    if (observer && !destination.Created()) {
      destination.Close();
      File file = CreateSibling(to, siblingPath);
      if (!file.Valid()) return kCopyFailed;
      sibling = std::make_unique<Destination>(siblingPath, file.Release(), true);
    }
    Destination& target = sibling ? *sibling : destination;

    FILETIME written;
    const bool dated = GetFileTime(source.Get(), nullptr, nullptr, &written);
    const KlvInt result = CopyContent(source, target.Get(), buffer, observer);
    if (result != kCopied) return result;
    // What the destination held beyond the new content goes; the copy keeps
    // the source's date, as the platform's expander does.
    if (!SetEndOfFile(target.Get())) return kCopyFailed;
    if (dated) SetFileTime(target.Get(), nullptr, nullptr, &written);
    if (sibling) {
      sibling->Close();
      if (!MoveFileExW(siblingPath.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return kCopyFailed;
    }
    target.Keep();
    source.Reset();
    if (mode == CopyMode::kMove) DeleteFileW(from.c_str());  // a read-only source stays, and that is success
    return kCopied;
  }
}

// Copies (moves) each file matching `source` to the name the wildcard
// table gives it under `destination`; stops at the first failing file, or
// when the observer (if any) cancels.
KlvInt CopyMatchingFiles(const std::wstring& source, const std::wstring& destination, CopyMode mode,
                         CopyObserver* observer = nullptr) {
  if (source.empty()) return kNoSource;
  if (destination.empty()) return kNoDestination;
  if (!FitsPlatform(source) || !FitsPlatform(destination)) return kCopyFailed;
  if (FullPath(source) == FullPath(destination)) return kCopyFailed;

  // The names are gathered before anything is copied, so files that the
  // copy itself creates in the source folder are never picked up.
  const Selection selection = SelectFiles(source);
  const std::vector<std::wstring>& names = selection.names;
  const std::uint64_t totalBytes = selection.totalBytes;
  if (names.empty()) {
    switch (selection.error) {
      case ERROR_PATH_NOT_FOUND: return kNoSourceFolder;
      case ERROR_FILE_NOT_FOUND:
      case ERROR_NO_MORE_FILES: return kNoSource;
      default: return kCopyFailed;
    }
  }
  if (selection.error != ERROR_NO_MORE_FILES) return kCopyFailed;

  // The wildcard table: which of the source's parts hold wildcards decides
  // how each found name maps onto the destination.
  const std::wstring sourceFolder = FolderPart(source), destinationFolder = FolderPart(destination);
  const std::wstring sourceExtension = Extension(source), sourceBase = Base(source);
  CopyBuffer buffer;
  if (observer && !observer->Begin(totalBytes)) return kCancelled;
  for (const std::wstring& name : names) {
    if (observer && !observer->StartFile(name)) return kCancelled;
    std::wstring from = sourceFolder + name, to;
    if (Contains(sourceExtension, L"*") && Contains(sourceBase, L"*")) {
      to = destinationFolder + name;
    } else if (Contains(sourceExtension, L"*?")) {
      to = ReplaceExtension(destination, Extension(name));
    } else if (Contains(sourceBase, L"*?")) {
      to = destinationFolder + ReplaceExtension(name, Extension(destination));
    } else {
      from = source;
      to = destination;
    }
    const KlvInt result = CopyOneFile(to, from, mode, kRetryAllowance, buffer, observer);
    if (result != kCopied) return result;
  }
  return kCopied;
}

// Results of kLvDeleteFile, in the copy's codes.
enum DeleteResult : KlvInt {
  kDeleted = kCopied,               // every matching file is gone
  kNothingMatches = kNoSource,      // nothing matches, or the name matches nothing it could name
  kNoFolder = kNoSourceFolder,      // the folder is missing
  kNotAllDeleted = kCopyFailed,     // a matching file stays (read-only, in use, ...)
};

// Characters that the platform's search reads as wildcards of its own
// (< > "), or that no file name holds (| and the control characters).
bool HoldsRefusedCharacter(const std::wstring& name) {
  for (const wchar_t c : name)
    if (c == L'<' || c == L'>' || c == L'"' || c == L'|' || c < 0x20) return true;
  return false;
}

KlvInt DeleteMatchingFiles(const std::wstring& pattern) {
  if (pattern.empty() || !FitsPlatform(pattern) || HoldsRefusedCharacter(pattern)) return kNothingMatches;
  const Selection selection = SelectFiles(pattern);
  if (selection.names.empty()) {
    switch (selection.error) {
      case ERROR_PATH_NOT_FOUND:
      case ERROR_NOT_READY: return kNoFolder;
      case ERROR_FILE_NOT_FOUND:
      case ERROR_NO_MORE_FILES:
      case ERROR_INVALID_NAME: return kNothingMatches;
      default: return kNotAllDeleted;
    }
  }
  bool allGone = selection.error == ERROR_NO_MORE_FILES;
  const std::wstring folder = FolderPart(pattern);
  for (const std::wstring& name : selection.names) {
    const std::wstring path = folder + name;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      allGone = allGone && GetLastError() == ERROR_FILE_NOT_FOUND;  // gone already
      continue;
    }
    // Windows refuses to delete a read-only file; Wine run as root would not.
    if ((attributes & FILE_ATTRIBUTE_READONLY) || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      allGone = false;
      continue;
    }
    if (!DeleteFileW(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) allGone = false;
  }
  return allGone ? kDeleted : kNotAllDeleted;
}

// Local time as YYYY-MM-DD hh:mm:ss.
std::wstring LocalTimeText(const FILETIME& time) {
  FILETIME local;
  SYSTEMTIME t;
  if (!FileTimeToLocalFileTime(&time, &local) || !FileTimeToSystemTime(&local, &t)) return kNone;
  char text[32];
  std::snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                t.wSecond);
  return Widen(text);
}

std::wstring AttributeLetters(DWORD attributes) {
  std::wstring letters;
  if (attributes & FILE_ATTRIBUTE_READONLY) letters += L'R';
  if (attributes & FILE_ATTRIBUTE_HIDDEN) letters += L'H';
  if (attributes & FILE_ATTRIBUTE_SYSTEM) letters += L'S';
  if (attributes & FILE_ATTRIBUTE_ARCHIVE) letters += L'A';
  return letters;
}

// The file version of the version resource, as a.b.c.d.
std::wstring FileVersion(const std::wstring& name) {
  DWORD unused = 0;
  const DWORD size = GetFileVersionInfoSizeW(name.c_str(), &unused);
  if (size == 0) return kNone;
  std::vector<char> block(size);
  if (!GetFileVersionInfoW(name.c_str(), 0, size, block.data())) return kNone;
  void* found = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\", &found, &length) || !found || length < sizeof(VS_FIXEDFILEINFO))
    return kNone;
  VS_FIXEDFILEINFO info;
  std::memcpy(&info, found, sizeof(info));
  if (info.dwSignature != VS_FFI_SIGNATURE) return kNone;
  return std::to_wstring(HIWORD(info.dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(info.dwFileVersionMS)) + L"." +
         std::to_wstring(HIWORD(info.dwFileVersionLS)) + L"." + std::to_wstring(LOWORD(info.dwFileVersionLS));
}

std::wstring FileInfo(const std::wstring& name, const std::wstring& what) {
  if (name.empty() || Contains(name, L"*?") || !FitsPlatform(name) || IsDeviceName(name)) return kNone;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return kNone;
  if (SameWord(what, "size"))
    return std::to_wstring((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
  if (SameWord(what, "modified")) return LocalTimeText(data.ftLastWriteTime);
  if (SameWord(what, "created")) return LocalTimeText(data.ftCreationTime);
  if (SameWord(what, "attributes")) return AttributeLetters(data.dwFileAttributes);
  if (SameWord(what, "version")) return FileVersion(name);
  return kNone;
}

}  // namespace
}  // namespace klv

using klv::Arg;

/* Creates DirectoryName with every missing parent folder, outermost first:
   0 when it is a folder afterwards (made now or already there), -1
   otherwise. Names shorter than three characters are never created. */
KlvInt KLV_CALL kLvCreateDirectoryW(KlvTextW DirectoryName) {
  return klv::IntExport(-1, [&] {
    const std::wstring name = Arg(DirectoryName);
    klv::CreateFolderChain(name);
    return klv::IsFolder(name) ? 0 : -1;
  });
}

/* Removes the empty folder DirectoryName: 0 when it was a folder and is
   gone, -1 when it was no folder or is still there. */
KlvInt KLV_CALL kLvRemoveDirectoryW(KlvTextW DirectoryName) {
  return klv::IntExport(-1, [&] {
    const std::wstring name = Arg(DirectoryName);
    if (!klv::IsFolder(name)) return -1;
    RemoveDirectoryW(name.c_str());
    return klv::IsFolder(name) ? -1 : 0;
  });
}

/* 1 when FileName (wildcards allowed: the first match counts) is a file with
   a DOS-representable date, 0 otherwise; folders give 0. */
KlvInt KLV_CALL kLvDoesFileExistW(KlvTextW FileName) {
  return klv::IntExport(0, [&] { return klv::PassesFileTest(Arg(FileName)) ? 1 : 0; });
}

/* Copies SourceFileName (wildcards allowed in its name part) to
   DestinationFileName, expanding LZ-compressed sources and creating missing
   destination folders. Result: 0 done, 1 no source, 2 no source folder, 3
   destination refused by the expander, 4 destination cannot be opened, 5
   same file on both sides or any other failure. */
KlvInt KLV_CALL kLvCopyFileW(KlvTextW SourceFileName, KlvTextW DestinationFileName) {
  return klv::IntExport(klv::kCopyFailed, [&] {
    return klv::CopyMatchingFiles(Arg(SourceFileName), Arg(DestinationFileName), klv::CopyMode::kCopy);
  });
}

/* As kLvCopyFile, then deletes each source copied; a source that cannot be
   deleted (read-only) stays and still counts as moved. Never deletes a
   file's only copy. */
KlvInt KLV_CALL kLvMoveFileW(KlvTextW SourceFileName, KlvTextW DestinationFileName) {
  return klv::IntExport(klv::kCopyFailed, [&] {
    return klv::CopyMatchingFiles(Arg(SourceFileName), Arg(DestinationFileName), klv::CopyMode::kMove);
  });
}

/* Deletes FileName, or every file that a wildcard pattern (* and ?) in its
   name part matches, selecting files as kLvCopyFile does: hidden and system
   files and folders are skipped. Result: 0 every matching file is gone; 1
   nothing matches (an empty name, or one holding < > " | or a control
   character, matches nothing); 2 the folder does not exist; 5 a matching
   file could not be deleted (a read-only file never is), the others are. */
KlvInt KLV_CALL kLvDeleteFileW(KlvTextW FileName) {
  return klv::IntExport(klv::kNotAllDeleted, [&] { return klv::DeleteMatchingFiles(Arg(FileName)); });
}

/* One fact about the file FileName (no wildcards). What, any letter case:
   size (bytes, whole decimal text), modified or created (local time as
   YYYY-MM-DD hh:mm:ss), attributes (those of R, H, S, A that apply, in
   that order; empty when none), version (a.b.c.d from the file's version
   resource). "-1" when the file does not exist, is a folder or a device,
   the name holds a wildcard, What is another word, or the file has no
   version resource. */
KlvTextW KLV_CALL kLvGetFileInfoW(KlvTextW FileName, KlvTextW What) {
  return klv::TextExport(klv::kNone, [&] { return klv::FileInfo(Arg(FileName), Arg(What)); });
}

/* Copies as kLvCopyFile does (the same names, results 0 to 5) while a
   window owned by the caller's active window shows Title ("Copying" when
   empty), the file being copied, a bar over the bytes of all files and a
   Cancel button; a copy done within a moment shows no window. 6 when the
   user cancels: files already copied stay, the one in progress is undone.
   An existing destination file is replaced only by a complete copy; a
   failure leaves it as it was and no partial file. */
KlvInt KLV_CALL kLvCopyFileProgressW(KlvTextW SourceFileName, KlvTextW DestinationFileName, KlvTextW Title) {
  return klv::IntExport(klv::kCopyFailed, [&] {
    const std::unique_ptr<klv::CopyObserver> window = klv::MakeProgressWindow(Arg(Title));
    return klv::CopyMatchingFiles(Arg(SourceFileName), Arg(DestinationFileName), klv::CopyMode::kCopy, window.get());
  });
}

KlvInt KLV_CALL kLvCreateDirectory(KlvText DirectoryName) { return klv::CallWide(kLvCreateDirectoryW, DirectoryName); }
KlvInt KLV_CALL kLvRemoveDirectory(KlvText DirectoryName) { return klv::CallWide(kLvRemoveDirectoryW, DirectoryName); }
KlvInt KLV_CALL kLvDoesFileExist(KlvText FileName) { return klv::CallWide(kLvDoesFileExistW, FileName); }
KlvInt KLV_CALL kLvCopyFile(KlvText SourceFileName, KlvText DestinationFileName) {
  return klv::CallWide(kLvCopyFileW, SourceFileName, DestinationFileName);
}
KlvInt KLV_CALL kLvMoveFile(KlvText SourceFileName, KlvText DestinationFileName) {
  return klv::CallWide(kLvMoveFileW, SourceFileName, DestinationFileName);
}
KlvInt KLV_CALL kLvDeleteFile(KlvText FileName) { return klv::CallWide(kLvDeleteFileW, FileName); }
KlvText KLV_CALL kLvGetFileInfo(KlvText FileName, KlvText What) {
  return klv::AnsiValue(klv::CallWide(kLvGetFileInfoW, FileName, What), "-1");
}
KlvInt KLV_CALL kLvCopyFileProgress(KlvText SourceFileName, KlvText DestinationFileName, KlvText Title) {
  return klv::CallWide(kLvCopyFileProgressW, SourceFileName, DestinationFileName, Title);
}
