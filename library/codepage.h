// Texts between a code page (the system's ANSI one, or UTF-8 from a
// Director host) and UTF-16, by the platform's conversion. Shared by the
// library and the Xtra.
#ifndef KLV_CODEPAGE_H
#define KLV_CODEPAGE_H

#include <windows.h>

#include <climits>
#include <optional>
#include <string>
#include <string_view>

namespace klv {

// What a text becomes for a wide export when it is no text in its code
// page: a lone low surrogate, which every wide export refuses with its own
// failure result, so nothing is done under a mangled name.
constexpr wchar_t kRefusedText[] = L"\xDC80";

// `text` in `codePage` as UTF-16, whole; nullopt when it is not valid there
// (a lead byte without its trail byte, invalid or overlong UTF-8).
inline std::optional<std::wstring> ToWide(std::string_view text, UINT codePage) {
  if (text.empty()) return std::wstring();
  if (text.size() > INT_MAX) return std::nullopt;
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (length <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, &wide[0], length) != length)
    return std::nullopt;
  return wide;
}

}  // namespace klv

#endif
