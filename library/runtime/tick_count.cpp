// Linked into each deliverable. The C++ runtime's threads library takes
// GetTickCount64 from kernel32, and Windows XP has none: a binary that
// imports it does not load there. This definition of the import's pointer
// stands in its place, so the binary imports no such function; it calls
// the platform's own where there is one, else GetTickCount, widened (it
// wraps after 49.7 days, and the runtime only measures short waits with it).
#include <windows.h>

namespace {

using TickCount64Function = ULONGLONG(WINAPI*)();

// Looked up on first use; no function-local static, whose guard would call
// back into the threads library.
TickCount64Function volatile g_platform = nullptr;
LONG volatile g_lookedUp = 0;

ULONGLONG WINAPI TickCount64() {
  if (!g_lookedUp) {
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    g_platform = kernel ? reinterpret_cast<TickCount64Function>(
                              reinterpret_cast<void*>(GetProcAddress(kernel, "GetTickCount64")))
                        : nullptr;
    InterlockedExchange(&g_lookedUp, 1);
  }
  const TickCount64Function platform = g_platform;
  return platform ? platform() : GetTickCount();
}

}  // namespace

extern "C" {
extern TickCount64Function const klvTickCount64Import __asm__("__imp__GetTickCount64@0");
TickCount64Function const klvTickCount64Import = TickCount64;
}
