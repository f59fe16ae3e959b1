#include "start.h"

#include <shellapi.h>

#include <optional>

#include "ending.h"
#include "owner.h"
#include "paths.h"

namespace autorun {

namespace {

// Test seams, read only here and only when set. Wine shows neither an
// elevation prompt nor a 64-bit system to a 32-bit program, so the tests
// set these in the launcher's environment to see what it then does:
// KLV_TEST_SHELL_ERROR=N answers every shell start with the error N (1223,
// ERROR_CANCELLED, is the user declining the prompt) without starting
// anything; KLV_TEST_SYSTEM_BITS=64 or 32 stands for the platform's answer
// to "is this a 64-bit Windows".
std::optional<unsigned long> TestSeam(const wchar_t* name) {
  wchar_t value[16];
  const DWORD length = GetEnvironmentVariableW(name, value, 16);
  if (length == 0 || length >= 16) return std::nullopt;
  return wcstoul(value, nullptr, 10);
}

bool SystemIs64Bit() {
  if (const auto bits = TestSeam(L"KLV_TEST_SYSTEM_BITS")) return *bits == 64;
  // A 32-bit program on 64-bit Windows (x64 or ARM64) runs under WOW64.
  // IsWow64Process is looked up: Windows XP before SP2 has none, and is
  // 32-bit.
  using IsWow64ProcessCall = BOOL(WINAPI*)(HANDLE, PBOOL);
  const auto isWow64 = reinterpret_cast<IsWow64ProcessCall>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
  BOOL wow64 = FALSE;
  return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

// 16-bit Windows, DOS (a PIF starts one too) and 16-bit OS/2 programs.
bool IsSixteenBit(DWORD binaryType) {
  return binaryType == SCS_WOW_BINARY || binaryType == SCS_DOS_BINARY || binaryType == SCS_PIF_BINARY ||
         binaryType == SCS_OS216_BINARY;
}

// True when the two paths name one file (by its volume and file index, so
// that a short name or another spelling counts too).
bool SameFile(const std::wstring& a, const std::wstring& b) {
  const auto identity = [](const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
    const klv::File file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
    return file && GetFileInformationByHandle(file.Get(), &info);
  };
  BY_HANDLE_FILE_INFORMATION first{}, second{};
  return identity(a, first) && identity(b, second) && first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

// Asks the shell to open `file` with `parameters`: 0 when it did, else the
// error, ERROR_NO_ASSOCIATION for a file type no program is associated with.
DWORD ShellStart(const std::wstring& file, const std::wstring& parameters, const std::wstring& folder, int show) {
  if (const auto error = TestSeam(L"KLV_TEST_SHELL_ERROR")) return *error;
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  // The shell shows no error box of its own (the launcher reports), and
  // the start is complete when the call returns, since the launcher may
  // end right after. No process handle is asked for: the launcher never
  // waits for what it starts.
  info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.lpFile = file.c_str();
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.lpDirectory = folder.c_str();
  info.nShow = show;
  if (ShellExecuteExW(&info)) return 0;
  const DWORD error = GetLastError();
  // Windows says ERROR_NO_ASSOCIATION; Wine says ERROR_BAD_EXE_FORMAT, and
  // both set SE_ERR_NOASSOC.
  if (error == ERROR_NO_ASSOCIATION || reinterpret_cast<INT_PTR>(info.hInstApp) == SE_ERR_NOASSOC)
    return ERROR_NO_ASSOCIATION;
  return error ? error : ERROR_GEN_FAILURE;
}

// Notepad by its full path, never found by a search that would look on the
// disc first: the one in the Windows folder, or else the system folder's.
DWORD OpenInNotepad(const std::wstring& document, const std::wstring& folder) {
  constexpr wchar_t kNotepad[] = L"notepad.exe";
  const DWORD error = ShellStart(JoinPath(WindowsFolder(), kNotepad), Quoted(document), folder, SW_SHOWNORMAL);
  if (error != ERROR_FILE_NOT_FOUND) return error;
  return ShellStart(JoinPath(SystemFolder(), kNotepad), Quoted(document), folder, SW_SHOWNORMAL);
}

}  // namespace

Start StartProgram(const std::wstring& program, const std::wstring& folder, int show, const std::wstring& what) {
  const std::wstring failed = L"Cannot start " + what + L".";
  // Windows starts no program by a path of MAX_PATH characters or more.
  if (program.size() >= MAX_PATH) Fatal(failed, ERROR_FILENAME_EXCED_RANGE);
  const DWORD attributes = GetFileAttributesW(program.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) Fatal(failed, GetLastError());
  if (attributes & FILE_ATTRIBUTE_DIRECTORY)
    FatalExplained(failed + L"\n\nIt is a folder, not a program.", kExitFolder);
  if (SameFile(program, ThisProgram()))
    FatalExplained(failed + L"\n\nIt is this launcher; Kelbit.ini must name the title's own program.",
                   kExitLauncherItself);
  DWORD binaryType = 0;
  if (!GetBinaryTypeW(program.c_str(), &binaryType)) {
    const DWORD error = GetLastError();
    if (error && error != ERROR_BAD_EXE_FORMAT) Fatal(failed, error);
    FatalExplained(failed + L"\n\nIt is not a program that Windows can run.", kExitNotAProgram);
  }
  // 64-bit Windows has no 16-bit subsystem. On 32-bit Windows the shell
  // starts such a program (or a substitute Windows keeps for known ones).
  if (IsSixteenBit(binaryType) && SystemIs64Bit())
    FatalExplained(failed + L"\n\nIt is a 16-bit program, and 64-bit Windows cannot run 16-bit programs.",
                   kExitSixteenBitProgram);
  const DWORD error = ShellStart(program, L"", folder, show);
  if (error == ERROR_CANCELLED) return Start::kDeclined;
  if (error) Fatal(failed, error);
  return Start::kStarted;
}

void OpenDocument(HWND owner, const std::wstring& document, const std::wstring& folder, const std::wstring& what) {
  const std::wstring failed = L"Cannot open " + what + L".";
  if (document.size() >= MAX_PATH) return Tell(owner, failed, ERROR_FILENAME_EXCED_RANGE);
  const DWORD attributes = GetFileAttributesW(document.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Tell(owner, failed, GetLastError());
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Tell(owner, failed + L"\n\nIt is a folder, not a document.", 0);
  // Opening a program runs it: that is no way to show a readme.
  DWORD binaryType = 0;
  if (GetBinaryTypeW(document.c_str(), &binaryType))
    return Tell(owner, failed + L"\n\nIt is a program, not a document.", 0);
  DWORD error = ShellStart(document, L"", folder, SW_SHOWNORMAL);
  if (error == ERROR_NO_ASSOCIATION) error = OpenInNotepad(document, folder);
  if (error && error != ERROR_CANCELLED) Tell(owner, failed, error);
}

}  // namespace autorun
