// What every export of the library shares: argument conversion, the
// library-owned result text, the one failure boundary per export, the
// number conversion and the parts of a path.
//
// Inside the library every text is UTF-16 and every platform call is the
// wide one. Each function is written once, as its wide export (nameW); the
// ANSI export converts its texts from the system code page, calls the wide
// one and converts the result back (ansi.h).
#ifndef KLV_FRAME_H
#define KLV_FRAME_H

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#define KLV_BUILDING_LIBRARY
#include "kLv_Tool.h"
#include "platform.h"

namespace klv {

// The library's general error class; a family's own errors derive from it.
class Exception : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A text argument that is not valid UTF-16 (an unpaired surrogate): the
// export answers its failure result and touches nothing.
class BadText : public Exception {
 public:
  BadText() : Exception("not a valid text") {}
};

// The text result that stands for none found or failed.
constexpr const wchar_t* kNone = L"-1";

// Whether a text is `word`, letter case aside (ASCII letters only, so the
// answer does not depend on the user's locale).
bool SameWord(const std::wstring& text, const char* word);

// A row of a keyword table: the word a caller writes and what it selects.
template <class Value>
struct Keyword {
  const char* word;
  Value value;
};

// The row of `table` whose word `text` is (SameWord), or null.
template <class Value, std::size_t N>
const Keyword<Value>* FindKeyword(const Keyword<Value> (&table)[N], const std::wstring& text) {
  for (const Keyword<Value>& row : table)
    if (SameWord(text, row.word)) return &row;
  return nullptr;
}

// Whether `text` is valid UTF-16: every surrogate in a pair.
bool IsValidText(const wchar_t* text, std::size_t length);

// A text argument as a working string: a null pointer is the empty text.
// Throws BadText for a text that is not valid UTF-16.
std::wstring Arg(const wchar_t* text);

// A text argument that the platform takes as it is, null included: the
// pointer itself once the text is known to be valid.
const wchar_t* RawArg(const wchar_t* text);

// The first `count` characters of a text (all of it when shorter); a
// surrogate pair at the cut is not split.
std::wstring Cut(const std::wstring& text, std::size_t count);

// Whether a text is short enough for the platform's calls.
inline bool FitsPlatform(const wchar_t* text, std::size_t limit = kPlatformTextLimit) {
  return !text || std::char_traits<wchar_t>::length(text) <= limit;
}
inline bool FitsPlatform(const std::wstring& text, std::size_t limit = kPlatformTextLimit) {
  return text.size() <= limit;
}

// A text from a platform call of the common sized-buffer kind: given a
// buffer and its size in characters, it answers the length it wrote, the
// size it needs (NUL included) when the buffer is too small, or 0 on
// failure. The buffer grows to the size the platform reports, so no result
// is cut. nullopt when the call answers 0.
template <class Call>
std::optional<std::wstring> PlatformText(Call&& call, std::size_t firstSize = 260) {
  std::wstring buffer(firstSize, L'\0');
  // The needed size can change between two calls (another thread); a few
  // rounds settle it.
  for (int round = 0; round < 8; ++round) {
    const auto got = static_cast<std::size_t>(call(&buffer[0], static_cast<unsigned long>(buffer.size())));
    if (got == 0) return std::nullopt;
    if (got < buffer.size()) {
      buffer.resize(got);
      return buffer;
    }
    buffer.assign(got + 1, L'\0');
  }
  throw Exception("the platform's text keeps growing");
}

// Places a text result in the calling thread's result storage and returns
// a pointer to it. The pointer is never null and stays valid until the
// next call from the same thread that returns a text; other threads have
// storage of their own. On failure the result is the empty text.
const wchar_t* ReturnText(std::wstring text) noexcept;

// The one boundary of each export: runs the body and turns anything it
// throws into the export's documented failure result.
template <class Body>
const wchar_t* TextExport(const wchar_t* onFailure, Body&& body) noexcept {
  try {
    return ReturnText(body());
  } catch (...) {
    return ReturnText(onFailure);
  }
}

template <class Body>
KlvInt IntExport(KlvInt onFailure, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return onFailure;
  }
}

// Text to integer, shared by the INI and registry readers: leading blanks,
// then either "$" and at most eight significant hex digits (the 32-bit
// pattern), or an optional sign and a decimal magnitude of at most
// 2147483647. Anything else, trailing blanks included, fails.
std::optional<std::int32_t> ParseNumber(const std::wstring& text);

// What the INI and registry number readers store as text: ParseNumber once
// a leading "0x" or "0X" has become "$". Of the text after that prefix at
// most `keep` characters count; the INI reader keeps 255, the size of its
// number area, and ignores the rest, the registry reader keeps it whole.
std::optional<std::int32_t> ParseStoredNumber(const std::wstring& text, std::size_t keep = std::wstring::npos);

// Parts of a path; the separators are backslash and colon.
std::wstring FolderPart(const std::wstring& path);    // up to and including the last separator
std::wstring NamePart(const std::wstring& path);      // after the folder part
std::wstring Extension(const std::wstring& path);     // from the last dot of the name part, dot included
std::wstring Base(const std::wstring& path);          // the path without its extension
inline std::wstring ReplaceExtension(const std::wstring& path, const std::wstring& ext) { return Base(path) + ext; }

// Whether the platform reports `path` (as it is) as an existing folder.
bool IsFolder(const std::wstring& path);
// A folder as the library answers folders: no trailing backslash, except
// on a drive root ("C:\").
std::wstring WithoutTrailingBackslash(std::wstring path);

// ASCII text (numbers, fixed words) as a wide text.
std::wstring Widen(const std::string& ascii);

}  // namespace klv

#endif
