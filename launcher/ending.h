// How the launcher ends: with an exit code, after a message box where
// something failed. Every failure of the launcher passes through here.
#ifndef AUTORUN_ENDING_H
#define AUTORUN_ENDING_H

#include <windows.h>

#include <exception>
#include <string>

namespace autorun {

// The exit codes besides 0 (the setup or the title started, the user left
// the Run screen, or declined the setup's elevation prompt) and the Windows
// error code of a failure (docs/launcher.md lists them).
// A 16-bit Windows or DOS program on 64-bit Windows.
constexpr UINT kExitSixteenBitProgram = ERROR_EXE_MACHINE_TYPE_MISMATCH;
// A file that is no program Windows can run (a document, for instance).
constexpr UINT kExitNotAProgram = ERROR_BAD_EXE_FORMAT;
// A folder where a program was expected.
constexpr UINT kExitFolder = ERROR_DIRECTORY;
// The title's program is this launcher itself (Kelbit.ini names it).
constexpr UINT kExitLauncherItself = ERROR_INVALID_PARAMETER;

// The launcher ends one way, through the Run screen's message loop or the
// return from wWinMain, so that every window procedure returns and every
// owner is released. Programs the launcher started keep running.

// Records the exit code (the first one recorded stands) and posts the quit
// message that ends a message loop.
void EndLauncher(UINT exitCode);
// The exit code recorded; 0 while none is.
UINT ExitCode();

// Thrown by Fatal: unwinds the failed step to its window procedure or to
// wWinMain, which end the way the launcher ends.
struct FatalError {};

// Shows `what` and the system's text for `error` in a message box, and ends
// the launcher with the exit code `error`, or 1 when it is 0. Once the
// launcher is ending, nothing more is shown: a failure that follows from
// the end adds no second box.
void Report(const std::wstring& what, DWORD error) noexcept;

// Reports as Report does, then throws FatalError.
[[noreturn]] void Fatal(const std::wstring& what, DWORD error);

// Shows `text` alone (the launcher's own explanation, no system text) and
// ends with `exitCode`, then throws FatalError.
[[noreturn]] void FatalExplained(const std::wstring& text, UINT exitCode);

// A message box over `owner` that does not end the launcher: `what`, and
// the system's text for `error` when it is not 0.
void Tell(HWND owner, const std::wstring& what, DWORD error) noexcept;

// A text of the launcher in the characters the platform gave it (a
// library's exception text).
std::wstring FromAnsi(const char* text);

// Runs a step at the boundary of a window procedure or of wWinMain: any
// other exception is reported as a failure of the launcher. False when the
// step failed, and the launcher is then ending.
template <class Step>
bool Handled(Step&& step) noexcept {
  try {
    step();
    return true;
  } catch (const FatalError&) {
  } catch (const std::exception& e) {
    Report(L"The launcher failed: " + FromAnsi(e.what()), 0);
  } catch (...) {
    Report(L"The launcher failed.", 0);
  }
  return false;
}

}  // namespace autorun

#endif
