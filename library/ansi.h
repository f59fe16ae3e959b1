// The ANSI exports: texts in the system's ANSI code page (whatever it is,
// double-byte ones and UTF-8 included), converted whole by the platform on
// the way in and on the way out, around the wide export that does the work.
#ifndef KLV_ANSI_H
#define KLV_ANSI_H

#include <optional>
#include <string>

#include "frame.h"

namespace klv {

// The ANSI text as UTF-16; nullopt when the code page has no such text
// (a lead byte without its trail byte, for one).
std::optional<std::wstring> FromAnsi(const char* text);
// The text in the ANSI code page; nullopt when the code page cannot hold
// every character of it (nothing is replaced by "?" or a look-alike).
std::optional<std::string> ToAnsi(const std::wstring& text);

// Places an ANSI text result in the calling thread's result storage (as
// ReturnText does for wide ones).
const char* ReturnAnsiText(std::string text) noexcept;

// One ANSI text argument on its way to a wide export. Null stays null; a
// text the code page cannot convert (or no memory to convert it) becomes
// one the wide export refuses, a lone surrogate, so the export answers its
// own failure result and touches nothing.
class WideArgument {
 public:
  explicit WideArgument(const char* text) noexcept;
  WideArgument(const WideArgument&) = delete;
  WideArgument& operator=(const WideArgument&) = delete;
  const wchar_t* Get() const noexcept { return pointer_; }

 private:
  std::wstring text_;
  const wchar_t* pointer_;
};

inline WideArgument Convert(const char* text) { return WideArgument(text); }
inline KlvInt Convert(KlvInt number) { return number; }
inline const wchar_t* Pass(const WideArgument& text) { return text.Get(); }
inline KlvInt Pass(KlvInt number) { return number; }

// Calls a wide export with the ANSI export's arguments, converted.
template <class Result, class... Parameters, class... Arguments>
Result CallWide(Result(__stdcall* wide)(Parameters...), Arguments... arguments) noexcept {
  static_assert(sizeof...(Parameters) == sizeof...(Arguments), "one argument per parameter");
  return wide(Pass(Convert(arguments))...);
}

// A wide text result as the ANSI export answers it: the same text when the
// code page holds it, else `fallback` (copied; null is the empty text).
const char* AnsiValue(const wchar_t* result, const char* fallback) noexcept;

// A path result: the same path when the code page holds it, else its short
// form (8.3 names) when that fits the code page, else `fallback`.
const char* AnsiPath(const wchar_t* result, const char* fallback) noexcept;

}  // namespace klv

#endif
