// What the library's windows share with the caller's thread: the window
// that owns them, and the paint messages handled while a call runs.
#ifndef KLV_CALLER_H
#define KLV_CALLER_H

#include <windows.h>

namespace klv {

// The caller's active window (its top-level window), which owns the
// library's boxes and dialogs; null when the calling thread has none.
inline HWND CallerWindow() {
  const HWND active = GetActiveWindow();
  return active ? GetAncestor(active, GA_ROOT) : nullptr;
}

// Dispatches the paint messages waiting for this thread's windows, and
// nothing else: clicks, keys and timers stay queued, so no script of the
// host runs in the middle of a call.
// A window that never validates its area is handed WM_PAINT again at
// once, so one pass handles at most kMaxPaintsPerPass of them.
constexpr int kMaxPaintsPerPass = 64;
inline void HandlePaintMessages() {
  MSG message;
  for (int handled = 0; handled < kMaxPaintsPerPass && PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE);
       ++handled)
    DispatchMessageW(&message);
}

}  // namespace klv

#endif
