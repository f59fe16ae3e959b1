// Documents and programs: opening a document with its associated program,
// and starting a program, optionally waiting for it.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "ansi.h"
#include "caller.h"
#include "frame.h"
#include "owner.h"

namespace klv {

namespace {

// ShowCommand words, matched whole ignoring the case of A-Z; anything else
// is "normal".
constexpr Keyword<int> kShowWords[] = {
    {"normal", SW_SHOWNORMAL},
    {"maximized", SW_SHOWMAXIMIZED},
    {"minimized", SW_SHOWMINIMIZED},
    {"hidden", SW_HIDE},
};

int ShowCommandOf(const std::wstring& word) {
  const Keyword<int>* row = FindKeyword(kShowWords, word);
  return row ? row->value : SW_SHOWNORMAL;
}

// Wine's shell faults on a file name of about 980 characters or more (it
// joins it to other text in a fixed buffer); such a name is refused first.
constexpr std::size_t kMaxShellFileName = 900;

// The platform's code for a name it cannot take.
constexpr KlvInt kNameTooLong = ERROR_FILENAME_EXCED_RANGE;  // 206

// kLvRunProgram: the process could not be started.
constexpr KlvInt kNotStarted = -1;

// How often the wait looks at the message queue even when nothing needs
// painting, so the caller's windows are never taken as hung.
constexpr DWORD kWaitPulseMs = 500;

KlvInt ShellExecute(const std::wstring& operation, const std::wstring& file, const std::wstring& parameters,
                    const std::wstring& directory, const std::wstring& showCommand) {
  if (file.empty()) return ERROR_FILE_NOT_FOUND;
  if (file.size() > kMaxShellFileName || !FitsPlatform(operation) || !FitsPlatform(parameters) ||
      !FitsPlatform(directory) || !FitsPlatform(showCommand))
    return kNameTooLong;
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  // No error box of the platform's own, and the call is complete when it returns.
  info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.hwnd = CallerWindow();
  info.lpVerb = operation.empty() ? nullptr : operation.c_str();
  info.lpFile = file.c_str();
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
  info.nShow = ShowCommandOf(showCommand);
  if (ShellExecuteExW(&info)) return 0;
  // A file type with no program: Windows sets ERROR_NO_ASSOCIATION, Wine
  // only the old-style answer (leaving another code behind); one answer.
  const auto old = static_cast<KlvInt>(reinterpret_cast<INT_PTR>(info.hInstApp));
  if (old == SE_ERR_NOASSOC) return ERROR_NO_ASSOCIATION;
  const DWORD error = GetLastError();
  if (error != 0) return static_cast<KlvInt>(error);
  // No code set: the old-style answer (2 file, 3 path...) still tells why.
  return old > 0 && old <= 32 ? old : ERROR_GEN_FAILURE;
}

// Waits for `process` to end, handling only the paint messages of this
// thread's windows meanwhile.
bool WaitWhilePainting(HANDLE process) {
  for (;;) {
    HandlePaintMessages();
    const DWORD woken = MsgWaitForMultipleObjects(1, &process, FALSE, kWaitPulseMs, QS_PAINT | QS_SENDMESSAGE);
    if (woken == WAIT_OBJECT_0) return true;
    if (woken == WAIT_FAILED) return false;
  }
}

KlvInt RunProgram(const std::wstring& commandLine, const std::wstring& directory, const std::wstring& showCommand,
                  bool wait) {
  if (commandLine.empty() || !FitsPlatform(commandLine) || !FitsPlatform(directory)) return kNotStarted;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(ShowCommandOf(showCommand));
  PROCESS_INFORMATION started{};
  std::wstring line = commandLine;  // the platform may write into it
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &startup, &started))
    return kNotStarted;
  const KernelHandle process(started.hProcess), thread(started.hThread);
  if (!wait) return 0;
  DWORD exitCode = 0;
  if (!WaitWhilePainting(process.Get()) || !GetExitCodeProcess(process.Get(), &exitCode)) return kNotStarted;
  return static_cast<KlvInt>(exitCode);
}

}  // namespace

}  // namespace klv

using klv::Arg;

/* Opens FileName (a document, folder, program or address) with the
   program the system associates with it, using the verb Operation (empty:
   the default verb). ShowCommand is normal, maximized, minimized or hidden
   (any other word: normal). 0 when the system started it, otherwise the
   platform's error code, always above 0 (2 no file, 3 no path, 5 denied,
   206 a text too long for the shell, 1155 no associated program). The
   system shows no error box. */
KlvInt KLV_CALL kLvShellExecuteW(KlvTextW Operation, KlvTextW FileName, KlvTextW Parameters, KlvTextW Directory,
                                 KlvTextW ShowCommand) {
  return klv::IntExport(ERROR_GEN_FAILURE, [&] {
    return klv::ShellExecute(Arg(Operation), Arg(FileName), Arg(Parameters), Arg(Directory), Arg(ShowCommand));
  });
}

/* Starts the program of CommandLine (a path with blanks quoted) in the
   folder Directory (empty: the current one), shown as ShowCommand says.
   With Wait 0 the result is 0 once it has started; otherwise the call
   returns its exit code when it ends, handling meanwhile only the paint
   messages of the caller's windows. -1 when it cannot be started. */
KlvInt KLV_CALL kLvRunProgramW(KlvTextW CommandLine, KlvTextW Directory, KlvTextW ShowCommand, KlvInt Wait) {
  return klv::IntExport(klv::kNotStarted, [&] {
    return klv::RunProgram(Arg(CommandLine), Arg(Directory), Arg(ShowCommand), Wait != 0);
  });
}

KlvInt KLV_CALL kLvShellExecute(KlvText Operation, KlvText FileName, KlvText Parameters, KlvText Directory,
                                KlvText ShowCommand) {
  return klv::CallWide(kLvShellExecuteW, Operation, FileName, Parameters, Directory, ShowCommand);
}

KlvInt KLV_CALL kLvRunProgram(KlvText CommandLine, KlvText Directory, KlvText ShowCommand, KlvInt Wait) {
  return klv::CallWide(kLvRunProgramW, CommandLine, Directory, ShowCommand, Wait);
}
