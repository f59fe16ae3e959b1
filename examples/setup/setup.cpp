// The demo disc's installer: copies the product from the disc into
// C:\Ventrix and records it in Orvel.ini, the way a title's own installer
// script would, through kLv_Tool.dll on the disc.
#include <windows.h>

#include <string>

#include "kLv_Tool.h"

namespace {

constexpr char kCaption[] = "Ventrix Setup";
constexpr char kTarget[] = "C:\\Ventrix";
const char* const kFiles[] = {"ventrix.exe", "readme.txt", "product.ico"};
// The notice closes itself, so that an unattended demo never waits.
constexpr UINT kNoticeMs = 6000;

// An export by its decorated name, typed by its prototype; null when missing.
template <class F>
F Bind(HMODULE library, const char* decorated) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, decorated)));
}

int Fail(const std::string& text) {
  MessageBoxA(nullptr, text.c_str(), kCaption, MB_OK | MB_ICONERROR);
  return 1;
}

std::string Folder(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

std::string Profile(const std::string& file, const char* key) {
  char value[256] = {};
  GetPrivateProfileStringA("Product Info", key, "", value, sizeof(value), file.c_str());
  return value;
}

void CALLBACK CloseNotice(HWND, UINT, UINT_PTR, DWORD) {
  if (HWND box = FindWindowA("#32770", kCaption)) PostMessageA(box, WM_COMMAND, IDOK, 0);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string disc = Folder(self);

  // Bound at run time, so that an older library is reported, not fatal.
  HMODULE library = LoadLibraryA((disc + "\\kLv_Tool.dll").c_str());
  if (!library) return Fail("Cannot load kLv_Tool.dll from the disc (error " + std::to_string(GetLastError()) + ").");
  auto createDirectory = Bind<decltype(&kLvCreateDirectory)>(library, "kLvCreateDirectory@4");
  auto copyFile = Bind<decltype(&kLvCopyFile)>(library, "kLvCopyFile@8");
  auto writeIniString = Bind<decltype(&kLvWriteIniString)>(library, "kLvWriteIniString@16");
  if (!createDirectory || !copyFile || !writeIniString)
    return Fail(
        "This kLv_Tool.dll lacks kLvCreateDirectory, kLvCopyFile or kLvWriteIniString: it is older than this "
        "setup.");

  if (createDirectory(kTarget) != 0) return Fail(std::string("Cannot create the folder ") + kTarget + ".");
  for (const char* file : kFiles) {
    const std::string from = disc + "\\" + file, to = std::string(kTarget) + "\\" + file;
    const int code = copyFile(from.c_str(), to.c_str());
    if (code != 0) return Fail("Cannot copy " + from + " to " + to + " (code " + std::to_string(code) + ").");
  }

  // The launcher finds the product installed by this entry.
  const std::string kelbit = disc + "\\Kelbit.ini";
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string orvel = std::string(windows) + "\\Orvel.ini";
  if (writeIniString(orvel.c_str(), Profile(kelbit, "Product Line").c_str(), Profile(kelbit, "Bookmark").c_str(),
                     kTarget) != 0)
    return Fail("Cannot record the installation in " + orvel + ".");

  SetTimer(nullptr, 0, kNoticeMs, CloseNotice);
  MessageBoxA(nullptr,
              ("Ventrix is installed in " + std::string(kTarget) +
               ".\n\nInsert the disc again (or start autorun.exe) to play.")
                  .c_str(),
              kCaption, MB_OK | MB_ICONINFORMATION);
  FreeLibrary(library);
  return 0;
}
