#include "paths.h"

#include <windows.h>

#include "ending.h"

namespace autorun {

namespace {

// A folder or file name from a platform call that answers the length it
// needs when the buffer is too small.
template <class Call>
std::wstring AskGrowing(Call call, const wchar_t* what) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = call(&buffer[0], static_cast<DWORD>(buffer.size()));
    if (length == 0) Fatal(std::wstring(L"Cannot read ") + what + L".", GetLastError());
    if (length < buffer.size()) return buffer.substr(0, length);
    buffer.resize(length + 1);
  }
}

}  // namespace

std::wstring CurrentFolder() {
  return AskGrowing([](wchar_t* b, DWORD n) { return GetCurrentDirectoryW(n, b); }, L"the current folder");
}

std::wstring WindowsFolder() {
  return AskGrowing([](wchar_t* b, DWORD n) { return GetWindowsDirectoryW(b, n); }, L"the Windows folder");
}

std::wstring SystemFolder() {
  return AskGrowing([](wchar_t* b, DWORD n) { return GetSystemDirectoryW(b, n); }, L"the system folder");
}

std::wstring ThisProgram() {
  // GetModuleFileName answers the buffer's size when the name does not fit.
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, &buffer[0], static_cast<DWORD>(buffer.size()));
    if (length == 0) Fatal(L"Cannot read the launcher's own file name.", GetLastError());
    if (length < buffer.size()) return buffer.substr(0, length);
    buffer.resize(2 * buffer.size());
  }
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
  if (folder.empty() || folder.back() == L'\\' || folder.back() == L'/') return folder + name;
  return folder + L"\\" + name;
}

std::wstring Shown(const std::wstring& path) {
  constexpr std::size_t kShownLength = 200;
  if (path.size() <= kShownLength) return path;
  // Neither cut falls between the two halves of a surrogate pair.
  std::size_t head = kShownLength / 2, tail = path.size() - kShownLength / 2;
  if (IS_HIGH_SURROGATE(path[head - 1])) --head;
  if (IS_LOW_SURROGATE(path[tail])) ++tail;
  return path.substr(0, head) + L"..." + path.substr(tail);
}

}  // namespace autorun
