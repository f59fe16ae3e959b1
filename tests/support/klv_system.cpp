#include "klv_system.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

#include "owner.h"

namespace klvtest {

void RemoveTree(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteFileW(path.c_str());
    return;
  }
  WIN32_FIND_DATAW entry;
  klv::Find find(FindFirstFileW((path + L"\\*").c_str(), &entry));
  if (find) {
    do {
      const std::wstring name = entry.cFileName;
      if (name != L"." && name != L"..") RemoveTree(path + L"\\" + name);
    } while (FindNextFileW(find.Get(), &entry));
    find.Reset();
  }
  RemoveDirectoryW(path.c_str());
}

// By wide calls, so that names no code page holds go too.
void RemoveTree(const std::string& path) { RemoveTree(Wide(path)); }

std::wstring Wide(const std::string& ansi) {
  const int size = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  if (size > 0) MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), static_cast<int>(ansi.size()), &wide[0], size);
  return wide;
}

std::optional<std::string> Ansi(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  BOOL replaced = FALSE;
  const bool utf8 = GetACP() == CP_UTF8;
  const int size = WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, wide.c_str(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, utf8 ? nullptr : &replaced);
  if (size <= 0 || replaced) return std::nullopt;
  std::string ansi(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, wide.c_str(), static_cast<int>(wide.size()), &ansi[0],
                      size, nullptr, nullptr);
  if (Wide(ansi) != wide) return std::nullopt;
  return ansi;
}

std::string Utf8(const std::wstring& wide) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), &utf8[0], size, nullptr, nullptr);
  return utf8;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::optional<std::string> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string BinDir() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of('\\'));
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

std::string LongText(std::size_t count, char first) {
  static const std::string alphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string text;
  text.reserve(count);
  std::size_t at = alphabet.find(first);
  if (at == std::string::npos) at = 0;
  for (std::size_t i = 0; i < count; ++i) text += alphabet[(at + i) % alphabet.size()];
  return text;
}

DWORD HandleCount() {
  DWORD count = 0;
  GetProcessHandleCount(GetCurrentProcess(), &count);
  return count;
}

bool WaitFor(const std::function<bool()>& ready, DWORD timeoutMs, DWORD pollMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (ready()) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(pollMs);
  }
}

namespace {

// Appends what the pipe holds now, without waiting for more; false once
// every writer has closed it.
bool Drain(HANDLE pipe, std::string& output) {
  for (;;) {
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return false;
    if (available == 0) return true;
    char chunk[4096];
    DWORD got = 0;
    if (!::ReadFile(pipe, chunk, std::min<DWORD>(available, sizeof(chunk)), &got, nullptr)) return false;
    output.append(chunk, got);
  }
}

}  // namespace

ProcessResult RunProcess(const std::string& commandLine, DWORD timeoutMs) {
  ProcessResult result;
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  HANDLE readHandle = nullptr, writeHandle = nullptr;
  if (!CreatePipe(&readHandle, &writeHandle, &inherit, 0)) return result;
  klv::KernelHandle readEnd(readHandle), writeEnd(writeHandle);
  SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd.Get();
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION started{};
  std::string line = commandLine;
  const BOOL ok = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started);
  writeEnd.Reset();  // the child's copy is the only writer left
  if (!ok) return result;
  klv::KernelHandle process(started.hProcess), thread(started.hThread);

  // The pipe is read as the child writes, so that it never blocks on a full
  // pipe; its end is not waited for, since a program the child starts may
  // hold it open for longer than the child lives.
  const DWORD start = GetTickCount();
  bool open = true, ended = false;
  for (;;) {
    ended = WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0;
    if (open) open = Drain(readEnd.Get(), result.output);
    const DWORD waited = GetTickCount() - start;
    if (ended || waited >= timeoutMs) break;
    WaitForSingleObject(process.Get(), std::min<DWORD>(timeoutMs - waited, open ? 10 : INFINITE));
  }
  if (ended) {
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    result.exitCode = static_cast<int>(code);
  } else {
    TerminateProcess(process.Get(), 1);
    WaitForSingleObject(process.Get(), 5000);
  }
  return result;
}

CurrentFolder::CurrentFolder() {
  previous_.resize(GetCurrentDirectoryA(0, nullptr));
  previous_.resize(GetCurrentDirectoryA(static_cast<DWORD>(previous_.size()), &previous_[0]));
}

CurrentFolder::CurrentFolder(const std::string& path) : CurrentFolder() {
  changed_ = SetCurrentDirectoryA(path.c_str()) != 0;
}

CurrentFolder::~CurrentFolder() { SetCurrentDirectoryA(previous_.c_str()); }

SavedVariable::SavedVariable(std::string name) : name_(std::move(name)) {
  std::string value(GetEnvironmentVariableA(name_.c_str(), nullptr, 0), '\0');
  if (value.empty()) return;  // not set; a set but empty one asks for 1
  value.resize(GetEnvironmentVariableA(name_.c_str(), &value[0], static_cast<DWORD>(value.size())));
  value_ = std::move(value);
}

SavedVariable::~SavedVariable() { SetEnvironmentVariableA(name_.c_str(), value_ ? value_->c_str() : nullptr); }

ImportPatch::ImportPatch(HMODULE module, const char* dll, const char* function, const void* replacement) {
  const auto at = [module](DWORD rva) { return reinterpret_cast<BYTE*>(module) + rva; };
  const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(at(reinterpret_cast<IMAGE_DOS_HEADER*>(module)->e_lfanew));
  const DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
  for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(at(imports)); imports && entry->Name; ++entry) {
    if (lstrcmpiA(reinterpret_cast<char*>(at(entry->Name)), dll) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(at(entry->OriginalFirstThunk));
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(at(entry->FirstThunk));
    for (; entry->OriginalFirstThunk && names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) ||
          std::strcmp(reinterpret_cast<char*>(reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(at(names->u1.AddressOfData))->Name),
                      function) != 0)
        continue;
      slot_ = reinterpret_cast<const void**>(&slots->u1.Function);
      original_ = *slot_;
      Write(replacement);
      return;
    }
  }
}

ImportPatch::~ImportPatch() {
  if (slot_) Write(original_);
}

void ImportPatch::Write(const void* value) {
  DWORD access = 0;
  VirtualProtect(slot_, sizeof(*slot_), PAGE_READWRITE, &access);
  *slot_ = value;
  VirtualProtect(slot_, sizeof(*slot_), access, &access);
}

}  // namespace klvtest
