// What the launcher's windows share: the product settings read from the
// disc, the few platform operations every handler uses (profile reads,
// current folder, starting a program), and the one way the launcher ends.
#ifndef AUTORUN_MODULE1_H
#define AUTORUN_MODULE1_H

#include <windows.h>

#include <exception>
#include <string>

#include "platform.h"

namespace autorun {

// The six values of section "Product Info" of Kelbit.ini, read once at start.
struct Settings {
  std::string Icon;            // picture beside "Run Program", as written
  std::string ProductLine;     // section of Orvel.ini
  std::string Bookmark;        // key in that section
  std::string ExecutableFile;  // the product's program, under the disc folder
  std::string Header;          // the product's title
  std::string Readme;          // the readme, under the disc folder
};
extern Settings ProductSettings;

// The longest value or path handed to the platform.
constexpr std::size_t kTextLimit = klv::kPlatformTextLimit;

// A value of an INI file, whole; the empty text when file, section or key
// is missing. A value too long to use is a fatal error.
std::string ReadProfile(const std::string& file, const std::string& section, const std::string& key);

// The current folder; a drive root keeps its backslash (D:\).
std::string CurrentFolder();

// A name under a folder, with exactly one backslash between them.
std::string JoinPath(const std::string& folder, const std::string& name);

// Starts a program without waiting for it; `program` empty means the first
// word of the command line, found by the system's program search. Fatal
// when it cannot start.
void StartProgram(const std::string& program, const std::string& commandLine, WORD showWindow,
                  const std::string& what);

// A path as an error report shows it: long ones are shortened.
std::string Shown(const std::string& path);

// A command-line word in double quotes.
inline std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The launcher ends one way, through WinMain's message loop, so that every
// window procedure returns and every owner is released: the Run window ends
// it as it is destroyed, the Setup window once the installer has started,
// and a fatal error wherever it happens. Programs the launcher started keep
// running.

// Records the exit code (the first one recorded stands) and posts the quit
// message that ends the message loop with it.
void EndLauncher(UINT exitCode);
// The exit code recorded; 0 while none is.
UINT ExitCode();

// Thrown by Fatal: unwinds the failed handler to its window procedure or to
// WinMain, which end the way the launcher ends.
struct FatalError {};

// Reports what failed with the system's text for `error` in a message box
// and ends the launcher with the exit code `error`, or 1 when it is 0.
// Once the launcher is ending, nothing more is shown: a failure that follows
// from the end (a window whose load failed and so was not created) adds no
// second box.
void Report(const std::string& what, DWORD error) noexcept;

// Reports and ends as Report does, then throws FatalError.
[[noreturn]] void Fatal(const std::string& what, DWORD error);

// Runs a handler at the boundary of a window procedure or of WinMain: any
// other exception is reported as a failure of the launcher. False when the
// handler failed, and the launcher is then ending.
template <class Handler>
bool Handled(Handler&& handler) noexcept {
  try {
    handler();
    return true;
  } catch (const FatalError&) {
  } catch (const std::exception& e) {
    Report(std::string("The launcher failed: ") + e.what(), 0);
  }
  return false;
}

// Twips to pixels at the screen's resolution (15 twips a pixel at 96 DPI).
int TwipsX(int twips);
int TwipsY(int twips);

}  // namespace autorun

#endif
