// What the library's windows share with the caller's thread: the window
// that owns them, the paint messages handled while a call runs, and the
// caller's windows held still while a call waits.
#ifndef KLV_CALLER_H
#define KLV_CALLER_H

#include <windows.h>

#include <vector>

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

// The calling thread's visible top-level windows, disabled for as long as
// this lives, as a modal box disables its owner: they keep repainting but
// take no clicks or keys, and what the user clicked or typed on them
// meanwhile is dropped, not handled after the call (messages posted by
// code stay queued). Then they are enabled again, and the active window
// and the focus are given back.
class DisabledCallerWindows {
 public:
  DisabledCallerWindows() : active_(GetActiveWindow()), focus_(GetFocus()) {
    foreground_ = active_ && GetForegroundWindow() == active_;
    EnumThreadWindows(GetCurrentThreadId(), Collect, reinterpret_cast<LPARAM>(&disabled_));
    for (HWND window : disabled_) EnableWindow(window, FALSE);
  }
  ~DisabledCallerWindows() { Restore(); }
  // Gives the windows back now (the destructor then does nothing): before
  // a window of the library's goes, so that the caller's, not some other
  // program's, becomes active.
  void Restore() {
    if (restored_) return;
    restored_ = true;
    // Clicks and keys wait in the thread's input queue, and the platform
    // decides where they go only when they are read: read now, while the
    // windows are still disabled, they are dropped (once the windows are
    // enabled, they would run the host's handlers). Posted messages stay.
    MSG message;
    for (int dropped = 0; dropped < kMaxDropped && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_INPUT);
         ++dropped) {
    }
    for (auto window = disabled_.rbegin(); window != disabled_.rend(); ++window)
      if (IsOwn(*window)) EnableWindow(*window, TRUE);
    if (!IsOwn(active_)) return;
    if (foreground_) SetForegroundWindow(active_);  // may be refused: the user moved on
    SetActiveWindow(active_);
    if (IsOwn(focus_) && GetFocus() != focus_) SetFocus(focus_);
  }
  DisabledCallerWindows(const DisabledCallerWindows&) = delete;
  DisabledCallerWindows& operator=(const DisabledCallerWindows&) = delete;

 private:
  // More than a person can queue in a wait; a bound all the same.
  static constexpr int kMaxDropped = 100000;

  static BOOL CALLBACK Collect(HWND window, LPARAM list) {
    if (!IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
    try {
      reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
      return TRUE;
    } catch (...) {
      return FALSE;  // no memory: the windows listed so far are held
    }
  }
  // A window of this thread that still exists: one destroyed during the
  // wait is left alone.
  static bool IsOwn(HWND window) {
    return window && IsWindow(window) && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
  }

  std::vector<HWND> disabled_;
  HWND active_;
  HWND focus_;
  bool foreground_ = false;
  bool restored_ = false;
};

}  // namespace klv

#endif
