// The progress window of kLvCopyFileProgress: the file being copied, a bar
// over the bytes of all files, and a Cancel button.
//
// The copy runs on the caller's thread and the window's messages are
// handled between blocks, which the copy sizes to take a few tens of
// milliseconds whatever the medium (a CD-ROM drive may take seconds for
// 1 MiB), an LZ-compressed file included: the window answers within a
// tenth of a second. A worker thread would answer during a block too, but
// the caller's thread then sits in a modal loop that runs every message of
// its windows, the host's timers and scripts included; between blocks only
// the window's own messages and everybody's paint messages are handled, so
// the host stays still and yet repaints.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "caller.h"
#include "frame.h"
#include "owner.h"
#include "progress.h"

namespace klv {

namespace {

const wchar_t kClassName[] = L"kLvCopyProgress";
const wchar_t kDefaultTitle[] = L"Copying";
const wchar_t kCancelText[] = L"Cancel";

constexpr int kNameId = 100;
constexpr int kBarId = 101;
// The bar's range: per mille of the bytes to copy.
constexpr int kBarRange = 1000;
// How often the copy stops to update the bar and handle messages: often
// enough to answer at once (with the block in progress, within 100 ms),
// seldom enough to cost nothing.
constexpr DWORD kPumpIntervalMs = 50;
// A copy done sooner than this shows no window at all (as the platform's
// own progress dialogs do): no flash for a small copy, and a fast one is
// not slowed by making a window. The owner is disabled from the start.
constexpr DWORD kShowDelayMs = 200;
// Client area and controls, in pixels.
constexpr int kWidth = 360, kHeight = 112, kMargin = 12, kLine = 20, kButtonWidth = 88, kButtonHeight = 26;

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

// The window class, registered for as long as one window lives: a library
// that registers a class must take it away again before it is unloaded.
// One that cannot be registered leaves the copy to run without a window.
class WindowClass {
 public:
  explicit WindowClass(WNDPROC procedure) : module_(ThisModule()) {
    WNDCLASSEXW info{};
    info.cbSize = sizeof(info);
    info.lpfnWndProc = procedure;
    info.hInstance = module_;
    info.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    info.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    info.lpszClassName = kClassName;
    RegisterClassExW(&info);  // already there while another thread's copy shows one: shared
  }
  // Fails, harmlessly, while another thread's window of the class lives;
  // the last one to go takes the class away.
  ~WindowClass() { UnregisterClassW(kClassName, module_); }
  WindowClass(const WindowClass&) = delete;
  WindowClass& operator=(const WindowClass&) = delete;
  HINSTANCE Module() const { return module_; }

 private:
  HINSTANCE module_;
};

class ProgressWindow : public CopyObserver {
 public:
  explicit ProgressWindow(const std::wstring& title)
      : class_(OnMessage), owner_(CallerWindow()), title_(title), start_(GetTickCount()) {}

  ~ProgressWindow() override {
    // The caller's windows are enabled before this window goes, so that
    // they, not some other program, become active again.
    callerWindows_.Restore();
  }

  bool Begin(std::uint64_t totalBytes) override {
    total_ = totalBytes;
    return Pump();
  }

  bool StartFile(const std::wstring& name) override {
    name_ = FitsPlatform(name) ? name : std::wstring();
    if (nameLabel_) SetWindowTextW(nameLabel_, name_.c_str());
    return Pump();
  }

  bool Advance(std::uint64_t bytes) override {
    done_ += bytes;
    // A glance at the clock is cheap; the bar and the queue are not.
    const DWORD now = GetTickCount();
    if (now - lastPump_ < kPumpIntervalMs && done_ < total_) return !cancelled_;
    lastPump_ = now;
    const int position = total_ == 0 ? kBarRange
                                     : static_cast<int>(std::min<std::uint64_t>(done_, total_) * kBarRange / total_);
    if (position != shown_ && bar_) {
      shown_ = position;
      SendMessageW(bar_, PBM_SETPOS, position, 0);
    }
    return Pump();
  }

 private:
  // Centred over the owner, or over the screen's work area without one.
  POINT Centre(int width, int height) const {
    RECT area{};
    if (!owner_ || !GetWindowRect(owner_, &area)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return POINT{area.left + (area.right - area.left - width) / 2, area.top + (area.bottom - area.top - height) / 2};
  }

  HWND Child(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int width,
             int height, int id, WPARAM font) {
    const HWND child = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), class_.Module(), nullptr);
    if (child) SendMessageW(child, WM_SETFONT, font, FALSE);
    return child;
  }

  // The window, made and shown the first time the copy is still running
  // after kShowDelayMs. A window that cannot be made leaves the copy to run
  // without one.
  void Show() {
    if (tried_ || GetTickCount() - start_ < kShowDelayMs) return;
    tried_ = true;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    RECT frame{0, 0, kWidth, kHeight};
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD extended = WS_EX_DLGMODALFRAME;
    AdjustWindowRectEx(&frame, style, FALSE, extended);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    POINT at = Centre(width, height);
    const std::wstring caption = title_.empty() ? std::wstring(kDefaultTitle) : title_;
    Window window(CreateWindowExW(extended, kClassName, FitsPlatform(caption) ? caption.c_str() : kDefaultTitle,
                                  style, at.x, at.y, width, height, owner_, nullptr, class_.Module(), this));
    if (!window) return;
    const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    const HWND name = Child(window.Get(), WC_STATICW, name_.c_str(), SS_LEFTNOWORDWRAP | SS_NOPREFIX, kMargin,
                            kMargin, kWidth - 2 * kMargin, kLine, kNameId, font);
    const HWND bar = Child(window.Get(), PROGRESS_CLASSW, L"", 0, kMargin, kMargin + kLine + 6, kWidth - 2 * kMargin,
                           kLine, kBarId, font);
    const HWND cancel = Child(window.Get(), WC_BUTTONW, kCancelText, BS_DEFPUSHBUTTON | WS_TABSTOP,
                              (kWidth - kButtonWidth) / 2, kHeight - kMargin - kButtonHeight, kButtonWidth,
                              kButtonHeight, IDCANCEL, font);
    if (!name || !bar || !cancel) return;
    window_ = std::move(window);
    nameLabel_ = name;
    bar_ = bar;
    SendMessageW(bar_, PBM_SETRANGE32, 0, kBarRange);
    if (shown_ >= 0) SendMessageW(bar_, PBM_SETPOS, shown_, 0);
    ShowWindow(window_.Get(), SW_SHOWNORMAL);
    UpdateWindow(window_.Get());
  }

  // Handles what waits for this window (and its controls), and the paint
  // messages of the caller's other windows; false once the user cancelled.
  bool Pump() {
    Show();
    MSG message;
    // Without a window of its own, none of the thread's messages are taken:
    // a null window would take them all.
    while (window_ && PeekMessageW(&message, window_.Get(), 0, 0, PM_REMOVE)) {
      if (!IsDialogMessageW(window_.Get(), &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
    HandlePaintMessages();
    return !cancelled_;
  }

  static LRESULT CALLBACK OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
      case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL && self) self->OnCancel();
        return 0;
      case WM_CLOSE:  // the close box cancels; the copy closes the window
        if (self) self->OnCancel();
        return 0;
      default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
  }

  void OnCancel() {
    cancelled_ = true;
    EnableWindow(GetDlgItem(window_.Get(), IDCANCEL), FALSE);
  }

  WindowClass class_;
  HWND owner_;
  // Disabled from the start, as a modal dialog disables its owner: clicks
  // and keys made on them during the copy are dropped, not run after it.
  DisabledCallerWindows callerWindows_;
  std::wstring title_;
  DWORD start_;
  Window window_;
  bool tried_ = false;  // to make the window: it is made once, or never
  std::wstring name_;
  HWND nameLabel_ = nullptr;
  HWND bar_ = nullptr;
  std::uint64_t total_ = 0, done_ = 0;
  int shown_ = -1;
  DWORD lastPump_ = 0;
  bool cancelled_ = false;
};

}  // namespace

std::unique_ptr<CopyObserver> MakeProgressWindow(const std::wstring& title) {
  return std::make_unique<ProgressWindow>(title);
}

}  // namespace klv
