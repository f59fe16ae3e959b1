// autorun.exe, the disc launcher: started in the disc's root, it reads the
// title's description from Kelbit.ini there and shows the Run screen when
// the title is installed, or starts the disc's setup program when it is
// not.
#include <windows.h>

#include "ending.h"
#include "owner.h"
#include "paths.h"
#include "product.h"
#include "run_screen.h"
#include "start.h"

namespace autorun {
namespace {

constexpr wchar_t kSetupProgram[] = L"setup.exe";

// Starts the disc's setup maximised; the launcher's work is then done. A
// user who declines the setup's elevation prompt has chosen not to install:
// the launcher ends as after a started setup.
void StartSetup(const std::wstring& discFolder) {
  const std::wstring program = JoinPath(discFolder, kSetupProgram);
  StartProgram(program, discFolder, SW_SHOWMAXIMIZED, L"the setup program " + Shown(program));
}

}  // namespace
}  // namespace autorun

// Returns the exit code: 0, or the one recorded when a failure ended the
// launcher.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace autorun;
  Handled([&] {
    // The shell's program start and the picture loader use COM.
    const klv::ComInit com;
    if (FAILED(com.Result())) Fatal(L"Cannot start COM.", HRESULT_CODE(com.Result()));
    const std::wstring discFolder = CurrentFolder();
    const Product product = ReadProduct(discFolder);
    if (IsInstalled(product))
      ShowRunScreen(instance, product, discFolder);
    else
      StartSetup(discFolder);
  });
  return static_cast<int>(ExitCode());
}
