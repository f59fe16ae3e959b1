#include "ansi.h"

#include "codepage.h"

#include <windows.h>

#include <climits>

namespace klv {

std::optional<std::wstring> FromAnsi(const char* text) { return ToWide(text, CP_ACP); }

std::optional<std::string> ToAnsi(const std::wstring& text) {
  if (text.empty()) return std::string();
  if (text.size() > INT_MAX / 4 || !IsValidText(text.data(), text.size())) return std::nullopt;
  const int size = static_cast<int>(text.size());
  // UTF-8 holds every valid text and takes no flags; any other code page is
  // asked not to stand in look-alikes, and the answer is checked by
  // converting it back.
  const bool utf8 = GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL replaced = FALSE;
  BOOL* replacedOut = utf8 ? nullptr : &replaced;
  const int needed = WideCharToMultiByte(CP_ACP, flags, text.data(), size, nullptr, 0, nullptr, replacedOut);
  if (needed <= 0 || replaced) return std::nullopt;
  std::string ansi(static_cast<std::size_t>(needed), '\0');
  if (WideCharToMultiByte(CP_ACP, flags, text.data(), size, &ansi[0], needed, nullptr, replacedOut) != needed ||
      replaced)
    return std::nullopt;
  const auto back = FromAnsi(ansi.c_str());
  if (!back || *back != text) return std::nullopt;
  return ansi;
}

WideArgument::WideArgument(const char* text) noexcept : pointer_(nullptr) {
  if (!text) return;
  try {
    auto wide = FromAnsi(text);
    if (wide) {
      text_ = std::move(*wide);
      pointer_ = text_.c_str();
      return;
    }
  } catch (...) {
  }
  pointer_ = kRefusedText;
}

const char* AnsiValue(const wchar_t* result, const char* fallback) noexcept {
  try {
    if (auto ansi = ToAnsi(result)) return ReturnAnsiText(std::move(*ansi));
    return ReturnAnsiText(fallback ? std::string(fallback) : std::string());
  } catch (...) {
    return "";
  }
}

namespace {

std::optional<std::wstring> ShortPath(const std::wstring& path) {
  if (path.empty() || !FitsPlatform(path)) return std::nullopt;
  return PlatformText([&](wchar_t* buffer, DWORD size) { return GetShortPathNameW(path.c_str(), buffer, size); });
}

}  // namespace

const char* AnsiPath(const wchar_t* result, const char* fallback) noexcept {
  try {
    const std::wstring path(result);
    if (auto ansi = ToAnsi(path)) return ReturnAnsiText(std::move(*ansi));
    // The whole path in short form, or (for a file not made yet, as a Save
    // dialog answers) its folder in short form and its own name.
    std::optional<std::wstring> shortened = ShortPath(path);
    if (!shortened) {
      const std::wstring folder = FolderPart(path);
      if (auto shortFolder = ShortPath(folder)) shortened = *shortFolder + NamePart(path);
    }
    if (shortened) {
      if (auto ansi = ToAnsi(*shortened)) return ReturnAnsiText(std::move(*ansi));
    }
    return ReturnAnsiText(fallback ? std::string(fallback) : std::string());
  } catch (...) {
    return "";
  }
}

}  // namespace klv
