// Driving the library's boxes and dialogs as a person would: a second
// thread finds the window on the screen, reads its controls, and presses a
// button or types a name. Every wait has a time limit, so a window that
// never shows fails its test instead of hanging it.
#ifndef KLV_WINDOW_H
#define KLV_WINDOW_H

#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace klvtest {

// The class of dialog boxes, the message box included.
constexpr const char kDialogClass[] = "#32770";

// The text of a window of any process; empty when it does not answer in time.
std::string WindowText(HWND window);
// The folder a common Open or Save dialog shows, in the ANSI code page.
std::string DialogFolder(HWND dialog);
std::string ClassOf(HWND window);

// A visible top-level window of this process with this class and caption,
// or null when none shows within `timeoutMs`.
HWND FindOwnWindow(const std::string& className, const std::string& caption, DWORD timeoutMs);

// Every top-level window of the process `pid`, hidden ones included.
std::vector<HWND> WindowsOf(DWORD pid);

// Every visible top-level window of this process with this class.
std::vector<HWND> OwnWindows(const std::string& className);

// Every window below `parent`, at any depth.
std::vector<HWND> Children(HWND parent);

// One child control as the screen shows it.
struct Control {
  HWND window;
  int id;
  std::string className;
  std::string text;
  bool visible;
};
std::vector<Control> Controls(HWND parent);

// The control that has the keyboard focus in the window's thread.
HWND FocusOf(HWND window);

// Returns once the window's thread has handled everything sent before.
bool WaitIdle(HWND window, DWORD timeoutMs = 5000);

// Clicks the window and presses a key, through the platform's input queue
// as a mouse and keyboard do: in its middle, or `fromTop` pixels below its
// top edge (clear of a window centred over it).
void PressOn(HWND window, int fromTop = -1);

// Presses the button `id` of a dialog the way a click does.
void Press(HWND dialog, int id);

// Writes what the screen shows of the window (drawn in full first) as a
// 24-bit BMP file.
bool SaveScreenshot(HWND window, const std::string& path);

// build\artifacts beside the test binaries, made when missing: pictures of
// what the tests saw, kept for a person to look at.
std::string ArtifactDir();

// A caller's own window: top-level, visible and active on the thread that
// makes it, as a host's stage window is. It counts the paint messages it
// handles, the WM_USER messages dispatched to it and the presses (mouse
// buttons and keys going down) it takes.
class CallerWindow {
 public:
  explicit CallerWindow(const std::string& caption = "kLv caller");
  ~CallerWindow();
  CallerWindow(const CallerWindow&) = delete;
  CallerWindow& operator=(const CallerWindow&) = delete;

  HWND Get() const { return window_; }
  LONG Paints() const { return paints_; }
  LONG UserMessages() const { return userMessages_; }
  LONG Presses() const { return presses_; }
  // Dispatches everything waiting for this thread.
  void Pump();

 private:
  static LRESULT CALLBACK OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND window_ = nullptr;
  volatile LONG paints_ = 0;
  volatile LONG userMessages_ = 0;
  volatile LONG presses_ = 0;
};

// A person at the screen. Waits on its own thread for a visible window of
// this process with the class and caption, and hands it to `act`, which
// reads it and closes it (by pressing a button). A window that does not
// show in time, or that `act` leaves open, is closed so that the call
// showing it returns; Saw() then tells whether the window showed, and
// Strays() how many other windows of the class it had to close.
class Person {
 public:
  Person(std::string className, std::string caption, std::function<void(HWND)> act, DWORD timeoutMs = 30000);
  ~Person();
  Person(const Person&) = delete;
  Person& operator=(const Person&) = delete;

  // Waits for the person to be done; Saw() is meaningful afterwards.
  void Finish();
  bool Saw() const { return saw_; }
  int Strays() const { return strays_; }

 private:
  void Run(std::string className, std::string caption, std::function<void(HWND)> act, DWORD timeoutMs);

  bool saw_ = false;
  int strays_ = 0;
  std::thread thread_;
};

// Checks whom a box or dialog that `show` opens belongs to: shown with a
// caller's window active on this thread, it is owned by that window, which
// is disabled while it shows and enabled again after; shown from a thread
// without a window, it has no owner. It is found by its caption and closed
// with the button `press`.
void ExpectOwnedByTheCaller(const std::string& caption, int press, const std::function<void()>& show);

}  // namespace klvtest

#endif
