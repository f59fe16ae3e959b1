#include "frame.h"

#include <windows.h>

#include <cstring>

#include "signatures.h"

namespace klv {

namespace {

// The one text result that outlives a call.
std::string g_result;

bool IsSeparator(char c) { return c == '\\' || c == ':'; }

std::size_t FolderLength(const std::string& path) {
  std::size_t i = path.size();
  while (i > 0 && !IsSeparator(path[i - 1])) --i;
  return i;
}

}  // namespace

bool SameWord(const std::string& text, const char* word) {
  const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  std::size_t i = 0;
  for (; i < text.size() && word[i]; ++i)
    if (lower(text[i]) != lower(word[i])) return false;
  return i == text.size() && word[i] == '\0';
}

const char* ReturnText(std::string text) noexcept {
  g_result.swap(text);
  return g_result.c_str();
}

std::optional<std::int32_t> ParseNumber(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i < text.size() && text[i] == '$') {
    ++i;
    if (i == text.size()) return std::nullopt;
    std::uint32_t value = 0;
    int significant = 0;
    for (; i < text.size(); ++i) {
      const char c = text[i];
      std::uint32_t digit;
      if (c >= '0' && c <= '9') digit = c - '0';
      else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
      else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
      else return std::nullopt;
      if (significant > 0 || digit != 0) {
        if (++significant > 8) return std::nullopt;
      }
      value = (value << 4) | digit;
    }
    return static_cast<std::int32_t>(value);
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size()) return std::nullopt;
  std::int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > 2147483647) return std::nullopt;
  }
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::optional<std::int32_t> ParseStoredNumber(const std::string& text, std::size_t keep) {
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    return ParseNumber("$" + text.substr(2, keep));
  return ParseNumber(text);
}

std::string FolderPart(const std::string& path) { return path.substr(0, FolderLength(path)); }

std::string NamePart(const std::string& path) { return path.substr(FolderLength(path)); }

bool IsFolder(const std::string& path) {
  if (!FitsPlatform(path)) return false;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string WithoutTrailingBackslash(std::string path) {
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

std::string Extension(const std::string& path) {
  const std::size_t folder = FolderLength(path);
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < folder) return std::string();
  return path.substr(dot);
}

std::string Base(const std::string& path) { return path.substr(0, path.size() - Extension(path).size()); }

}  // namespace klv
