// Stands in for the programs the launcher starts (setup.exe, the title,
// the readme's program): appends one line to the log named by KLV_STUB_LOG,
// in UTF-8: its own file, its command line, the show-window value it was
// given, its current folder and its ANSI code page, separated by tabs; and
// ends. Built three times: plain, with a manifest that asks for
// administrator rights, and with an icon of its own.
#include <windows.h>

#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(length), '\0');
  if (length > 0)
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], length, nullptr, nullptr);
  return bytes;
}

std::wstring Ask(DWORD (*call)(wchar_t*, DWORD)) {
  std::wstring text(32768, L'\0');
  text.resize(call(&text[0], static_cast<DWORD>(text.size())));
  return text;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  wchar_t log[MAX_PATH];
  const DWORD length = GetEnvironmentVariableW(L"KLV_STUB_LOG", log, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 2;
  const std::wstring module = Ask([](wchar_t* b, DWORD n) { return GetModuleFileNameW(nullptr, b, n); });
  const std::wstring folder = Ask([](wchar_t* b, DWORD n) { return GetCurrentDirectoryW(n, b); });
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  GetStartupInfoW(&startup);
  const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
  const std::string line = Utf8(module) + "\t" + Utf8(GetCommandLineW()) + "\t" + std::to_string(show) + "\t" +
                           Utf8(folder) + "\t" + std::to_string(GetACP()) + "\n";
  // Several stubs may write at once: retry while another holds the file.
  for (int attempt = 0; attempt < 200; ++attempt) {
    HANDLE file = CreateFileW(log, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
      CloseHandle(file);
      return 0;
    }
    Sleep(10);
  }
  return 1;
}
