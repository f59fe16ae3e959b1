// Starting programs and opening documents: the one place where the
// launcher asks Windows to run something (the setup, the title's program,
// the readme's program). Everything goes through the shell
// (ShellExecuteEx), which shows the elevation prompt where a program needs
// an administrator; CreateProcess would refuse such a program.
#ifndef AUTORUN_START_H
#define AUTORUN_START_H

#include <windows.h>

#include <string>

namespace autorun {

enum class Start {
  kStarted,
  kDeclined,  // the user said no at the elevation prompt: no message
};

// Starts `program` (a full path) with no arguments, in `folder`, shown as
// `show`. `what` names it in messages ("the setup program D:\setup.exe").
// What cannot be started is reported and ends the launcher (Fatal): a path
// of MAX_PATH characters or more, a folder, this launcher itself, a file
// that is no program, a 16-bit Windows or DOS program on 64-bit Windows
// (exit code kExitSixteenBitProgram), or the shell's failure.
Start StartProgram(const std::wstring& program, const std::wstring& folder, int show, const std::wstring& what);

// Opens `document` (a full path) with the program its file type is
// associated with, or in Notepad when it has none. What cannot be opened is
// told in a message box over `owner`, and the launcher goes on; a program
// named as a document is not started.
void OpenDocument(HWND owner, const std::wstring& document, const std::wstring& folder, const std::wstring& what);

}  // namespace autorun

#endif
