#include "frame.h"

#include <windows.h>

#include <cstring>

#include "ansi.h"
#include "signatures.h"

namespace klv {

namespace {

// The text results of one thread: the wide one, and the ANSI one made
// from it. Each thread gets its own on its first text result, kept in a
// TLS slot and freed when the thread ends. When the library is unloaded
// while other threads live, only the unloading thread's are freed: the
// platform tells a library of no thread after it is gone.
struct ThreadResults {
  std::wstring wide;
  std::string ansi;
};

DWORD g_slot = TLS_OUT_OF_INDEXES;

ThreadResults* Results() noexcept {
  if (g_slot == TLS_OUT_OF_INDEXES) return nullptr;
  auto* results = static_cast<ThreadResults*>(TlsGetValue(g_slot));
  if (!results) {
    results = new (std::nothrow) ThreadResults;
    if (results && !TlsSetValue(g_slot, results)) {
      delete results;
      results = nullptr;
    }
  }
  return results;
}

void FreeThreadResults() noexcept {
  if (g_slot == TLS_OUT_OF_INDEXES) return;
  delete static_cast<ThreadResults*>(TlsGetValue(g_slot));
  TlsSetValue(g_slot, nullptr);
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L':'; }

std::size_t FolderLength(const std::wstring& path) {
  std::size_t i = path.size();
  while (i > 0 && !IsSeparator(path[i - 1])) --i;
  return i;
}

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

bool SameWord(const std::wstring& text, const char* word) {
  const auto lower = [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; };
  std::size_t i = 0;
  for (; i < text.size() && word[i]; ++i)
    if (lower(text[i]) != lower(static_cast<unsigned char>(word[i]))) return false;
  return i == text.size() && word[i] == '\0';
}

bool IsValidText(const wchar_t* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (IsHighSurrogate(text[i])) {
      if (i + 1 == length || !IsLowSurrogate(text[i + 1])) return false;
      ++i;
    } else if (IsLowSurrogate(text[i])) {
      return false;
    }
  }
  return true;
}

std::wstring Arg(const wchar_t* text) {
  if (!text) return std::wstring();
  std::wstring out(text);
  if (!IsValidText(out.data(), out.size())) throw BadText();
  return out;
}

const wchar_t* RawArg(const wchar_t* text) {
  if (text && !IsValidText(text, std::char_traits<wchar_t>::length(text))) throw BadText();
  return text;
}

std::wstring Cut(const std::wstring& text, std::size_t count) {
  if (count >= text.size()) return text;
  if (count > 0 && IsHighSurrogate(text[count - 1])) --count;
  return text.substr(0, count);
}

const wchar_t* ReturnText(std::wstring text) noexcept {
  ThreadResults* results = Results();
  if (!results) return L"";
  results->wide.swap(text);
  return results->wide.c_str();
}

const char* ReturnAnsiText(std::string text) noexcept {
  ThreadResults* results = Results();
  if (!results) return "";
  results->ansi.swap(text);
  return results->ansi.c_str();
}

std::optional<std::int32_t> ParseNumber(const std::wstring& text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == L' ') ++i;
  if (i < text.size() && text[i] == L'$') {
    ++i;
    if (i == text.size()) return std::nullopt;
    std::uint32_t value = 0;
    int significant = 0;
    for (; i < text.size(); ++i) {
      const wchar_t c = text[i];
      std::uint32_t digit;
      if (c >= L'0' && c <= L'9') digit = c - L'0';
      else if (c >= L'A' && c <= L'F') digit = c - L'A' + 10;
      else if (c >= L'a' && c <= L'f') digit = c - L'a' + 10;
      else return std::nullopt;
      if (significant > 0 || digit != 0) {
        if (++significant > 8) return std::nullopt;
      }
      value = (value << 4) | digit;
    }
    return static_cast<std::int32_t>(value);
  }
  bool negative = false;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) {
    negative = text[i] == L'-';
    ++i;
  }
  if (i == text.size()) return std::nullopt;
  std::int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c < L'0' || c > L'9') return std::nullopt;
    magnitude = magnitude * 10 + (c - L'0');
    if (magnitude > 2147483647) return std::nullopt;
  }
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::optional<std::int32_t> ParseStoredNumber(const std::wstring& text, std::size_t keep) {
  if (text.size() >= 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X'))
    return ParseNumber(L"$" + text.substr(2, keep));
  return ParseNumber(text);
}

std::wstring FolderPart(const std::wstring& path) { return path.substr(0, FolderLength(path)); }

std::wstring NamePart(const std::wstring& path) { return path.substr(FolderLength(path)); }

bool IsFolder(const std::wstring& path) {
  if (!FitsPlatform(path)) return false;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring WithoutTrailingBackslash(std::wstring path) {
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

std::wstring Extension(const std::wstring& path) {
  const std::size_t folder = FolderLength(path);
  const std::size_t dot = path.rfind(L'.');
  if (dot == std::wstring::npos || dot < folder) return std::wstring();
  return path.substr(dot);
}

std::wstring Base(const std::wstring& path) { return path.substr(0, path.size() - Extension(path).size()); }

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

}  // namespace klv

// The thread-result slot lives as long as the library; each thread's
// results go with the thread.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      klv::g_slot = TlsAlloc();
      return klv::g_slot != TLS_OUT_OF_INDEXES;
    case DLL_THREAD_DETACH:
      klv::FreeThreadResults();
      break;
    case DLL_PROCESS_DETACH:
      klv::FreeThreadResults();
      if (klv::g_slot != TLS_OUT_OF_INDEXES) TlsFree(klv::g_slot);
      klv::g_slot = TLS_OUT_OF_INDEXES;
      break;
  }
  return TRUE;
}
