#include "klv_window.h"

#include <algorithm>
#include <fstream>
#include <utility>

#include "klv_test.h"

namespace klvtest {

namespace {

constexpr DWORD kPollMs = 50;
constexpr DWORD kCloseMs = 3000;
constexpr DWORD kAnswerMs = 5000;

BOOL CALLBACK CollectOfProcess(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == search->first) search->second.push_back(window);
  return TRUE;
}

BOOL CALLBACK Collect(HWND window, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  return TRUE;
}

bool WaitGone(HWND window, DWORD timeoutMs) {
  return WaitFor([window] { return !IsWindow(window); }, timeoutMs, kPollMs);
}

// Cancel first; a box without Cancel is closed by its first button.
void ForceClose(HWND window) {
  Press(window, IDCANCEL);
  if (WaitGone(window, kCloseMs)) return;
  for (const Control& control : Controls(window)) {
    if (control.visible && control.className == "Button") {
      Press(window, control.id);
      if (WaitGone(window, kCloseMs)) return;
    }
  }
  PostMessageA(window, WM_CLOSE, 0, 0);
  WaitGone(window, kCloseMs);
}

}  // namespace

std::string DialogFolder(HWND dialog) {
  // The library's dialogs are Unicode ones, which answer this message in
  // UTF-16 whichever way it is sent.
  wchar_t folder[MAX_PATH * 2] = {};
  if (SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH * 2, reinterpret_cast<LPARAM>(folder)) <= 0) return std::string();
  char ansi[MAX_PATH * 4] = {};
  WideCharToMultiByte(CP_ACP, 0, folder, -1, ansi, sizeof(ansi), nullptr, nullptr);
  return ansi;
}

std::string WindowText(HWND window) {
  // WM_GETTEXT through SendMessage: GetWindowText does not ask another
  // thread's controls for their text. A window that does not answer in
  // time reads as empty rather than holding up the test.
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kAnswerMs, &length)) return "";
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_NORMAL, kAnswerMs,
                           &got))
    return "";
  text.resize(std::min<std::size_t>(got, length));
  return text;
}

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof(name));
  return name;
}

std::vector<HWND> WindowsOf(DWORD pid) {
  std::pair<DWORD, std::vector<HWND>> search{pid, {}};
  EnumWindows(CollectOfProcess, reinterpret_cast<LPARAM>(&search));
  return search.second;
}

std::vector<HWND> OwnWindows(const std::string& className) {
  std::vector<HWND> found;
  for (HWND window : WindowsOf(GetCurrentProcessId()))
    if (IsWindowVisible(window) && ClassOf(window) == className) found.push_back(window);
  return found;
}

HWND FindOwnWindow(const std::string& className, const std::string& caption, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitFor(
      [&] {
        for (HWND window : OwnWindows(className))
          if (!found && WindowText(window) == caption) found = window;
        return found != nullptr;
      },
      timeoutMs, kPollMs);
  return found;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::vector<Control> Controls(HWND parent) {
  std::vector<Control> controls;
  for (HWND window : Children(parent))
    controls.push_back({window, GetDlgCtrlID(window), ClassOf(window), WindowText(window), IsWindowVisible(window) != 0});
  return controls;
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

bool WaitIdle(HWND window, DWORD timeoutMs) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored) != 0;
}

void PressOn(HWND window, int fromTop) {
  RECT rect{};
  GetWindowRect(window, &rect);
  SetCursorPos((rect.left + rect.right) / 2, fromTop < 0 ? (rect.top + rect.bottom) / 2 : rect.top + fromTop);
  INPUT inputs[4] = {};
  inputs[0].type = inputs[1].type = INPUT_MOUSE;
  inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  inputs[2].type = inputs[3].type = INPUT_KEYBOARD;
  inputs[2].ki.wVk = inputs[3].ki.wVk = 'K';
  inputs[3].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(4, inputs, sizeof(INPUT));
  WaitIdle(window);
}

void Press(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool SaveScreenshot(HWND window, const std::string& path) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  WaitIdle(window);
  RECT rect{};
  if (!GetWindowRect(window, &rect)) return false;
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;

  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  const BOOL copied = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(memory, old);

  BITMAPINFOHEADER info{};
  info.biSize = sizeof(info);
  info.biWidth = width;
  info.biHeight = height;  // bottom-up rows, as BMP files store them
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  std::string pixels(static_cast<std::size_t>(stride) * height, '\0');
  const int rows = copied ? GetDIBits(memory, bitmap, 0, height, &pixels[0], reinterpret_cast<BITMAPINFO*>(&info),
                                      DIB_RGB_COLORS)
                          : 0;
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (rows != height) return false;

  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(&file), sizeof(file));
  out.write(reinterpret_cast<const char*>(&info), sizeof(info));
  out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
  return static_cast<bool>(out);
}

std::string ArtifactDir() {
  const std::string bin = BinDir();
  const std::string dir = bin.substr(0, bin.find_last_of('\\')) + "\\artifacts";
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

Person::Person(std::string className, std::string caption, std::function<void(HWND)> act, DWORD timeoutMs)
    : thread_(&Person::Run, this, std::move(className), std::move(caption), std::move(act), timeoutMs) {}

Person::~Person() { Finish(); }

void Person::Finish() {
  if (thread_.joinable()) thread_.join();
}

void Person::Run(std::string className, std::string caption, std::function<void(HWND)> act, DWORD timeoutMs) {
  HWND window = FindOwnWindow(className, caption, timeoutMs);
  if (window) {
    saw_ = true;
    WaitIdle(window);
    act(window);
    if (!WaitGone(window, timeoutMs)) ForceClose(window);
    return;
  }
  // Whatever showed instead is closed, so that the blocked call returns.
  for (HWND other : OwnWindows(className)) {
    ++strays_;
    ForceClose(other);
  }
}

namespace {
const char kCallerClass[] = "kLvTestCaller";
}

CallerWindow::CallerWindow(const std::string& caption) {
  WNDCLASSA info{};
  info.lpfnWndProc = OnMessage;
  info.hInstance = GetModuleHandleA(nullptr);
  info.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  info.lpszClassName = kCallerClass;
  RegisterClassA(&info);  // already there for a second window: fine
  window_ = CreateWindowExA(0, kCallerClass, caption.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300,
                            nullptr, nullptr, info.hInstance, this);
  SetForegroundWindow(window_);
  SetActiveWindow(window_);
  Pump();
}

CallerWindow::~CallerWindow() {
  if (window_) DestroyWindow(window_);
  Pump();
}

void CallerWindow::Pump() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

LRESULT CALLBACK CallerWindow::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE)
    SetWindowLongPtrA(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
  auto* self = reinterpret_cast<CallerWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self && message == WM_PAINT) InterlockedIncrement(&self->paints_);
  if (self && message == WM_USER) InterlockedIncrement(&self->userMessages_);
  if (self && (message == WM_LBUTTONDOWN || message == WM_KEYDOWN || message == WM_SYSKEYDOWN))
    InterlockedIncrement(&self->presses_);
  return DefWindowProcA(window, message, wParam, lParam);
}

void ExpectOwnedByTheCaller(const std::string& caption, int press, const std::function<void()>& show) {
  const auto shownOwner = [&](bool* ownerEnabled) {
    HWND owner = reinterpret_cast<HWND>(-1);
    Person person(kDialogClass, caption, [&](HWND window) {
      owner = GetWindow(window, GW_OWNER);
      *ownerEnabled = owner && IsWindowEnabled(owner);
      Press(window, press);
    });
    show();
    person.Finish();
    return owner;
  };
  bool enabled = true;
  {
    CallerWindow caller;
    EXPECT_EQ(shownOwner(&enabled), caller.Get()) << caption;
    EXPECT_FALSE(enabled) << caption;
    EXPECT_TRUE(IsWindowEnabled(caller.Get())) << caption;
  }
  HWND unowned = nullptr;
  std::thread([&] { unowned = shownOwner(&enabled); }).join();
  EXPECT_EQ(unowned, nullptr) << caption;
}

}  // namespace klvtest
