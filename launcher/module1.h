// What the launcher's windows share: the product settings read from the
// disc, the read buffer, and the few platform operations every handler
// uses (current folder, starting a program, ending with an error report).
#ifndef AUTORUN_MODULE1_H
#define AUTORUN_MODULE1_H

#include <windows.h>

#include <string>
#include <vector>

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

// The buffer of the profile reads: it grows until a value fits, so that no
// value is cut.
extern std::vector<char> ReadBuffer;

constexpr char kProductFile[] = "Kelbit.ini";
constexpr char kProductSection[] = "Product Info";
constexpr char kInstalledFile[] = "Orvel.ini";  // a bare name: the Windows folder
constexpr char kSetupProgram[] = "setup.exe";
constexpr char kReadmeProgram[] = "write.exe";

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

// Reports what failed with the system's text for `error` in a message box
// and ends the launcher with a non-zero exit code.
[[noreturn]] void Fatal(const std::string& what, DWORD error);

// Ends the launcher at once; programs it started keep running.
[[noreturn]] void EndLauncher(UINT exitCode = 0);

// Twips to pixels at the screen's resolution (15 twips a pixel at 96 DPI).
int TwipsX(int twips);
int TwipsY(int twips);

}  // namespace autorun

#endif
