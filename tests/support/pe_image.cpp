#include "pe_image.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <stdexcept>

#include "klv_test.h"

namespace klvtest {

namespace {

class Image {
 public:
  explicit Image(const std::string& bytes) : bytes_(bytes) {
    const auto* dos = At<IMAGE_DOS_HEADER>(0);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) throw std::runtime_error("not an MZ file");
    nt_ = At<IMAGE_NT_HEADERS32>(dos->e_lfanew);
    if (nt_->Signature != IMAGE_NT_SIGNATURE || nt_->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC)
      throw std::runtime_error("not a PE32 file");
    sections_ = reinterpret_cast<const IMAGE_SECTION_HEADER*>(
        reinterpret_cast<const char*>(&nt_->OptionalHeader) + nt_->FileHeader.SizeOfOptionalHeader);
  }

  const IMAGE_DATA_DIRECTORY& Directory(int index) const { return nt_->OptionalHeader.DataDirectory[index]; }

  template <class T>
  const T* At(std::size_t offset) const {
    if (offset + sizeof(T) > bytes_.size()) throw std::runtime_error("offset outside the file");
    return reinterpret_cast<const T*>(bytes_.data() + offset);
  }

  std::size_t Offset(DWORD rva) const {
    for (WORD i = 0; i < nt_->FileHeader.NumberOfSections; ++i) {
      const auto& s = sections_[i];
      const DWORD size = std::max(s.Misc.VirtualSize, s.SizeOfRawData);
      if (rva >= s.VirtualAddress && rva < s.VirtualAddress + size) return rva - s.VirtualAddress + s.PointerToRawData;
    }
    throw std::runtime_error("address outside every section");
  }

  template <class T>
  const T* AtRva(DWORD rva) const { return At<T>(Offset(rva)); }

  std::string Text(DWORD rva) const {
    const std::size_t offset = Offset(rva);
    const std::size_t end = bytes_.find('\0', offset);
    if (end == std::string::npos) throw std::runtime_error("unterminated name");
    return bytes_.substr(offset, end - offset);
  }

 private:
  const std::string& bytes_;
  const IMAGE_NT_HEADERS32* nt_ = nullptr;
  const IMAGE_SECTION_HEADER* sections_ = nullptr;
};

}  // namespace

PeImage ReadPeImage(const std::string& path) {
  const auto bytes = ReadFile(path);
  if (!bytes) throw std::runtime_error("cannot read " + path);
  const Image image(*bytes);
  PeImage result;

  const auto& exportDir = image.Directory(IMAGE_DIRECTORY_ENTRY_EXPORT);
  if (exportDir.VirtualAddress) {
    const auto* dir = image.AtRva<IMAGE_EXPORT_DIRECTORY>(exportDir.VirtualAddress);
    result.exportName = image.Text(dir->Name);
    for (DWORD i = 0; i < dir->NumberOfNames; ++i)
      result.exports.push_back(image.Text(*image.AtRva<DWORD>(dir->AddressOfNames + 4 * i)));
  }

  const auto& importDir = image.Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
  if (importDir.VirtualAddress) {
    for (DWORD at = importDir.VirtualAddress;; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
      const auto* desc = image.AtRva<IMAGE_IMPORT_DESCRIPTOR>(at);
      if (desc->Name == 0) break;
      std::string name = image.Text(desc->Name);
      std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
      result.imports.push_back(name);
      // Each thunk names a function (hint, then name) unless its top bit
      // marks an import by ordinal.
      const DWORD thunks = desc->OriginalFirstThunk ? desc->OriginalFirstThunk : desc->FirstThunk;
      for (DWORD thunk = thunks; const DWORD entry = *image.AtRva<DWORD>(thunk); thunk += 4)
        if (!(entry & IMAGE_ORDINAL_FLAG32)) result.importedFunctions.push_back(image.Text(entry + 2));
    }
  }
  return result;
}

bool IsSystemDll(const std::string& name) {
  static const std::set<std::string> kSystemDlls = {
      "kernel32.dll", "user32.dll", "gdi32.dll",    "advapi32.dll", "comdlg32.dll", "lz32.dll",
      "shell32.dll",  "ole32.dll",  "oleaut32.dll", "msvcrt.dll",   "comctl32.dll",
      "version.dll"};
  return kSystemDlls.count(name) != 0;
}

}  // namespace klvtest
