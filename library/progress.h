// Watching a copy while it runs, and the window that shows it to the user.
#ifndef KLV_PROGRESS_H
#define KLV_PROGRESS_H

#include <cstdint>
#include <memory>
#include <string>

namespace klv {

// Told how a copy proceeds; each answer of false cancels it.
class CopyObserver {
 public:
  virtual ~CopyObserver() = default;
  // Once, before the first file: the bytes of every file to copy.
  virtual bool Begin(std::uint64_t totalBytes) = 0;
  // Before each file, by its plain name.
  virtual bool StartFile(const std::wstring& name) = 0;
  // After each block, which the copy sizes to take a few tens of
  // milliseconds: the bytes of the source it stands for (for a compressed
  // source, in proportion to what was expanded; it may be 0).
  virtual bool Advance(std::uint64_t bytes) = 0;
};

// The progress window, captioned `title` ("Copying" when empty), owned by
// the caller's active window and modal to it: the owner is disabled at
// once, and the window shows once the copy has run for a moment (a quick
// copy shows none; one that cannot be made leaves the copy to run without
// it). It closes, and the owner is enabled again, when the returned
// observer goes.
std::unique_ptr<CopyObserver> MakeProgressWindow(const std::wstring& title);

}  // namespace klv

#endif
