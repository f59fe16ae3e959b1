// Files and folders: folder chains, the file test, and copying or moving one
// file or every file matching a wildcard pattern, expanding LZ-compressed
// sources on the way.
#ifndef KLV_FILES_H
#define KLV_FILES_H

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "frame.h"

namespace klv {

enum class CopyMode { kCopy, kMove };

// Results of kLvCopyFile and kLvMoveFile.
enum CopyResult : KlvInt {
  kCopied = 0,               // every matching file copied (moved)
  kNoSource = 1,             // nothing matches, or a source vanished or was refused by the expander
  kNoSourceFolder = 2,       // the source's folder is missing
  kDestinationRefused = 3,   // the expander refused the destination
  kNoDestination = 4,        // the destination cannot be opened or its folders made
  kCopyFailed = 5,           // same file on both sides, or any other failure
};

// Each file copied may once create the destination's missing folders and try again.
constexpr int kRetryAllowance = 1;

// The working memory of one copy call, shared by the files it copies.
class CopyBuffer {
 public:
  static constexpr std::size_t kSize = 1 << 20;
  char* Data();  // allocated on first use; throws std::bad_alloc
  std::size_t Size() const { return kSize; }

 private:
  std::unique_ptr<char[]> data_;
};

// A folder: the platform reports the path (unchanged) with the directory bit.
bool IsFolder(const std::string& path);

// A file: the first entry the search finds is not a folder and its
// last-write time has a DOS date and time (so none before 1980).
bool PassesFileTest(const std::string& name);

// Creates every missing folder of `path`, outermost first; never a drive
// root. Failures are left for the caller to find.
void CreateFolderChain(const std::string& path);

// The files a pattern selects, for the copy and the delete alike: the
// search's entries in its order, as plain names; hidden, system, folder and
// volume-label entries are skipped, and a device name selects nothing.
// `error` is the platform's answer that ended the search
// (ERROR_NO_MORE_FILES when it ran to its end).
struct Selection {
  std::vector<std::string> names;
  DWORD error = ERROR_SUCCESS;
};
Selection SelectFiles(const std::string& pattern);

// Copies (moves) each file matching `source` to the name the wildcard
// table gives it under `destination`; stops at the first failing file.
KlvInt CopyMatchingFiles(const std::string& source, const std::string& destination, CopyMode mode);

// Copies `from` onto `to` (kept as is when it exists, cut to the new
// length), expanding an LZ-compressed source; `allowance` retries may
// create the destination's folders.
KlvInt CopyOneFile(const std::string& to, const std::string& from, CopyMode mode, int allowance, CopyBuffer& buffer);

}  // namespace klv

#endif
