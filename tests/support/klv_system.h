// Helpers over the platform that the tests and the benchmarks share, without
// the test framework: files and folders, processes, and blocks that change a
// piece of the process's state and put it back when they go.
#ifndef KLV_SYSTEM_H
#define KLV_SYSTEM_H

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace klvtest {

// Removes a file or a folder tree; read-only entries included.
void RemoveTree(const std::string& path);
void RemoveTree(const std::wstring& path);

// Texts between the ANSI code page and UTF-16, by the platform: Wide takes
// the text as the code page reads it; Ansi is nullopt when the code page
// cannot hold the text whole. Utf8 is the text as Director 11 hands it.
std::wstring Wide(const std::string& ansi);
std::optional<std::string> Ansi(const std::wstring& wide);
std::string Utf8(const std::wstring& wide);

bool WriteFile(const std::string& path, const std::string& bytes);
std::optional<std::string> ReadFile(const std::string& path);
bool Exists(const std::string& path);
bool IsFolder(const std::string& path);

// The folder of the running executable (where the built binaries are).
std::string BinDir();

// The lines of a text, each ended by a line feed (a last line without one
// is left out).
std::vector<std::string> Lines(const std::string& text);

// A text of `count` characters cycling through letters and digits.
std::string LongText(std::size_t count, char first = 'a');

// The number of handles the process holds (for leak checks).
DWORD HandleCount();

// Polls `ready` until it holds (true) or `timeoutMs` runs out (false).
bool WaitFor(const std::function<bool()>& ready, DWORD timeoutMs, DWORD pollMs = 20);

// Runs a command line and collects its standard output until it ends, at
// most `timeoutMs`: a child still running then is ended, and output that a
// program it started keeps open is not waited for. exitCode is -1 when it
// could not start or timed out.
struct ProcessResult {
  int exitCode = -1;
  std::string output;
};
ProcessResult RunProcess(const std::string& commandLine, DWORD timeoutMs = 60000);

// Moves the process's current folder (or only notes it), and puts the one it
// had back when it goes.
class CurrentFolder {
 public:
  CurrentFolder();
  explicit CurrentFolder(const std::string& path);
  ~CurrentFolder();
  CurrentFolder(const CurrentFolder&) = delete;
  CurrentFolder& operator=(const CurrentFolder&) = delete;
  bool Changed() const { return changed_; }

 private:
  std::string previous_;
  bool changed_ = false;
};

// An environment variable of the process, put back as it was (or removed
// when it was not set) when this goes.
class SavedVariable {
 public:
  explicit SavedVariable(std::string name);
  ~SavedVariable();
  SavedVariable(const SavedVariable&) = delete;
  SavedVariable& operator=(const SavedVariable&) = delete;
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
  std::optional<std::string> value_;
};

// Points a loaded module's import of `function` from `dll` at `replacement`
// for as long as this lives: a seam for answers the platform gives on
// Windows and never under Wine. Original() is what it pointed at.
class ImportPatch {
 public:
  ImportPatch(HMODULE module, const char* dll, const char* function, const void* replacement);
  ~ImportPatch();
  ImportPatch(const ImportPatch&) = delete;
  ImportPatch& operator=(const ImportPatch&) = delete;
  bool Patched() const { return slot_ != nullptr; }
  template <class Function>
  Function Original() const {
    return reinterpret_cast<Function>(original_);
  }

 private:
  void Write(const void* value);
  const void** slot_ = nullptr;
  const void* original_ = nullptr;
};

}  // namespace klvtest

#endif
