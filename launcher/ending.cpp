#include "ending.h"

#include "owner.h"

namespace autorun {

namespace {

bool g_ending = false;
UINT g_exitCode = 0;

constexpr wchar_t kCaption[] = L"Ventrix";

std::wstring SystemText(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  const klv::LocalBlock buffer(text);
  std::wstring result = length ? std::wstring(text, length) : std::wstring();
  while (!result.empty() && (result.back() == L'\r' || result.back() == L'\n' || result.back() == L' '))
    result.pop_back();
  if (result.empty()) result = L"System error " + std::to_wstring(error) + L".";
  return result;
}

void ShowBox(HWND owner, const std::wstring& text) noexcept {
  MessageBoxW(owner, text.c_str(), kCaption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

// The box's text: what failed, then the system's reason when there is one.
std::wstring Explained(const std::wstring& what, DWORD error) {
  return error ? what + L"\n\n" + SystemText(error) : what;
}

void ReportAndEnd(const std::wstring& what, DWORD error, UINT exitCode) noexcept {
  if (g_ending) return;
  try {
    ShowBox(nullptr, Explained(what, error));
  } catch (const std::exception&) {
    ShowBox(nullptr, L"The launcher failed.");
  }
  EndLauncher(exitCode ? exitCode : 1);
}

}  // namespace

void EndLauncher(UINT exitCode) {
  if (!g_ending) {
    g_ending = true;
    g_exitCode = exitCode;
  }
  PostQuitMessage(static_cast<int>(g_exitCode));
}

UINT ExitCode() { return g_exitCode; }

void Report(const std::wstring& what, DWORD error) noexcept { ReportAndEnd(what, error, error); }

void Fatal(const std::wstring& what, DWORD error) {
  Report(what, error);
  throw FatalError{};
}

void FatalExplained(const std::wstring& text, UINT exitCode) {
  ReportAndEnd(text, 0, exitCode);
  throw FatalError{};
}

void Tell(HWND owner, const std::wstring& what, DWORD error) noexcept {
  try {
    ShowBox(owner, Explained(what, error));
  } catch (const std::exception&) {
    ShowBox(owner, L"The launcher failed.");
  }
}

std::wstring FromAnsi(const char* text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (length <= 1) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], length);
  wide.resize(static_cast<std::size_t>(length) - 1);
  return wide;
}

}  // namespace autorun
