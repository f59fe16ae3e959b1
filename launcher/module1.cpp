#include "module1.h"

#include <algorithm>
#include <vector>

#include "owner.h"

namespace autorun {

Settings ProductSettings;

namespace {

// The buffer of the profile reads: it grows until a value fits, so that no
// value is cut.
std::vector<char> ReadBuffer;

// How the launcher ends, once it is ending.
bool g_ending = false;
UINT g_exitCode = 0;

constexpr char kErrorCaption[] = "Ventrix";

// The read buffer starts at this many characters and doubles until a value
// fits: a long path must not be cut.
constexpr DWORD kFirstReadSize = 256;

std::string SystemText(DWORD error) {
  char* text = nullptr;
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result = length ? std::string(text, length) : std::string();
  if (text) LocalFree(text);
  while (!result.empty() && (result.back() == '\r' || result.back() == '\n' || result.back() == ' ')) result.pop_back();
  if (result.empty()) result = "System error " + std::to_string(error) + ".";
  return result;
}

int ScreenResolution(int axis) {
  const klv::ScreenDc screen;
  const int dpi = screen ? GetDeviceCaps(screen.Get(), axis) : 0;
  return dpi > 0 ? dpi : 96;
}

}  // namespace

std::string ReadProfile(const std::string& file, const std::string& section, const std::string& key) {
  if (section.size() > kTextLimit || key.size() > kTextLimit)
    Fatal("Cannot look up a name of " + std::to_string(std::max(section.size(), key.size())) + " characters in " +
              Shown(file) + ".",
          ERROR_FILENAME_EXCED_RANGE);
  if (ReadBuffer.size() < kFirstReadSize) ReadBuffer.resize(kFirstReadSize);
  for (;;) {
    const DWORD size = static_cast<DWORD>(ReadBuffer.size());
    const DWORD count =
        GetPrivateProfileStringA(section.c_str(), key.c_str(), "", ReadBuffer.data(), size, file.c_str());
    if (count + 1 < size) return std::string(ReadBuffer.data(), count);
    if (size > kTextLimit)
      Fatal("The value of \"" + Shown(key) + "\" in " + Shown(file) + " is longer than " + std::to_string(kTextLimit) +
                " characters.",
            ERROR_FILENAME_EXCED_RANGE);
    ReadBuffer.resize(2 * size);
  }
}

std::string CurrentFolder() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) Fatal("Cannot read the current folder.", GetLastError());
    if (length < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(length + 1);
  }
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '\\' || folder.back() == '/') return folder + name;
  return folder + "\\" + name;
}

void StartProgram(const std::string& program, const std::string& commandLine, WORD showWindow,
                  const std::string& what) {
  // Windows takes program names of fewer than MAX_PATH characters, and
  // Wine's CreateProcessA faults on some longer ones (about 1,025 to 2,000).
  if (program.size() >= MAX_PATH || commandLine.size() > kTextLimit)
    Fatal("Cannot start " + what + ".", ERROR_FILENAME_EXCED_RANGE);
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = showWindow;
  PROCESS_INFORMATION process{};
  std::string line = commandLine;
  if (!CreateProcessA(program.empty() ? nullptr : program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process))
    Fatal("Cannot start " + what + ".", GetLastError());
  // Not waited for: the handles go at once.
  const klv::KernelHandle thread(process.hThread), started(process.hProcess);
}

std::string Shown(const std::string& path) {
  constexpr std::size_t kShownLength = 200;
  if (path.size() <= kShownLength) return path;
  return path.substr(0, kShownLength / 2) + "..." + path.substr(path.size() - kShownLength / 2);
}

void EndLauncher(UINT exitCode) {
  if (!g_ending) {
    g_ending = true;
    g_exitCode = exitCode;
  }
  PostQuitMessage(static_cast<int>(g_exitCode));
}

UINT ExitCode() { return g_exitCode; }

void Report(const std::string& what, DWORD error) noexcept {
  if (g_ending) return;
  try {
    const std::string text = error ? what + "\n\n" + SystemText(error) : what;
    MessageBoxA(nullptr, text.c_str(), kErrorCaption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  } catch (const std::exception&) {
    MessageBoxA(nullptr, "The launcher failed.", kErrorCaption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  }
  EndLauncher(error ? error : 1);
}

void Fatal(const std::string& what, DWORD error) {
  Report(what, error);
  throw FatalError{};
}

int TwipsX(int twips) { return MulDiv(twips, ScreenResolution(LOGPIXELSX), 1440); }
int TwipsY(int twips) { return MulDiv(twips, ScreenResolution(LOGPIXELSY), 1440); }

}  // namespace autorun
