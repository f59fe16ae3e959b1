#include "product.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "ending.h"
#include "paths.h"

namespace autorun {

namespace {

constexpr wchar_t kProductFile[] = L"Kelbit.ini";
constexpr wchar_t kProductSection[] = L"Product Info";
constexpr wchar_t kInstalledFile[] = L"Orvel.ini";

struct Key {
  const wchar_t* name;
  std::wstring Product::*field;
};
const Key kKeys[] = {
    {L"Icon", &Product::icon},
    {L"Product Line", &Product::productLine},
    {L"Bookmark", &Product::bookmark},
    {L"Executable File", &Product::executableFile},
    {L"Header", &Product::header},
    {L"Readme", &Product::readme},
};

// The read buffer starts at this many characters and doubles until a value
// fits: a long path must not be cut.
constexpr DWORD kFirstReadSize = 256;

// A value of an INI file, whole. The wide profile call reads a Unicode file
// as it is and any other in the system code page, as Windows does.
std::wstring ReadValue(const std::wstring& file, const wchar_t* section, const wchar_t* key,
                       std::vector<wchar_t>& buffer) {
  if (buffer.size() < kFirstReadSize) buffer.resize(kFirstReadSize);
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD count = GetPrivateProfileStringW(section, key, L"", buffer.data(), size, file.c_str());
    if (count + 1 < size) return std::wstring(buffer.data(), count);
    if (size > kLongestText)
      Fatal(L"The value of \"" + std::wstring(key) + L"\" in " + Shown(file) + L" is longer than " +
                std::to_wstring(kLongestText) + L" characters.",
            ERROR_FILENAME_EXCED_RANGE);
    buffer.resize(2 * size);
  }
}

// True when `file` has a value of at least one character under the key.
bool HasEntry(const std::wstring& file, const Product& product) {
  wchar_t first[2];
  return GetPrivateProfileStringW(product.productLine.c_str(), product.bookmark.c_str(), L"", first, 2,
                                  file.c_str()) > 0;
}

// Where Windows puts a file that a program without administrator rights
// writes into the Windows folder (C:\Windows\Orvel.ini): under the user's
// %LOCALAPPDATA%\VirtualStore, followed by the folder's path without its
// drive. Empty when the Windows folder has no drive letter or the user's
// folder is unknown.
std::wstring VirtualStoreCopy(const std::wstring& windowsFolder) {
  if (windowsFolder.size() < 3 || windowsFolder[1] != L':' || windowsFolder[2] != L'\\') return std::wstring();
  wchar_t local[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local)))
    return std::wstring();
  return JoinPath(JoinPath(local, L"VirtualStore") + windowsFolder.substr(2), kInstalledFile);
}

}  // namespace

Product ReadProduct(const std::wstring& discFolder) {
  const std::wstring file = JoinPath(discFolder, kProductFile);
  std::vector<wchar_t> buffer;
  Product product;
  for (const Key& key : kKeys) product.*key.field = ReadValue(file, kProductSection, key.name, buffer);
  return product;
}

bool IsInstalled(const Product& product) {
  const std::wstring& section = product.productLine;
  const std::wstring& key = product.bookmark;
  // An empty name would ask the profile call for a list, not a value.
  if (section.empty() || key.empty() || std::max(section.size(), key.size()) > kLongestText) return false;
  const std::wstring windowsFolder = WindowsFolder();
  if (HasEntry(JoinPath(windowsFolder, kInstalledFile), product)) return true;
  const std::wstring store = VirtualStoreCopy(windowsFolder);
  return !store.empty() && HasEntry(store, product);
}

}  // namespace autorun
