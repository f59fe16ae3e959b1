// Opening documents, running programs and picking a folder through the
// exports, against Wine's real shell, driven as a person would.
#include "klv_test.h"

#include <commctrl.h>
#include <shlobj.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "klv_window.h"
#include "owner.h"

using namespace klvtest;

namespace {

// The text-file class as Windows sets it up (a fresh Wine prefix has
// none), while a test runs; a key that was there before stays.
class TextAssociation {
 public:
  TextAssociation() {
    Set(".txt", "txtfile");
    Set("txtfile\\shell\\open\\command", "notepad.exe \"%1\"");
  }
  ~TextAssociation() {
    for (auto key = made_.rbegin(); key != made_.rend(); ++key) RegDeleteTreeA(HKEY_CLASSES_ROOT, key->c_str());
  }

 private:
  void Set(const std::string& key, const std::string& value) {
    HKEY opened = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened,
                              &disposition),
              0);
    const klv::RegKey owned(opened);
    if (disposition == REG_CREATED_NEW_KEY) made_.push_back(key.substr(0, key.find('\\')));
    RegSetValueExA(owned.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
  }
  std::vector<std::string> made_;
};

struct Search {
  std::string part;
  HWND found = nullptr;
};

BOOL CALLBACK CheckCaption(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  char caption[512] = {};
  GetWindowTextA(window, caption, sizeof(caption));
  if (IsWindowVisible(window) && std::string(caption).find(search->part) != std::string::npos) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// A visible top-level window of any process whose caption holds `part`.
HWND FindAnyWindow(const std::string& part, DWORD timeoutMs) {
  Search search{part};
  for (DWORD waited = 0;; waited += 50) {
    EnumWindows(CheckCaption, reinterpret_cast<LPARAM>(&search));
    if (search.found || waited >= timeoutMs) return search.found;
    Sleep(50);
  }
}

// Closes another program's window and waits until it is gone.
bool CloseAndWait(HWND window) {
  PostMessageA(window, WM_CLOSE, 0, 0);
  for (int i = 0; i < 200 && IsWindow(window); ++i) Sleep(50);
  return !IsWindow(window);
}

// A named event for the stub, made and owned by the test.
class NamedEvent {
 public:
  explicit NamedEvent(const std::string& name) : name_(name), event_(CreateEventA(nullptr, TRUE, FALSE, name.c_str())) {}
  const std::string& Name() const { return name_; }
  void Set() { SetEvent(event_.Get()); }
  bool Wait(DWORD timeoutMs) { return WaitForSingleObject(event_.Get(), timeoutMs) == WAIT_OBJECT_0; }

 private:
  std::string name_;
  klv::KernelHandle event_;
};

std::string Stub() { return "\"" + BinDir() + "\\exit_stub.exe\""; }

std::string Unique(const char* what) {
  return std::string("klv-") + what + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
}

class Programs : public ::testing::Test {
 protected:
  TempDir dir;

  int Open(const char* verb, const std::string& file) { return kLvShellExecute(verb, file.c_str(), "", "", "normal"); }
  int Run(const std::string& line, int wait, const char* folder = "") {
    return kLvRunProgram(line.c_str(), folder, "normal", wait);
  }
};

// The folder picker as a person sees it.
constexpr char kPickerCaption[] = "Browse for Folder";

// The text of the tree item the picker has selected.
std::string SelectedFolder(HWND picker) {
  for (const Control& control : Controls(picker)) {
    if (control.className != WC_TREEVIEWA) continue;
    const auto item = reinterpret_cast<HTREEITEM>(SendMessageA(control.window, TVM_GETNEXTITEM, TVGN_CARET, 0));
    char text[MAX_PATH] = {};
    TVITEMA info{};
    info.mask = TVIF_TEXT;
    info.hItem = item;
    info.pszText = text;
    info.cchTextMax = sizeof(text);
    if (item && SendMessageA(control.window, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&info))) return text;
  }
  return "";
}

LRESULT CALLBACK NeverValidates(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return message == WM_PAINT ? 0 : DefWindowProcA(window, message, wParam, lParam);
}

// The platform as a program that runs only elevated meets it on Windows:
// CreateProcess refuses it, and the shell starts it (or the user declines).
BOOL WINAPI RefuseAsElevated(LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID,
                             LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION) {
  SetLastError(740);  // ERROR_ELEVATION_REQUIRED
  return FALSE;
}

struct ShellCall {
  decltype(&ShellExecuteExW) next = nullptr;
  DWORD answer = 0;  // a failure to answer instead of starting
  ULONG mask = 0;
  bool defaultVerb = false;
  std::wstring file, parameters, directory;
  int show = -1;
} g_shell;

BOOL WINAPI RecordShell(SHELLEXECUTEINFOW* info) {
  const auto text = [](const wchar_t* p) { return std::wstring(p ? p : L""); };
  g_shell.mask = info->fMask;
  g_shell.defaultVerb = info->lpVerb == nullptr || *info->lpVerb == L'\0';
  g_shell.file = text(info->lpFile);
  g_shell.parameters = text(info->lpParameters);
  g_shell.directory = text(info->lpDirectory);
  g_shell.show = info->nShow;
  if (g_shell.answer == 0) return g_shell.next(info);
  SetLastError(g_shell.answer);
  return FALSE;
}

}  // namespace

TEST_F(Programs, OpensADocumentWithItsAssociatedProgram) {
  TextAssociation association;
  const std::string note = dir / "klvnote.txt";
  ASSERT_TRUE(WriteFile(note, "a note"));
  for (const char* verb : {"", "open", static_cast<const char*>(nullptr)}) {
    EXPECT_EQ(Open(verb, note), 0) << (verb ? verb : "null");
    const HWND editor = FindAnyWindow("klvnote", 30000);
    ASSERT_NE(editor, nullptr) << "no editor showed the document";
    EXPECT_TRUE(CloseAndWait(editor));
  }
}

TEST_F(Programs, ShellErrorsAreCodesWithoutABox) {
  ASSERT_TRUE(WriteFile(dir / "data.klvnoassoc", "x"));
  const std::string huge = LongText(100000);
  EXPECT_EQ(Open("", dir / "missing.txt"), 2);
  EXPECT_EQ(Open("open", dir / "missing\\file.txt"), 3);
  EXPECT_EQ(Open("", dir / "data.klvnoassoc"), 1155);
  EXPECT_EQ(Open("", huge), 206);
  EXPECT_EQ(Open("", dir / LongText(1000)), 206);
  // Null and empty texts, long texts where the shell takes them, unknown words.
  EXPECT_EQ(kLvShellExecute(nullptr, nullptr, nullptr, nullptr, nullptr), 2);
  EXPECT_EQ(kLvShellExecute("", "", "", "", ""), 2);
  const std::string missing = dir / "missing.txt";
  EXPECT_EQ(kLvShellExecute(huge.c_str(), missing.c_str(), huge.c_str(), huge.c_str(), huge.c_str()), 206);
  EXPECT_EQ(kLvShellExecute("", missing.c_str(), LongText(5000).c_str(), LongText(5000).c_str(), LongText(5000).c_str()), 2);
  // A text the shell cannot take is refused before anything starts.
  EXPECT_EQ(kLvShellExecute("", missing.c_str(), "", "", huge.c_str()), 206);
  EXPECT_EQ(kLvShellExecute("nosuchverb", missing.c_str(), "", "", "sideways"), 2);
  // One character over the limit, in each text.
  const std::string over = LongText(32767);
  EXPECT_EQ(kLvShellExecute(over.c_str(), missing.c_str(), "", "", ""), 206);
  EXPECT_EQ(kLvShellExecute("", missing.c_str(), over.c_str(), "", ""), 206);
  EXPECT_EQ(kLvShellExecute("", missing.c_str(), "", over.c_str(), ""), 206);
  EXPECT_EQ(kLvShellExecute("", missing.c_str(), "", "", over.c_str()), 206);
  EXPECT_EQ(kLvShellExecute("", missing.c_str(), "", "", LongText(32766).c_str()), 2);
  // Wildcards and devices open nothing.
  EXPECT_EQ(Open("", dir / "*.txt"), 123);
  EXPECT_EQ(Open("", dir / "?"), 123);
  for (const std::string& name : {std::string("CON"), std::string("NUL"), std::string("\\\\.\\CON"), dir / "lpt1.txt"})
    EXPECT_EQ(Open("", name), 2) << name;
  // A wide text that is no text (a lone surrogate), in any argument.
  const std::wstring wideMissing = Wide(missing);
  EXPECT_EQ(kLvShellExecuteW(L"", L"a\xD800.txt", L"", L"", L""), 31);
  EXPECT_EQ(kLvShellExecuteW(L"\xDC00", wideMissing.c_str(), L"", L"", L""), 31);
  EXPECT_EQ(kLvShellExecuteW(L"", wideMissing.c_str(), L"x\xD800", L"", L""), 31);
  EXPECT_EQ(kLvShellExecuteW(L"", wideMissing.c_str(), L"", L"\xD800", L"\xD800"), 31);
  EXPECT_TRUE(OwnWindows(kDialogClass).empty());
}

TEST_F(Programs, RunAnswersTheExitCode) {
  EXPECT_EQ(Run(Stub() + " 7", 1), 7);
  EXPECT_EQ(Run(Stub() + " 0", -5), 0);
  EXPECT_EQ(kLvRunProgram((Stub() + " 3").c_str(), dir.Path().c_str(), "hidden", 1), 3);
  // Without Wait the call returns while the program still runs.
  NamedEvent go(Unique("go"));
  const DWORD handles = HandleCount();
  EXPECT_EQ(Run(Stub() + " 9 " + go.Name(), 0), 0);
  EXPECT_EQ(HandleCount(), handles);
  NamedEvent started(Unique("started"));
  go.Set();
  // Bad input: nothing starts.
  EXPECT_EQ(Run("\"" + (dir / "missing.exe") + "\"", 1), -1);
  EXPECT_EQ(Run(Stub() + " 1", 1, (dir / "missing").c_str()), -1);
  EXPECT_EQ(kLvRunProgram(nullptr, nullptr, nullptr, 1), -1);
  EXPECT_EQ(Run("", 0), -1);
  // Over-long texts, wildcards and devices.
  for (const std::string& text : {LongText(100000), LongText(32767), dir / "*", std::string("NUL")}) {
    EXPECT_EQ(Run(text, 1), -1) << text.substr(0, 40);
    EXPECT_EQ(Run(Stub() + " 4", 1, text.c_str()), -1) << text.substr(0, 40);
  }
  for (const std::string& line : {dir / "*.exe", std::string("CON"), std::string("NUL 1"), std::string("\\\\.\\CON")})
    EXPECT_EQ(Run(line, 1), -1) << line;
  const std::wstring stub = Wide(Stub());
  EXPECT_EQ(kLvRunProgramW((stub + L" 4 \xD800").c_str(), L"", L"", 1), -1);
  EXPECT_EQ(kLvRunProgramW((stub + L" 4").c_str(), L"C:\\\xDC00", L"", 1), -1);
  EXPECT_EQ(kLvRunProgramW((stub + L" 4").c_str(), L"", L"\xD800", 1), -1);
  EXPECT_EQ(HandleCount(), handles);
}

TEST_F(Programs, WaitingRepaintsDropsClicksAndKeepsPostedMessages) {
  CallerWindow caller;
  // Input as a person makes it reaches the window when nobody waits.
  PressOn(caller.Get());
  caller.Pump();
  ASSERT_EQ(caller.Presses(), 2) << "no click or key reached the window";

  NamedEvent go(Unique("go")), started(Unique("started"));
  std::atomic<bool> paintedWhileWaiting{false}, enabledWhileWaiting{true};
  std::atomic<LONG> userBeforeExit{-1};
  std::thread other([&] {
    if (!started.Wait(30000)) return;
    enabledWhileWaiting = IsWindowEnabled(caller.Get()) != 0;
    const LONG paints = caller.Paints();
    InvalidateRect(caller.Get(), nullptr, TRUE);
    for (int i = 0; i < 600 && caller.Paints() == paints; ++i) Sleep(50);
    paintedWhileWaiting = caller.Paints() != paints;
    PressOn(caller.Get());
    PostMessageA(caller.Get(), WM_USER, 0, 0);
    Sleep(1500);  // room for a wrong wait to dispatch them
    userBeforeExit = caller.UserMessages();
    go.Set();
  });
  EXPECT_EQ(Run(Stub() + " 5 " + go.Name() + " " + started.Name(), 1), 5);
  other.join();
  EXPECT_TRUE(paintedWhileWaiting);
  EXPECT_FALSE(enabledWhileWaiting);
  EXPECT_EQ(userBeforeExit, 0);
  EXPECT_TRUE(IsWindowEnabled(caller.Get()));
  EXPECT_EQ(GetActiveWindow(), caller.Get());
  EXPECT_EQ(GetFocus(), caller.Get());
  caller.Pump();
  EXPECT_EQ(caller.Presses(), 2);       // what the person pressed meanwhile is gone
  EXPECT_EQ(caller.UserMessages(), 1);  // what code posted is handled once the call returned
}

TEST_F(Programs, WaitingOutlivesOddCallers) {
  // A thread with no window.
  int code = 0;
  std::thread([&] { code = Run(Stub() + " 4", 1); }).join();
  EXPECT_EQ(code, 4);

  // A window that never validates its area is handed WM_PAINT without end.
  WNDCLASSA info{};
  info.lpfnWndProc = NeverValidates;
  info.lpszClassName = "kLvNeverPainted";
  RegisterClassA(&info);
  {
    const klv::Window unpainted(CreateWindowA(info.lpszClassName, "unpainted", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                              200, 100, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(unpainted);
    std::atomic<bool> returned{false};
    std::thread watchdog([&] {
      if (WaitFor([&] { return returned.load(); }, 20000)) return;
      std::fprintf(stderr, "kLvRunProgram never returned: a window that never validates holds its wait\n");
      ExitProcess(3);
    });
    EXPECT_EQ(Run(Stub() + " 2", 1), 2);
    returned = true;
    watchdog.join();
  }

  // The caller's window closed during the wait, by another thread's message.
  CallerWindow caller;
  NamedEvent go(Unique("go")), started(Unique("started"));
  std::thread other([&] {
    if (started.Wait(30000)) SendMessageTimeoutA(caller.Get(), WM_CLOSE, 0, 0, SMTO_NORMAL, 10000, nullptr);
    go.Set();
  });
  EXPECT_EQ(Run(Stub() + " 6 " + go.Name() + " " + started.Name(), 1), 6);
  other.join();
  EXPECT_FALSE(IsWindow(caller.Get()));
}

TEST_F(Programs, AProgramThatNeedsElevationStartsThroughTheShell) {
  ImportPatch refuse(Library(), "kernel32.dll", "CreateProcessW", reinterpret_cast<const void*>(&RefuseAsElevated));
  ImportPatch shell(Library(), "shell32.dll", "ShellExecuteExW", reinterpret_cast<const void*>(&RecordShell));
  ASSERT_TRUE(refuse.Patched() && shell.Patched());
  g_shell = ShellCall{};
  g_shell.next = shell.Original<decltype(&ShellExecuteExW)>();

  const std::string stub = BinDir() + "\\exit_stub.exe";
  EXPECT_EQ(kLvRunProgram(("\"" + stub + "\"  6 a").c_str(), dir.Path().c_str(), "minimized", 1), 6);
  EXPECT_EQ(g_shell.file, Wide(stub));
  EXPECT_EQ(g_shell.parameters, L"6 a");
  EXPECT_EQ(g_shell.directory, Wide(dir.Path()));
  EXPECT_EQ(g_shell.show, SW_SHOWMINIMIZED);
  EXPECT_TRUE(g_shell.defaultVerb);
  const ULONG mask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  EXPECT_EQ(g_shell.mask & mask, mask);

  // An unquoted path with blanks is read as CreateProcess reads it.
  const std::string spaced = dir / "a folder\\run me.exe";
  ASSERT_TRUE(CreateDirectoryA((dir / "a folder").c_str(), nullptr));
  ASSERT_TRUE(CopyFileA(stub.c_str(), spaced.c_str(), FALSE));
  EXPECT_EQ(Run(dir / "a folder\\run me 9", 1), 9);
  EXPECT_EQ(g_shell.file, Wide(spaced));
  EXPECT_EQ(g_shell.parameters, L"9");

  // Without Wait: started, and no handle kept.
  NamedEvent go(Unique("go"));
  const DWORD handles = HandleCount();
  EXPECT_EQ(Run(Stub() + " 0 " + go.Name(), 0), 0);
  EXPECT_EQ(HandleCount(), handles);
  go.Set();

  // The user declines the consent prompt; any other failure is -1.
  g_shell.answer = ERROR_CANCELLED;
  EXPECT_EQ(Run(Stub() + " 1", 1), -2);
  g_shell.answer = ERROR_ACCESS_DENIED;
  EXPECT_EQ(Run(Stub() + " 1", 0), -1);
  EXPECT_EQ(HandleCount(), handles);
}

TEST_F(Programs, FolderPickerStartsThereAndAnswersTheChoice) {
  const std::string start = dir / "start", chosen = dir / "chosen";
  ASSERT_TRUE(CreateDirectoryA(start.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(chosen.c_str(), nullptr));
  CallerWindow caller;
  std::string selected, instruction;
  HWND owner = nullptr;
  Person person(kDialogClass, kPickerCaption, [&](HWND picker) {
    for (int i = 0; i < 100 && selected.empty(); ++i) {
      selected = SelectedFolder(picker);
      if (selected.empty()) Sleep(50);
    }
    owner = GetWindow(picker, GW_OWNER);
    for (const Control& control : Controls(picker))
      if (control.text == "Pick the target") instruction = control.text;
    SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(chosen.c_str()));
    WaitIdle(picker);
    Press(picker, IDOK);
  });
  EXPECT_EQ(std::string(kLvBrowseForFolder("Pick the target", (start + "\\").c_str())), chosen);
  person.Finish();
  EXPECT_TRUE(person.Saw());
  EXPECT_EQ(selected, "start");
  EXPECT_EQ(instruction, "Pick the target");
  EXPECT_EQ(owner, caller.Get());
}

TEST_F(Programs, FolderPickerCancelAndBadStartFolders) {
  ASSERT_TRUE(WriteFile(dir / "file.txt", "x"));
  const std::string huge = LongText(100000);
  const std::string starts[] = {"",    dir / "file.txt", dir / "missing", "CON",         "\\\\.\\NUL",
                                dir / "*", LongText(32767),  huge};
  for (const std::string& start : starts) {
    Person person(kDialogClass, kPickerCaption, [&](HWND picker) { Press(picker, IDCANCEL); });
    EXPECT_EQ(std::string(kLvBrowseForFolder(huge.c_str(), start.c_str())), "") << start.substr(0, 40);
    person.Finish();
    EXPECT_TRUE(person.Saw()) << start.substr(0, 40);
  }
  Person person(kDialogClass, kPickerCaption, [&](HWND picker) { Press(picker, IDCANCEL); });
  EXPECT_EQ(std::string(kLvBrowseForFolder(nullptr, nullptr)), "");
  person.Finish();
  EXPECT_TRUE(person.Saw());
  // A wide text that is no text shows no picker.
  Person none(kDialogClass, kPickerCaption, [&](HWND picker) { Press(picker, IDCANCEL); }, 1000);
  EXPECT_EQ(std::wstring(kLvBrowseForFolderW(L"\xD800", L"")), L"-1");
  EXPECT_EQ(std::wstring(kLvBrowseForFolderW(L"", L"C:\\\xDC00")), L"-1");
  none.Finish();
  EXPECT_FALSE(none.Saw());
}
