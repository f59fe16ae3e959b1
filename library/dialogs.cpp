#include <windows.h>

#include <commdlg.h>
#include <shlobj.h>

#include <cctype>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <vector>

#include "caller.h"
#include "ansi.h"
#include "frame.h"
#include "owner.h"

namespace klv {

namespace {

enum class DialogKind { Open, Save };

const wchar_t* DefaultTitle(DialogKind kind) { return kind == DialogKind::Open ? L"Open File" : L"Save File"; }

const wchar_t kDefaultFilter[] = L"All Files|*.*";
constexpr wchar_t kFilterSeparator = L'|';

constexpr std::size_t kMaxTitle = 79;
constexpr std::size_t kMaxStartName = 255;
// A longer starting folder is no folder at all, and Wine's Open dialog
// faults on one of about a thousand characters: such a folder is not passed.
constexpr std::size_t kMaxStartFolder = MAX_PATH - 1;
// Room for the longest path the platform can name, so the chosen path comes
// back whole; the platform reports a longer one's size in a 16-bit count.
constexpr DWORD kFileBuffer = 65536;

// The classic record (OPENFILENAME_SIZE_VERSION_400A), up to lpTemplateName:
// hosts of that era pass this size, and every platform takes it.
constexpr DWORD kRecordSize = offsetof(OPENFILENAMEW, lpTemplateName) + sizeof(LPCWSTR);
static_assert(kRecordSize == 76, "the classic OPENFILENAME is 76 bytes");

// Wine's dialog joins the folder and the typed name in a buffer of MAX_PATH
// characters without a check, and a longer path overwrites its stack. While
// a dialog runs, this guard refuses OK on such a name with a beep, the way
// the dialog refuses other names it cannot take; the user can type another.
// The dialog is known by its owner: the one the call gives it.
class LongNameGuard {
 public:
  explicit LongNameGuard(HWND owner) : hook_(SetWindowsHookExW(WH_CBT, OnCbt, nullptr, GetCurrentThreadId())) {
    dialogOwner_ = owner;
  }
  LongNameGuard(const LongNameGuard&) = delete;
  LongNameGuard& operator=(const LongNameGuard&) = delete;

 private:
  static constexpr const wchar_t* kNextProc = L"kLvNextProc";
  // The owner of the dialog being guarded; one dialog at a time per thread.
  static thread_local HWND dialogOwner_;

  // The dialog box itself: the only top-level dialog the call creates.
  static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
      const HWND window = reinterpret_cast<HWND>(wParam);
      const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
      wchar_t name[16] = {};
      GetClassNameW(window, name, 16);
      if (create->lpcs->hwndParent == dialogOwner_ && std::wcscmp(name, L"#32770") == 0 &&
          !GetPropW(window, kNextProc)) {
        const LONG_PTR next = SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DialogProc));
        SetPropW(window, kNextProc, reinterpret_cast<HANDLE>(next));
      }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }

  static LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto next = reinterpret_cast<WNDPROC>(GetPropW(window, kNextProc));
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK && TypedPathTooLong(window)) {
      MessageBeep(MB_ICONWARNING);
      return 0;
    }
    if (message == WM_NCDESTROY) {
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next));
      RemovePropW(window, kNextProc);
    }
    return CallWindowProcW(next, window, message, wParam, lParam);
  }

  // The length of the path the dialog would form from the typed name, as
  // Wine forms it: "C:..." and "\\server..." stand alone, "\name" goes
  // after the drive, anything else after the current folder and a backslash.
  static bool TypedPathTooLong(HWND window) {
    const LRESULT typedSize = SendMessageW(window, CDM_GETSPEC, 0, 0);
    if (typedSize <= 0) return false;
    std::wstring typed(static_cast<std::size_t>(typedSize), L'\0');
    SendMessageW(window, CDM_GETSPEC, typed.size(), reinterpret_cast<LPARAM>(&typed[0]));
    typed.resize(std::wcslen(typed.c_str()));
    const bool full = typed.size() >= 2 && (typed[1] == L':' || (typed[0] == L'\\' && typed[1] == L'\\'));
    std::size_t length = typed.size();
    if (full) {
      // nothing goes before it
    } else if (!typed.empty() && typed[0] == L'\\') {
      length += 2;
    } else {
      const LRESULT folderSize = SendMessageW(window, CDM_GETFOLDERPATH, 0, 0);
      if (folderSize > 0) length += static_cast<std::size_t>(folderSize);  // its NUL counts for the backslash
    }
    return length >= MAX_PATH;
  }

  const Hook hook_;
};

thread_local HWND LongNameGuard::dialogOwner_ = nullptr;

// Whether a part of a path names one of the platform's devices: "CON",
// "con.txt", "LPT1.log ", "CONIN$". The platform keeps these names in every
// folder, so "C:\data\nul.txt" is the device too.
bool IsDeviceName(std::wstring part) {
  part = part.substr(0, part.find(L'.'));
  while (!part.empty() && part.back() == L' ') part.pop_back();
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (SameWord(part, device)) return true;
  return part.size() == 4 && (SameWord(part.substr(0, 3), "COM") || SameWord(part.substr(0, 3), "LPT")) &&
         part[3] >= L'1' && part[3] <= L'9';
}

// A starting folder the dialog can take: an existing folder, named plainly.
// Wine's dialog faults on a device name ("CON", "C:\x\con", "\\.\CON"),
// which the platform reports as an existing file; it cannot start in a
// "\\?\" or "\\.\" path either, and no folder is as long as
// kMaxStartFolder. Anything else opens the dialog where the platform chooses.
bool IsUsableStartFolder(const std::wstring& folder) {
  if (folder.empty() || folder.size() > kMaxStartFolder) return false;
  const auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
  if (folder.size() >= 4 && separator(folder[0]) && separator(folder[1]) &&
      (folder[2] == L'?' || folder[2] == L'.') && separator(folder[3]))
    return false;
  std::size_t start = 0;
  while (start <= folder.size()) {
    std::size_t end = start;
    while (end < folder.size() && !separator(folder[end]) && folder[end] != L':') ++end;
    if (IsDeviceName(folder.substr(start, end - start))) return false;
    start = end + 1;
  }
  return IsFolder(folder);
}

// "Text|*.txt|All|*.*" in the platform's form: each "|" a NUL and one more
// NUL after the end (the string's own NUL closes the list).
std::wstring PlatformFilter(const std::wstring& filter) {
  std::wstring out = filter.empty() ? std::wstring(kDefaultFilter) : filter;
  for (wchar_t& c : out)
    if (c == kFilterSeparator) c = L'\0';
  out += L'\0';
  return out;
}

// The path the user chose, or the empty text on Cancel or failure.
std::wstring RunFileDialog(DialogKind kind, const std::wstring& title, const std::wstring& defaultDir,
                           std::wstring defaultName, const std::wstring& defaultExt, const std::wstring& filter) {
  const std::wstring shownTitle = title.empty() ? std::wstring(DefaultTitle(kind)) : Cut(title, kMaxTitle);

  // The extension goes on unchanged (the caller writes the dot), and only
  // onto a name: a bare folder gets none.
  if (!defaultExt.empty() && !NamePart(defaultName).empty() && Extension(defaultName).empty())
    defaultName += defaultExt;

  std::wstring startFolder = FolderPart(defaultName);
  if (startFolder.empty()) startFolder = defaultDir;
  if (!IsUsableStartFolder(startFolder)) startFolder.clear();

  std::vector<wchar_t> file(kFileBuffer, L'\0');
  const std::wstring startName = Cut(NamePart(defaultName), kMaxStartName);
  startName.copy(file.data(), startName.size());

  const std::wstring platformFilter = PlatformFilter(filter);

  // Owned by the caller's window, as a modal dialog of its own: above a
  // full-screen stage, which takes no clicks while it is open.
  const HWND owner = CallerWindow();
  OPENFILENAMEW record{};
  record.lStructSize = kRecordSize;
  record.hwndOwner = owner;
  record.lpstrFilter = platformFilter.c_str();
  record.lpstrCustomFilter = nullptr;
  record.nFilterIndex = 1;
  record.lpstrFile = file.data();
  record.nMaxFile = kFileBuffer;
  record.lpstrFileTitle = nullptr;
  record.lpstrInitialDir = startFolder.empty() ? nullptr : startFolder.c_str();
  record.lpstrTitle = shownTitle.c_str();
  record.Flags = 0;
  record.lpstrDefExt = nullptr;

  const LongNameGuard guard(owner);
  const BOOL chosen = kind == DialogKind::Open ? GetOpenFileNameW(&record) : GetSaveFileNameW(&record);
  // FNERR_BUFFERTOOSMALL lands here too: a path that does not fit is not
  // returned cut, and the buffer then holds its size, not a path.
  if (!chosen) return std::wstring();
  file.back() = L'\0';
  return std::wstring(file.data());
}

// The picker's instruction text: Wine draws a longer one as nothing useful
// and measures it in a 16-bit count.
constexpr std::size_t kMaxPickerTitle = 1023;

// What the picker's callback needs, and what it saw.
struct PickerStart {
  std::wstring folder;  // empty: where the platform chooses
  bool shown = false;
};

int CALLBACK OnPickerEvent(HWND picker, UINT event, LPARAM, LPARAM data) {
  auto* start = reinterpret_cast<PickerStart*>(data);
  if (event == BFFM_INITIALIZED) {
    start->shown = true;
    if (!start->folder.empty())
      SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(start->folder.c_str()));
  }
  return 0;
}

// The folder as the picker takes it: Wine's picker ignores one that ends
// in a backslash, unless it is a drive root.
std::wstring PickerFolder(const std::wstring& startFolder) {
  const std::wstring folder = WithoutTrailingBackslash(startFolder);
  return IsUsableStartFolder(folder) ? folder : std::wstring();
}

std::wstring BrowseForFolder(const std::wstring& title, const std::wstring& startFolder) {
  // The picker is built on the shell's COM objects.
  const ComInit com;
  if (FAILED(com.Result()) && com.Result() != RPC_E_CHANGED_MODE) return kNone;
  PickerStart start;
  start.folder = PickerFolder(startFolder);
  const std::wstring shownTitle = Cut(title, kMaxPickerTitle);
  wchar_t display[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.hwndOwner = CallerWindow();
  info.pszDisplayName = display;
  info.lpszTitle = shownTitle.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  info.lpfn = OnPickerEvent;
  info.lParam = reinterpret_cast<LPARAM>(&start);
  const ItemList chosen(SHBrowseForFolderW(&info));
  if (!chosen) return start.shown ? std::wstring() : std::wstring(kNone);
  wchar_t path[MAX_PATH] = {};
  const BOOL named = SHGetPathFromIDListW(chosen.Get(), path);
  if (!named) return kNone;
  return WithoutTrailingBackslash(path);
}

}  // namespace

}  // namespace klv

using klv::Arg;

/* Shows the platform's Open dialog, owned by the caller's active window
   (unowned when the calling thread has none), and returns the full path
   chosen, whole (the file need not exist), or the empty text on Cancel or
   failure. FTitle (cut to 79 characters) defaults to "Open File";
   FdefaultExt (".txt", dot included) is appended to a FdefaultName that has
   none; the folder part of FdefaultName, else FdefaultDir, is the starting
   folder when it names an existing folder (otherwise the platform chooses,
   as for an empty one; a device name is never passed); FFilter is
   "Description|pattern|..." and defaults to "All Files|*.*". */
KlvTextW KLV_CALL kLvOpenFileW(KlvTextW FTitle, KlvTextW FdefaultDir, KlvTextW FdefaultName, KlvTextW FdefaultExt,
                               KlvTextW FFilter) {
  return klv::TextExport(L"", [&] {
    return klv::RunFileDialog(klv::DialogKind::Open, Arg(FTitle), Arg(FdefaultDir), Arg(FdefaultName),
                              Arg(FdefaultExt), Arg(FFilter));
  });
}

/* As kLvOpenFile, with the platform's Save dialog and the default title
   "Save File". It does not ask before an existing file is chosen. */
KlvTextW KLV_CALL kLvSaveFileW(KlvTextW FTitle, KlvTextW FdefaultDir, KlvTextW FdefaultName, KlvTextW FdefaultExt,
                               KlvTextW FFilter) {
  return klv::TextExport(L"", [&] {
    return klv::RunFileDialog(klv::DialogKind::Save, Arg(FTitle), Arg(FdefaultDir), Arg(FdefaultName),
                              Arg(FdefaultExt), Arg(FFilter));
  });
}

/* Shows the system's folder picker, owned by the caller's active window,
   with Title as its instruction text, opened at StartFolder when that
   names an existing folder. The chosen folder's path (a trailing backslash
   only on a drive root), the empty text on Cancel, "-1" when the picker
   cannot be shown. */
KlvTextW KLV_CALL kLvBrowseForFolderW(KlvTextW Title, KlvTextW StartFolder) {
  return klv::TextExport(klv::kNone, [&] { return klv::BrowseForFolder(Arg(Title), Arg(StartFolder)); });
}

// The ANSI exports: a chosen path the code page cannot hold comes back in
// its short form, or as the failure text.
KlvText KLV_CALL kLvOpenFile(KlvText FTitle, KlvText FdefaultDir, KlvText FdefaultName, KlvText FdefaultExt,
                             KlvText FFilter) {
  return klv::AnsiPath(klv::CallWide(kLvOpenFileW, FTitle, FdefaultDir, FdefaultName, FdefaultExt, FFilter), "");
}

KlvText KLV_CALL kLvSaveFile(KlvText FTitle, KlvText FdefaultDir, KlvText FdefaultName, KlvText FdefaultExt,
                             KlvText FFilter) {
  return klv::AnsiPath(klv::CallWide(kLvSaveFileW, FTitle, FdefaultDir, FdefaultName, FdefaultExt, FFilter), "");
}

KlvText KLV_CALL kLvBrowseForFolder(KlvText Title, KlvText StartFolder) {
  return klv::AnsiPath(klv::CallWide(kLvBrowseForFolderW, Title, StartFolder), "-1");
}
