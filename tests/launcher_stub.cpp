// Stands in for the programs the launcher starts (setup.exe, the product,
// write.exe): appends one line to the log named by KLV_STUB_LOG, its own
// file, its command line and the show-window value it was given, and ends.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char log[MAX_PATH];
  const DWORD length = GetEnvironmentVariableA("KLV_STUB_LOG", log, sizeof(log));
  if (length == 0 || length >= sizeof(log)) return 2;
  std::string module(32768, '\0');
  module.resize(GetModuleFileNameA(nullptr, &module[0], static_cast<DWORD>(module.size())));
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  GetStartupInfoA(&startup);
  const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
  const std::string line = module + "\t" + GetCommandLineA() + "\t" + std::to_string(show) + "\n";
  // Several stubs may write at once: retry while another holds the file.
  for (int attempt = 0; attempt < 200; ++attempt) {
    HANDLE file = CreateFileA(log, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
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
