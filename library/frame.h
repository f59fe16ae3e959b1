// What every export of the library shares: argument conversion, the
// library-owned result text, the one failure boundary per export, the
// number conversion and the parts of a path.
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

// The text result that stands for none found or failed.
constexpr const char* kNone = "-1";

// Whether a text is `word`, letter case aside (ASCII letters only, so the
// answer does not depend on the user's locale).
bool SameWord(const std::string& text, const char* word);

// A row of a keyword table: the word a caller writes and what it selects.
template <class Value>
struct Keyword {
  const char* word;
  Value value;
};

// The row of `table` whose word `text` is (SameWord), or null.
template <class Value, std::size_t N>
const Keyword<Value>* FindKeyword(const Keyword<Value> (&table)[N], const std::string& text) {
  for (const Keyword<Value>& row : table)
    if (SameWord(text, row.word)) return &row;
  return nullptr;
}

// A text argument as a working string: a null pointer is the empty text.
inline std::string Arg(const char* text) { return text ? std::string(text) : std::string(); }

// The first `count` characters of a text (all of it when shorter).
inline std::string Cut(const std::string& text, std::size_t count) { return text.substr(0, count); }

// Whether a text is short enough for the platform's ANSI calls.
inline bool FitsPlatform(const char* text, std::size_t limit = kPlatformTextLimit) {
  return !text || std::char_traits<char>::length(text) <= limit;
}
inline bool FitsPlatform(const std::string& text, std::size_t limit = kPlatformTextLimit) {
  return text.size() <= limit;
}

// A text from a platform call of the common sized-buffer kind: given a
// buffer and its size, it answers the length it wrote, the size it needs
// (NUL included) when the buffer is too small, or 0 on failure. The buffer
// grows to the size the platform reports, so no result is cut. nullopt when
// the call answers 0.
template <class Call>
std::optional<std::string> PlatformText(Call&& call, std::size_t firstSize = 260) {
  std::string buffer(firstSize, '\0');
  // The needed size can change between two calls (another thread); a few
  // rounds settle it.
  for (int round = 0; round < 8; ++round) {
    const auto got = static_cast<std::size_t>(call(&buffer[0], static_cast<unsigned long>(buffer.size())));
    if (got == 0) return std::nullopt;
    if (got < buffer.size()) {
      buffer.resize(got);
      return buffer;
    }
    buffer.assign(got + 1, '\0');
  }
  throw Exception("the platform's text keeps growing");
}

// Places a text result in the library's storage and returns a pointer to it.
// The pointer is never null and stays valid until the next call that returns
// a text. On failure the result is the empty text.
const char* ReturnText(std::string text) noexcept;

// The one boundary of each export: runs the body and turns anything it
// throws into the export's documented failure result.
template <class Body>
const char* TextExport(const char* onFailure, Body&& body) noexcept {
  try {
    return ReturnText(body());
  } catch (...) {
    return onFailure;
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
std::optional<std::int32_t> ParseNumber(const std::string& text);

// What the INI and registry number readers store as text: ParseNumber once
// a leading "0x" or "0X" has become "$". Of the text after that prefix at
// most `keep` characters count; the INI reader keeps 255, the size of its
// number area, and ignores the rest, the registry reader keeps it whole.
std::optional<std::int32_t> ParseStoredNumber(const std::string& text, std::size_t keep = std::string::npos);

// Parts of a path; the separators are backslash and colon.
std::string FolderPart(const std::string& path);    // up to and including the last separator
std::string NamePart(const std::string& path);      // after the folder part
std::string Extension(const std::string& path);     // from the last dot of the name part, dot included
std::string Base(const std::string& path);          // the path without its extension
inline std::string ReplaceExtension(const std::string& path, const std::string& ext) { return Base(path) + ext; }

// Whether the platform reports `path` (as it is) as an existing folder.
bool IsFolder(const std::string& path);
// A folder as the library answers folders: no trailing backslash, except
// on a drive root ("C:\").
std::string WithoutTrailingBackslash(std::string path);

}  // namespace klv

#endif
