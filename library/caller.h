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
inline void HandlePaintMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageA(&message);
}

}  // namespace klv

#endif
