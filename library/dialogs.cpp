#include <windows.h>

#include <commdlg.h>
#include <shlobj.h>

#include <cctype>
#include <cstddef>
#include <cstring>
#include <vector>

#include "caller.h"
#include "frame.h"
#include "owner.h"

namespace klv {

namespace {

enum class DialogKind { Open, Save };

const char* DefaultTitle(DialogKind kind) { return kind == DialogKind::Open ? "Open File" : "Save File"; }

const char kDefaultFilter[] = "All Files|*.*";
constexpr char kFilterSeparator = '|';

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
constexpr DWORD kRecordSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
static_assert(kRecordSize == 76, "the classic OPENFILENAME is 76 bytes");

// Wine's dialog joins the folder and the typed name in a buffer of MAX_PATH
// characters without a check, and a longer path overwrites its stack. While
// a dialog runs, this guard refuses OK on such a name with a beep, the way
// the dialog refuses other names it cannot take; the user can type another.
class LongNameGuard {
 public:
  LongNameGuard() : hook_(SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId())) {}
  ~LongNameGuard() {
    if (hook_) UnhookWindowsHookEx(hook_);
  }
  LongNameGuard(const LongNameGuard&) = delete;
  LongNameGuard& operator=(const LongNameGuard&) = delete;

 private:
  static constexpr const char* kNextProc = "kLvNextProc";

  // The dialog box itself: the only top-level dialog the call creates.
  static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
      const HWND window = reinterpret_cast<HWND>(wParam);
      const auto* create = reinterpret_cast<const CBT_CREATEWNDA*>(lParam);
      char name[16] = {};
      GetClassNameA(window, name, sizeof(name));
      if (!create->lpcs->hwndParent && std::strcmp(name, "#32770") == 0 && !GetPropA(window, kNextProc)) {
        const LONG_PTR next = SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DialogProc));
        SetPropA(window, kNextProc, reinterpret_cast<HANDLE>(next));
      }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }

  static LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto next = reinterpret_cast<WNDPROC>(GetPropA(window, kNextProc));
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK && TypedPathTooLong(window)) {
      MessageBeep(MB_ICONWARNING);
      return 0;
    }
    if (message == WM_NCDESTROY) {
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next));
      RemovePropA(window, kNextProc);
    }
    return CallWindowProcW(next, window, message, wParam, lParam);
  }

  // The length of the path the dialog would form from the typed name, as
  // Wine forms it: "C:..." and "\\server..." stand alone, "\name" goes
  // after the drive, anything else after the current folder and a backslash.
  static bool TypedPathTooLong(HWND window) {
    const LRESULT typedSize = SendMessageA(window, CDM_GETSPEC, 0, 0);
    if (typedSize <= 0) return false;
    std::string typed(static_cast<std::size_t>(typedSize), '\0');
    SendMessageA(window, CDM_GETSPEC, typed.size(), reinterpret_cast<LPARAM>(&typed[0]));
    typed.resize(std::strlen(typed.c_str()));
    const bool full = typed.size() >= 2 && (typed[1] == ':' || (typed[0] == '\\' && typed[1] == '\\'));
    std::size_t length = typed.size();
    if (full) {
      // nothing goes before it
    } else if (!typed.empty() && typed[0] == '\\') {
      length += 2;
    } else {
      const LRESULT folderSize = SendMessageA(window, CDM_GETFOLDERPATH, 0, 0);
      if (folderSize > 0) length += static_cast<std::size_t>(folderSize);  // its NUL counts for the backslash
    }
    return length >= MAX_PATH;
  }

  HHOOK hook_;
};

// Whether a part of a path names one of the platform's devices: "CON",
// "con.txt", "LPT1.log ", "CONIN$". The platform keeps these names in every
// folder, so "C:\data\nul.txt" is the device too.
bool IsDeviceName(std::string part) {
  part = part.substr(0, part.find('.'));
  while (!part.empty() && part.back() == ' ') part.pop_back();
  for (char& c : part) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (part == device) return true;
  return part.size() == 4 && (part.compare(0, 3, "COM") == 0 || part.compare(0, 3, "LPT") == 0) && part[3] >= '1' &&
         part[3] <= '9';
}

// A starting folder the dialog can take: an existing folder, named plainly.
// Wine's dialog faults on a device name ("CON", "C:\x\con", "\\.\CON"),
// which the platform reports as an existing file; it cannot start in a
// "\\?\" or "\\.\" path either, and no folder is as long as
// kMaxStartFolder. Anything else opens the dialog where the platform chooses.
bool IsUsableStartFolder(const std::string& folder) {
  if (folder.empty() || folder.size() > kMaxStartFolder) return false;
  const auto separator = [](char c) { return c == '\\' || c == '/'; };
  if (folder.size() >= 4 && separator(folder[0]) && separator(folder[1]) && (folder[2] == '?' || folder[2] == '.') &&
      separator(folder[3]))
    return false;
  std::size_t start = 0;
  while (start <= folder.size()) {
    std::size_t end = start;
    while (end < folder.size() && !separator(folder[end]) && folder[end] != ':') ++end;
    if (IsDeviceName(folder.substr(start, end - start))) return false;
    start = end + 1;
  }
  return IsFolder(folder);
}

// "Text|*.txt|All|*.*" in the platform's form: each "|" a NUL and one more
// NUL after the end (the string's own NUL closes the list).
std::string PlatformFilter(const std::string& filter) {
  std::string out = filter.empty() ? std::string(kDefaultFilter) : filter;
  for (char& c : out)
    if (c == kFilterSeparator) c = '\0';
  out += '\0';
  return out;
}

// The path the user chose, or the empty text on Cancel or failure.
std::string RunFileDialog(DialogKind kind, const std::string& title, const std::string& defaultDir,
                          std::string defaultName, const std::string& defaultExt, const std::string& filter) {
  const std::string shownTitle = title.empty() ? std::string(DefaultTitle(kind)) : Cut(title, kMaxTitle);

  // The extension goes on unchanged (the caller writes the dot), and only
  // onto a name: a bare folder gets none.
  if (!defaultExt.empty() && !NamePart(defaultName).empty() && Extension(defaultName).empty())
    defaultName += defaultExt;

  std::string startFolder = FolderPart(defaultName);
  if (startFolder.empty()) startFolder = defaultDir;
  if (!IsUsableStartFolder(startFolder)) startFolder.clear();

  std::vector<char> file(kFileBuffer, '\0');
  const std::string startName = Cut(NamePart(defaultName), kMaxStartName);
  startName.copy(file.data(), startName.size());

  const std::string platformFilter = PlatformFilter(filter);

  OPENFILENAMEA record{};
  record.lStructSize = kRecordSize;
  record.hwndOwner = nullptr;
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

  const LongNameGuard guard;
  const BOOL chosen = kind == DialogKind::Open ? GetOpenFileNameA(&record) : GetSaveFileNameA(&record);
  // FNERR_BUFFERTOOSMALL lands here too: a path that does not fit is not
  // returned cut, and the buffer then holds its size, not a path.
  if (!chosen) return std::string();
  file.back() = '\0';
  return std::string(file.data());
}

// The picker's instruction text: Wine draws a longer one as nothing useful
// and measures it in a 16-bit count.
constexpr std::size_t kMaxPickerTitle = 1023;

// What the picker's callback needs, and what it saw.
struct PickerStart {
  std::string folder;  // empty: where the platform chooses
  bool shown = false;
};

int CALLBACK OnPickerEvent(HWND picker, UINT event, LPARAM, LPARAM data) {
  auto* start = reinterpret_cast<PickerStart*>(data);
  if (event == BFFM_INITIALIZED) {
    start->shown = true;
    if (!start->folder.empty())
      SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(start->folder.c_str()));
  }
  return 0;
}

// The folder as the picker takes it: Wine's picker ignores one that ends
// in a backslash, unless it is a drive root.
std::string PickerFolder(const std::string& startFolder) {
  const std::string folder = WithoutTrailingBackslash(startFolder);
  return IsUsableStartFolder(folder) ? folder : std::string();
}

std::string BrowseForFolder(const std::string& title, const std::string& startFolder) {
  // The picker is built on the shell's COM objects.
  const ComInit com;
  if (FAILED(com.Result()) && com.Result() != RPC_E_CHANGED_MODE) return kNone;
  PickerStart start;
  start.folder = PickerFolder(startFolder);
  const std::string shownTitle = Cut(title, kMaxPickerTitle);
  char display[MAX_PATH] = {};
  BROWSEINFOA info{};
  info.hwndOwner = CallerWindow();
  info.pszDisplayName = display;
  info.lpszTitle = shownTitle.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  info.lpfn = OnPickerEvent;
  info.lParam = reinterpret_cast<LPARAM>(&start);
  const LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
  if (!chosen) return start.shown ? std::string() : std::string(kNone);
  char path[MAX_PATH] = {};
  const BOOL named = SHGetPathFromIDListA(chosen, path);
  CoTaskMemFree(chosen);
  if (!named) return kNone;
  return WithoutTrailingBackslash(path);
}

}  // namespace

}  // namespace klv

using klv::Arg;

/* Shows the platform's Open dialog and returns the full path chosen, whole
   (the file need not exist), or the empty text on Cancel or failure. FTitle (cut to 79 characters) defaults to "Open File";
   FdefaultExt (".txt", dot included) is appended to a FdefaultName that has
   none; the folder part of FdefaultName, else FdefaultDir, is the starting
   folder when it names an existing folder (otherwise the platform chooses,
   as for an empty one; a device name is never passed); FFilter is
   "Description|pattern|..." and defaults to "All Files|*.*". */
KlvText KLV_CALL kLvOpenFile(KlvText FTitle, KlvText FdefaultDir, KlvText FdefaultName, KlvText FdefaultExt,
                             KlvText FFilter) {
  return klv::TextExport("", [&] {
    return klv::RunFileDialog(klv::DialogKind::Open, Arg(FTitle), Arg(FdefaultDir), Arg(FdefaultName),
                              Arg(FdefaultExt), Arg(FFilter));
  });
}

/* As kLvOpenFile, with the platform's Save dialog and the default title
   "Save File". It does not ask before an existing file is chosen. */
KlvText KLV_CALL kLvSaveFile(KlvText FTitle, KlvText FdefaultDir, KlvText FdefaultName, KlvText FdefaultExt,
                             KlvText FFilter) {
  return klv::TextExport("", [&] {
    return klv::RunFileDialog(klv::DialogKind::Save, Arg(FTitle), Arg(FdefaultDir), Arg(FdefaultName),
                              Arg(FdefaultExt), Arg(FFilter));
  });
}

/* Shows the system's folder picker, owned by the caller's active window,
   with Title as its instruction text, opened at StartFolder when that
   names an existing folder. The chosen folder's path (a trailing backslash
   only on a drive root), the empty text on Cancel, "-1" when the picker
   cannot be shown. */
KlvText KLV_CALL kLvBrowseForFolder(KlvText Title, KlvText StartFolder) {
  return klv::TextExport(klv::kNone, [&] { return klv::BrowseForFolder(Arg(Title), Arg(StartFolder)); });
}
