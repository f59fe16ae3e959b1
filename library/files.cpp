// Files and folders: folder chains, the file test, and copying or moving one
// file or every file matching a wildcard pattern, expanding LZ-compressed
// sources on the way.
#include <windows.h>
#include <lzexpand.h>
#include <winioctl.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
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

// Test seams: environment variables that only the tests set, read once per
// call. Each makes the copy meet what a real medium gives it, so none opens
// a path that the library does not take on such a medium anyway, and none
// lets a check pass that would fail: KLV_TEST_FILE_IDS=none hides the
// object ids (as FAT has none), =zero also reads every file index as 0 (as
// some network and virtual file systems report it); KLV_TEST_READ_RATE=n
// reads the source at n bytes a second (as a slow CD-ROM drive does).
struct Seams {
  bool noObjectIds = false;
  bool zeroFileIndex = false;
  unsigned long readRate = 0;  // bytes a second; 0 for the medium's own pace

  static Seams FromEnvironment() {
    const auto read = [](const wchar_t* name) {
      wchar_t value[32];
      const DWORD length = GetEnvironmentVariableW(name, value, 32);
      return length > 0 && length < 32 ? std::wstring(value, length) : std::wstring();
    };
    Seams seams;
    const std::wstring ids = read(L"KLV_TEST_FILE_IDS");
    seams.zeroFileIndex = ids == L"zero";
    seams.noObjectIds = seams.zeroFileIndex || ids == L"none";
    seams.readRate = std::wcstoul(read(L"KLV_TEST_READ_RATE").c_str(), nullptr, 10);
    return seams;
  }
  void Throttle(std::uint64_t bytes) const {
    if (readRate) Sleep(static_cast<DWORD>(bytes * 1000 / readRate));
  }
};

// How much a copy reads (or expands) at once. Unwatched, every block is
// the largest: the fewest calls. Watched by an observer, which hears of
// the copy (and whose window handles its messages) only between blocks, a
// block is sized to take about kBlockMs on whatever medium: a CD-ROM drive
// may take seconds for the largest. Sizes are powers of two and a block
// starts at a multiple of its size in the file, as the largest ones do:
// blocks out of step with the file's own run slower.
class BlockSize {
 public:
  static constexpr DWORD kLargest = 1 << 20;
  static constexpr DWORD kSmallest = 4 << 10;
  static constexpr DWORD kFirstWatched = 64 << 10;
  static constexpr LONGLONG kBlockMs = 25;

  explicit BlockSize(bool watched) : watched_(watched), size_(watched ? kFirstWatched : kLargest) {
    if (watched) QueryPerformanceFrequency(&frequency_);
  }
  DWORD Get() const { return size_; }
  void StartFile() { position_ = 0; }
  void Start() {
    if (watched_) QueryPerformanceCounter(&start_);
  }
  // After a block of `bytes` read and written: the next one is sized by how
  // long this one took.
  void Stop(DWORD bytes) {
    if (!watched_) return;
    position_ += bytes;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const LONGLONG took = now.QuadPart - start_.QuadPart, goal = frequency_.QuadPart * kBlockMs / 1000;
    DWORD wanted = size_;
    if (took > goal) {
      while (wanted > kSmallest && wanted * took > size_ * goal) wanted /= 2;
    } else if (took < goal / 2 && wanted < kLargest) {
      wanted *= 2;
    }
    // Blocks stay aligned in the file; after a short read that left the
    // position off every alignment, sizes go on unaligned rather than stay
    // at the smallest.
    if (position_ % kSmallest == 0)
      while (wanted > kSmallest && position_ % wanted != 0) wanted /= 2;
    size_ = wanted;
  }

 private:
  bool watched_;
  DWORD size_;
  std::uint64_t position_ = 0;
  LARGE_INTEGER frequency_{}, start_{};
};

// The working state of one copy call, shared by the files it copies.
class CopyJob {
 public:
  explicit CopyJob(CopyObserver* observer)
      : observer(observer), block(observer != nullptr), seams(Seams::FromEnvironment()) {}
  char* Data() {  // BlockSize::kLargest bytes, allocated on first use; throws std::bad_alloc
    if (!data_) data_.reset(new char[BlockSize::kLargest]);
    return data_.get();
  }

  CopyObserver* const observer;
  BlockSize block;
  const Seams seams;

 private:
  std::unique_ptr<char[]> data_;
};

// The next block of the source, read at the pace the seam sets.
bool ReadBlock(HANDLE source, CopyJob& job, DWORD& got) {
  if (!ReadFile(source, job.Data(), job.block.Get(), &got, nullptr)) return false;
  job.seams.Throttle(got);
  return true;
}

// The platform's LZ-compressed format ("SZDD"): magic, method ('A', the
// only one), last character, expanded length. Shorter files are never
// compressed.
constexpr unsigned char kLzMagic[] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
constexpr std::size_t kLzHeaderSize = 14;
constexpr char kLzMethod = 'A';

enum class Format { kPlain, kLz, kLzOtherMethod };

Format FormatOf(const char* data, DWORD size) {
  if (size < kLzHeaderSize || std::memcmp(data, kLzMagic, sizeof(kLzMagic)) != 0) return Format::kPlain;
  return data[sizeof(kLzMagic)] == kLzMethod ? Format::kLz : Format::kLzOtherMethod;
}

// The header's expanded length: four bytes, lowest first, after the last character.
std::uint32_t ExpandedLength(const char* header) {
  std::uint32_t length = 0;
  for (int i = 3; i >= 0; --i) length = (length << 8) | static_cast<unsigned char>(header[10 + i]);
  return length;
}

HFILE AsHfile(HANDLE handle) { return static_cast<HFILE>(reinterpret_cast<INT_PTR>(handle)); }

// Where copied content goes: the destination file, or a comparison with it.
class Sink {
 public:
  virtual ~Sink() = default;
  virtual bool Put(const char* data, DWORD size) = 0;
};

class FileSink : public Sink {
 public:
  explicit FileSink(HANDLE file) : file_(file) {}
  bool Put(const char* data, DWORD size) override {
    DWORD written = 0;
    return WriteFile(file_, data, size, &written, nullptr) && written == size;
  }

 private:
  HANDLE file_;
};

// Reads a file back as the content arrives: false from the first byte that
// differs or is missing.
class Comparison : public Sink {
 public:
  explicit Comparison(HANDLE file) : file_(file), data_(new char[BlockSize::kLargest]) {}
  bool Put(const char* data, DWORD size) override {
    DWORD got = 0;
    return ReadFile(file_, data_.get(), size, &got, nullptr) && got == size && std::memcmp(data, data_.get(), size) == 0;
  }
  // Whether the file ends where the content did.
  bool AtEnd() {
    DWORD got = 1;
    return ReadFile(file_, data_.get(), 1, &got, nullptr) && got == 0;
  }

 private:
  HANDLE file_;
  std::unique_ptr<char[]> data_;
};

// Expands an LZ source piece by piece (LZRead into the buffer, then into
// the sink), so that the observer hears of it, and may cancel, within the
// file. Its header was checked here, which makes LZInit's answer certain:
// a negative one is its error, any other a new LZ handle that owns the
// file from then on. The two handles are never compared: in a process with
// many handles, an LZ handle can have a file handle's value.
KlvInt Expand(File& source, Sink& sink, CopyJob& job) {
  const std::uint32_t expandedLength = ExpandedLength(job.Data());
  LARGE_INTEGER packed{};
  if (!GetFileSizeEx(source.Get(), &packed) || SetFilePointer(source.Get(), 0, nullptr, FILE_BEGIN) != 0)
    return kCopyFailed;
  const HFILE lz = LZInit(AsHfile(source.Get()));
  if (lz < 0) return lz == LZERROR_BADINHANDLE ? kNoSource : kCopyFailed;
  source.Release();
  const LzFile expander(lz);
  // Progress is told in bytes of the source, in proportion to what was expanded.
  const auto packedSize = static_cast<std::uint64_t>(packed.QuadPart);
  std::uint64_t expanded = 0, told = 0;
  for (;;) {
    job.block.Start();
    const INT got = LZRead(expander.Get(), job.Data(), static_cast<INT>(job.block.Get()));
    if (got < 0) return got == LZERROR_BADINHANDLE ? kNoSource : kCopyFailed;
    if (got == 0) break;
    expanded += static_cast<std::uint64_t>(got);
    const std::uint64_t due =
        expandedLength == 0 ? 0
                            : std::min(packedSize, static_cast<std::uint64_t>(static_cast<double>(packedSize) *
                                                                               expanded / expandedLength));
    job.seams.Throttle(due - told);
    if (!sink.Put(job.Data(), static_cast<DWORD>(got))) return kCopyFailed;
    job.block.Stop(static_cast<DWORD>(got));
    if (job.observer && !job.observer->Advance(due - told)) return kCancelled;
    told = due;
  }
  return job.observer && !job.observer->Advance(packedSize - told) ? kCancelled : kCopied;
}

// Copies `source`, read from its start, into `sink`: a source in the
// platform's LZ format expanded, any other as it is, in blocks, with the
// outcomes the platform's expander would give. The observer (if any)
// hears of each block and may cancel.
KlvInt CopyContent(File& source, Sink& sink, CopyJob& job) {
  DWORD got = 0;
  job.block.StartFile();
  job.block.Start();
  if (!ReadBlock(source.Get(), job, got)) return kCopyFailed;
  switch (FormatOf(job.Data(), got)) {
    case Format::kLz: return Expand(source, sink, job);
    case Format::kLzOtherMethod: return kCopyFailed;  // LZInit's answer: an unknown method
    case Format::kPlain: break;
  }
  while (got > 0) {
    if (!sink.Put(job.Data(), got)) return kCopyFailed;
    job.block.Stop(got);
    if (job.observer && !job.observer->Advance(got)) return kCancelled;
    job.block.Start();
    if (!ReadBlock(source.Get(), job, got)) return kCopyFailed;
  }
  return kCopied;
}

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
bool ObjectId(HANDLE file, FILE_OBJECTID_BUFFER& id, const Seams& seams) {
  std::memset(&id, 0, sizeof(id));
  DWORD size = 0;
  return !seams.noObjectIds &&
         DeviceIoControl(file, FSCTL_GET_OBJECT_ID, nullptr, 0, &id, sizeof(id), &size, nullptr) && size == sizeof(id);
}

// The volume serial and file index of an open file; the volume query costs
// Wine a round trip to its mount manager.
bool FileInformation(HANDLE file, BY_HANDLE_FILE_INFORMATION& info, const Seams& seams) {
  if (!GetFileInformationByHandle(file, &info)) return false;
  if (seams.zeroFileIndex) info.nFileIndexHigh = info.nFileIndexLow = 0;
  return true;
}

// What an existing destination is to the source.
enum class Identity { kOther, kSame, kUnknown };

// Whether an existing destination is the source under another name (letter
// case, short names, another drive mapping, hard links). An object id is
// unique on its volume only: different ids are different files, equal ones
// the same file when the volume serials agree too. Without ids the volume
// serial and file index decide, unless an index is 0, which some network
// and virtual file systems report for every file and so proves nothing.
// Then only the full paths are left: the same path is the same file, and
// different ones leave the identity unknown.
Identity IdentityOf(HANDLE source, HANDLE destination, const std::wstring& from, const std::wstring& to,
                    const Seams& seams) {
  FILE_OBJECTID_BUFFER a, b;
  BY_HANDLE_FILE_INFORMATION one, other;
  if (ObjectId(source, a, seams) && ObjectId(destination, b, seams)) {
    if (std::memcmp(a.ObjectId, b.ObjectId, sizeof(a.ObjectId)) != 0) return Identity::kOther;
    if (FileInformation(source, one, seams) && FileInformation(destination, other, seams))
      return one.dwVolumeSerialNumber == other.dwVolumeSerialNumber ? Identity::kSame : Identity::kOther;
  }
  if (FileInformation(source, one, seams) && FileInformation(destination, other, seams) &&
      (one.nFileIndexHigh | one.nFileIndexLow) != 0 && (other.nFileIndexHigh | other.nFileIndexLow) != 0) {
    return one.dwVolumeSerialNumber == other.dwVolumeSerialNumber && one.nFileIndexHigh == other.nFileIndexHigh &&
                   one.nFileIndexLow == other.nFileIndexLow
               ? Identity::kSame
               : Identity::kOther;
  }
  return lstrcmpiW(FullPath(from).c_str(), FullPath(to).c_str()) == 0 ? Identity::kSame : Identity::kUnknown;
}

// Windows refuses to open a read-only file for writing; Wine run as root
// does not, so the attribute is checked here.
bool IsReadOnly(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
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

// A name for a file beside `path` that no file has yet (the `attempt`th
// tried).
std::wstring SiblingName(const std::wstring& path, unsigned attempt) {
  return FolderPart(path) + L"~klv" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(GetTickCount() + attempt) + L".tmp";
}

// A new, empty file beside `to` that takes its new content before it
// replaces it; an invalid handle when none can be made.
File CreateSibling(const std::wstring& to, std::wstring& path) {
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    path = SiblingName(to, attempt);
    if (!FitsPlatform(path)) break;
    File file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                          nullptr));
    if (file.Valid() || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return File();
}

// Renames `path` to a new name beside it, `aside`.
bool RenameAside(const std::wstring& path, std::wstring& aside) {
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    aside = SiblingName(path, attempt);
    if (!FitsPlatform(aside)) break;
    if (MoveFileExW(path.c_str(), aside.c_str(), 0)) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  return false;
}

// Puts the complete file `sibling` in the place of `to` in one replacing
// rename: at every moment `to` is either the old file or the new one. (On
// ext4, where Wine keeps its drives, that rename first sends the new data
// on its way to the disk and waits, which the benchmark shows; NTFS does
// not wait.)
bool Replace(const std::wstring& to, const std::wstring& sibling) {
  return MoveFileExW(sibling.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

// Whether `to`, flushed to its medium and read back, holds what `from`
// gives (expanded, for an LZ source).
bool HoldsContent(const std::wstring& to, const std::wstring& from, CopyJob& job) {
  File source(CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  const File copy(CreateFileW(to.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!source.Valid() || !copy.Valid() || !FlushFileBuffers(copy.Get())) return false;
  Comparison comparison(copy.Get());
  return CopyContent(source, comparison, job) == kCopied && comparison.AtEnd();
}

KlvInt CopyOneFile(const std::wstring& to, const std::wstring& from, CopyMode mode, int allowance, CopyJob& job);

// Moves `from` onto an existing `to` that cannot be told apart from it.
// The source is renamed aside first, so that a destination that is the
// source under another name goes with it (5: same file). Otherwise it is
// copied from there, and deleted only once the destination holds its
// content (HoldsContent). On any failure it gets its name back; a source
// that cannot be renamed cannot be deleted either and stays, as a
// read-only one does.
KlvInt MoveUnconfirmed(const std::wstring& to, const std::wstring& from, int allowance, CopyJob& job) {
  std::wstring aside;
  if (!RenameAside(from, aside)) return CopyOneFile(to, from, CopyMode::kCopy, allowance, job);
  KlvInt result = kCopyFailed;
  if (GetFileAttributesW(to.c_str()) != INVALID_FILE_ATTRIBUTES) {
    result = CopyOneFile(to, aside, CopyMode::kCopy, allowance, job);
    if (result == kCopied && !HoldsContent(to, aside, job)) result = kCopyFailed;
    if (result == kCopied && DeleteFileW(aside.c_str())) return kCopied;
  }
  return MoveFileExW(aside.c_str(), from.c_str(), 0) ? result : kCopyFailed;
}

// Copies `from` onto `to`, expanding an LZ-compressed source; `allowance`
// retries may create the destination's folders. An existing `to` is
// overwritten in place and cut to the new length; with an observer, or
// when it cannot be told apart from the source, it is replaced only once
// its new copy is complete, so that a cancel or a failure leaves it as it
// was and the source is never written while it is read.
KlvInt CopyOneFile(const std::wstring& to, const std::wstring& from, CopyMode mode, int allowance, CopyJob& job) {
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
    Identity identity = Identity::kOther;  // a file this copy made is no other file
    if (!destination.Created()) {
      if (IsReadOnly(to)) return kCopyFailed;
      identity = IdentityOf(source.Get(), destination.Get(), from, to, job.seams);
      if (identity == Identity::kSame) return kCopyFailed;
      if (identity == Identity::kUnknown && mode == CopyMode::kMove) {
        source.Reset();
        destination.Close();
        return MoveUnconfirmed(to, from, allowance, job);
      }
    }

    std::wstring siblingPath;
    std::unique_ptr<Destination> sibling;
    if ((job.observer || identity == Identity::kUnknown) && !destination.Created()) {
      destination.Close();
      File file = CreateSibling(to, siblingPath);
      if (!file.Valid()) return kCopyFailed;
      sibling = std::make_unique<Destination>(siblingPath, file.Release(), true);
    }
    Destination& target = sibling ? *sibling : destination;

    FILETIME written;
    const bool dated = GetFileTime(source.Get(), nullptr, nullptr, &written);
    FileSink sink(target.Get());
    const KlvInt result = CopyContent(source, sink, job);
    if (result != kCopied) return result;
    // What the destination held beyond the new content goes; the copy keeps
    // the source's date, as the platform's expander does.
    if (!SetEndOfFile(target.Get())) return kCopyFailed;
    if (dated) SetFileTime(target.Get(), nullptr, nullptr, &written);
    if (sibling) {
      // The source is still open: a platform that keeps an open file from
      // being renamed refuses to replace the source under another name.
      sibling->Close();
      if (!Replace(to, siblingPath)) return kCopyFailed;
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
  CopyJob job(observer);
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
    const KlvInt result = CopyOneFile(to, from, mode, kRetryAllowance, job);
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
   file's only copy: onto an existing file that cannot be told apart from
   the source (no file identity on its file system, another path), the
   source is deleted only once the destination, read back, holds its
   content; otherwise 5 and the source stays. */
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
   Cancel button, and answers within a tenth of a second, a compressed file
   and a slow drive included; a copy done within a moment shows no window,
   and one whose window cannot be made runs without it. 6 when the user
   cancels: files already copied stay, the one in progress is undone.
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
