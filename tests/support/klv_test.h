// Shared helpers of the test executables: temporary folders, files, and the
// library bound by its decorated export names as its callers bind it.
#ifndef KLV_TEST_H
#define KLV_TEST_H

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "kLv_Tool.h"

namespace klvtest {

// A fresh folder under C:\ for one test, removed with all it holds.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }          // no trailing backslash
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

// Removes a file or a folder tree; read-only entries included.
void RemoveTree(const std::string& path);

bool WriteFile(const std::string& path, const std::string& bytes);
std::optional<std::string> ReadFile(const std::string& path);
bool Exists(const std::string& path);
bool IsFolder(const std::string& path);

// The library, loaded once by its file name from beside the test.
HMODULE Library();

// The address of `name@N`, N being four times the prototype's argument
// count; a missing export fails the test that asked for it.
FARPROC BindDecorated(const std::string& decorated);

template <class F>
struct Arity;
template <class R, class... A>
struct Arity<R(__stdcall*)(A...)> {
  static constexpr int value = sizeof...(A);
};

template <class F>
F Bind(const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(BindDecorated(std::string(name) + "@" + std::to_string(4 * Arity<F>::value))));
}

// The export `name` of kLv_Tool.dll, typed by its prototype in kLv_Tool.h.
#define KLV_FN(name) ::klvtest::Bind<decltype(&::name)>(#name)

// The number of handles the process holds (for leak checks).
DWORD HandleCount();

// Runs a command line, waits for it (at most `timeoutMs`) and collects its
// standard output. exitCode is -1 when it could not start or timed out.
struct ProcessResult {
  int exitCode = -1;
  std::string output;
};
ProcessResult RunProcess(const std::string& commandLine, DWORD timeoutMs = 60000);

// The folder of the running test executable (where the built binaries are).
std::string BinDir();

// The lines of a text, each ended by a line feed (a last line without one
// is left out).
std::vector<std::string> Lines(const std::string& text);

// A text of `count` characters cycling through letters and digits.
std::string LongText(std::size_t count, char first = 'a');

}  // namespace klvtest

#endif
