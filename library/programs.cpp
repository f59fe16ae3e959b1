// Documents and programs: opening a document with its associated program,
// and starting a program, optionally waiting for it.
#include <windows.h>
#include <shellapi.h>

#include <optional>
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

// CreateProcess's answer for a program that runs only elevated (Vista and
// later; MinGW's headers lack the name).
constexpr DWORD kElevationRequired = 740;  // ERROR_ELEVATION_REQUIRED

// kLvRunProgram: the process could not be started.
constexpr KlvInt kNotStarted = -1;
// kLvRunProgram: the user declined the consent prompt of a program that
// runs only elevated.
constexpr KlvInt kDeclined = -2;

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
// thread's windows meanwhile; those windows take no input while it waits.
bool WaitWhilePainting(HANDLE process) {
  const DisabledCallerWindows held;
  for (;;) {
    HandlePaintMessages();
    const DWORD woken = MsgWaitForMultipleObjects(1, &process, FALSE, kWaitPulseMs, QS_PAINT | QS_SENDMESSAGE);
    if (woken == WAIT_OBJECT_0) return true;
    if (woken == WAIT_FAILED) return false;
  }
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// The program file `name` names for CreateProcess (".exe" added to a name
// without an extension, looked up as it looks it up); nullopt for none.
std::optional<std::wstring> ProgramNamed(const std::wstring& name) {
  auto found = PlatformText(
      [&](wchar_t* buffer, DWORD size) { return SearchPathW(nullptr, name.c_str(), L".exe", size, buffer, nullptr); });
  if (found && IsFolder(*found)) found.reset();
  return found;
}

// A command line as CreateProcess reads it: the program (a quoted path, or
// the shortest run of words that names a program, as an unquoted path with
// blanks is tried word by word) and what follows it, the arguments.
struct CommandParts {
  std::wstring program;
  std::wstring arguments;
};

CommandParts SplitCommandLine(const std::wstring& line) {
  const auto nextWordEnd = [&](std::size_t from) {
    while (from < line.size() && IsBlank(line[from])) ++from;
    while (from < line.size() && !IsBlank(line[from])) ++from;
    return from;
  };
  const std::size_t start = line.find_first_not_of(L" \t");
  if (start == std::wstring::npos) return {};
  std::size_t end;
  CommandParts parts;
  if (line[start] == L'"') {
    end = line.find(L'"', start + 1);
    parts.program = line.substr(start + 1, end == std::wstring::npos ? end : end - start - 1);
    end = end == std::wstring::npos ? line.size() : end + 1;
    if (const auto program = ProgramNamed(parts.program)) parts.program = *program;
  } else {
    end = nextWordEnd(start);
    parts.program = line.substr(start, end - start);
    for (std::size_t tried = end;; tried = nextWordEnd(tried)) {
      if (const auto program = ProgramNamed(line.substr(start, tried - start))) {
        parts.program = *program;
        end = tried;
        break;
      }
      if (tried == line.size()) break;
    }
  }
  if (end < line.size()) {
    const std::size_t arguments = line.find_first_not_of(L" \t", end);
    if (arguments != std::wstring::npos) parts.arguments = line.substr(arguments);
  }
  return parts;
}

// What starting a program gave: its process to wait for (none when the
// shell hands back none), or the answer when nothing was started.
struct Started {
  KernelHandle process;
  KlvInt failure = 0;
};

// Starts a program that Windows starts only elevated, through the shell,
// which asks the user's consent (CreateProcess refuses such a program).
Started StartThroughShell(const std::wstring& commandLine, const std::wstring& directory, int show) {
  const CommandParts parts = SplitCommandLine(commandLine);
  Started started;
  if (parts.program.size() > kMaxShellFileName) {
    started.failure = kNotStarted;
    return started;
  }
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.hwnd = CallerWindow();
  info.lpFile = parts.program.c_str();
  info.lpParameters = parts.arguments.empty() ? nullptr : parts.arguments.c_str();
  info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
  info.nShow = show;
  if (ShellExecuteExW(&info))
    started.process.Reset(info.hProcess);
  else
    started.failure = GetLastError() == ERROR_CANCELLED ? kDeclined : kNotStarted;
  return started;
}

Started StartProgram(const std::wstring& commandLine, const std::wstring& directory, int show) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show);
  PROCESS_INFORMATION process{};
  std::wstring line = commandLine;  // the platform may write into it
  Started started;
  if (CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                     directory.empty() ? nullptr : directory.c_str(), &startup, &process)) {
    const KernelHandle thread(process.hThread);
    started.process.Reset(process.hProcess);
  } else if (GetLastError() == kElevationRequired) {
    return StartThroughShell(commandLine, directory, show);
  } else {
    started.failure = kNotStarted;
  }
  return started;
}

KlvInt RunProgram(const std::wstring& commandLine, const std::wstring& directory, const std::wstring& showCommand,
                  bool wait) {
  if (commandLine.empty() || !FitsPlatform(commandLine) || !FitsPlatform(directory)) return kNotStarted;
  const Started started = StartProgram(commandLine, directory, ShowCommandOf(showCommand));
  if (started.failure != 0) return started.failure;
  // The shell may have handed the program to one already running.
  if (!wait || !started.process) return 0;
  DWORD exitCode = 0;
  if (!WaitWhilePainting(started.process.Get()) || !GetExitCodeProcess(started.process.Get(), &exitCode))
    return kNotStarted;
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
   123 a wildcard in the name, 206 a text too long for the shell, 1155 no
   associated program, 31 any other failure, a text that is no text
   included). The system shows no error box. */
KlvInt KLV_CALL kLvShellExecuteW(KlvTextW Operation, KlvTextW FileName, KlvTextW Parameters, KlvTextW Directory,
                                 KlvTextW ShowCommand) {
  return klv::IntExport(ERROR_GEN_FAILURE, [&] {
    return klv::ShellExecute(Arg(Operation), Arg(FileName), Arg(Parameters), Arg(Directory), Arg(ShowCommand));
  });
}

/* Starts the program of CommandLine (a path with blanks quoted) in the
   folder Directory (empty: the current one), shown as ShowCommand says; a
   program that runs only elevated is started through the shell, which asks
   the user. With Wait 0 the result is 0 once it has started; otherwise the
   call returns its exit code when it ends, meanwhile the caller's windows
   are disabled (their paint messages are handled, clicks and keys made on
   them dropped). -1 when it cannot be started, -2 when the user declined
   to let it run elevated. */
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
