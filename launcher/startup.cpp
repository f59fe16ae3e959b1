// The launcher's start: the Startup window (never visible) reads the
// product settings from the disc and decides; the Setup window (never
// visible) starts the disc's installer when the product is not installed.
#include <windows.h>

#include "module1.h"
#include "owner.h"
#include "run.h"

namespace autorun {

namespace {

// The window procedure of Startup and Setup, which are never seen: all
// either does happens in its Form_Load, when the window is created. A
// failed Form_Load has ended the launcher, and its window is not created.
template <void (*FormLoad)(HWND)>
LRESULT CALLBACK HiddenWindowProc(HWND self, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) return Handled([self] { FormLoad(self); }) ? 0 : -1;
  return DefWindowProcA(self, message, wParam, lParam);
}

void RegisterHiddenWindow(HINSTANCE instance, const char* className, WNDPROC proc, const std::string& name) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = proc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = className;
  if (!RegisterClassA(&windowClass)) Fatal("Cannot register the " + name + " window.", GetLastError());
}

}  // namespace

namespace setup {

constexpr char kClass[] = "autorun.Setup";
constexpr char kSetupProgram[] = "setup.exe";

// Starts the disc's installer maximised and ends the launcher: nothing of
// the launcher runs after this but the return to its message loop.
void Form_Load(HWND self) {
  ShowWindow(self, SW_HIDE);
  const std::string program = JoinPath(CurrentFolder(), kSetupProgram);
  StartProgram(program, Quoted(program), SW_SHOWMAXIMIZED, "the setup program " + Shown(program));
  EndLauncher(0);
}

void Register(HINSTANCE instance) { RegisterHiddenWindow(instance, kClass, HiddenWindowProc<Form_Load>, "Setup"); }

void Show(HINSTANCE instance) {
  // Designed invisible, 3765 x 2310 twips, no caption.
  if (!CreateWindowExA(0, kClass, "", WS_OVERLAPPED, CW_USEDEFAULT, CW_USEDEFAULT, TwipsX(3765), TwipsY(2310),
                       nullptr, nullptr, instance, nullptr))
    Fatal("Cannot create the Setup window.", GetLastError());
}

}  // namespace setup

namespace startup {

constexpr char kClass[] = "autorun.Startup";
constexpr char kCaption[] = "Startup";
constexpr char kProductFile[] = "Kelbit.ini";
constexpr char kProductSection[] = "Product Info";
constexpr char kInstalledFile[] = "Orvel.ini";  // a bare name: the Windows folder

struct Key {
  const char* name;
  std::string Settings::*field;
};
const Key kKeys[] = {
    {"Icon", &Settings::Icon},
    {"Product Line", &Settings::ProductLine},
    {"Bookmark", &Settings::Bookmark},
    {"Executable File", &Settings::ExecutableFile},
    {"Header", &Settings::Header},
    {"Readme", &Settings::Readme},
};

// True when Orvel.ini in the Windows folder has a value of at least one
// character under the product's key.
bool ProductInstalled() {
  const std::string& section = ProductSettings.ProductLine;
  const std::string& key = ProductSettings.Bookmark;
  // An empty name would ask the profile call for a list, not a value.
  if (section.empty() || key.empty() || section.size() > kTextLimit || key.size() > kTextLimit) return false;
  char first[2];
  return GetPrivateProfileStringA(section.c_str(), key.c_str(), "", first, sizeof(first), kInstalledFile) > 0;
}

void Form_Load(HWND self) {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(self, GWLP_HINSTANCE));
  for (const Key& key : kKeys)
    ProductSettings.*key.field = ReadProfile(JoinPath(CurrentFolder(), kProductFile), kProductSection, key.name);
  if (ProductInstalled())
    run::Show(instance);
  else
    setup::Show(instance);
}

void Register(HINSTANCE instance) {
  RegisterHiddenWindow(instance, kClass, HiddenWindowProc<Form_Load>, "Startup");
}

void Load(HINSTANCE instance) {
  // Designed invisible, 2205 x 975 twips; never shown.
  if (!CreateWindowExA(0, kClass, kCaption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, TwipsX(2205),
                       TwipsY(975), nullptr, nullptr, instance, nullptr))
    Fatal("Cannot create the Startup window.", GetLastError());
}

}  // namespace startup

}  // namespace autorun

// Returns the exit code of the quit message that ends the message loop, or
// the one recorded when a failure ended the launcher before the loop.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace autorun;
  MSG message{};
  Handled([&] {
    // The picture loader decodes GIF and JPEG through COM objects.
    const klv::ComInit com;
    if (FAILED(com.Result())) Fatal("Cannot start the picture loader.", HRESULT_CODE(com.Result()));
    startup::Register(instance);
    setup::Register(instance);
    run::Register(instance);
    startup::Load(instance);
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
      if (run::IsDialogMessage(&message)) continue;
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  });
  return static_cast<int>(message.message == WM_QUIT ? message.wParam : ExitCode());
}
