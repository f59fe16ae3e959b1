// One owner for every kind of handle the kit opens: the library, the Xtra
// and the launcher alike. An owner closes what it holds when it goes, on
// every path, the error path included; it can be moved but not copied.
// Each kind of handle is one line, as WIL's unique_any declarations read:
// its type, its close function (a plain function) and the value that means
// "nothing held".
#ifndef KLV_OWNER_H
#define KLV_OWNER_H

#include <windows.h>
#include <lzexpand.h>
#include <objbase.h>
#include <objidl.h>
#include <shtypes.h>

#include <cstdint>
#include <type_traits>
#include <utility>

namespace klv {

// The "nothing held" value is given as a number, as WIL gives it:
// INVALID_HANDLE_VALUE is a cast, which a template argument cannot be.
template <class Value, auto Close, std::intptr_t Invalid = 0>
class Owner {
 public:
  static Value None() noexcept {
    if constexpr (std::is_pointer_v<Value>)
      return reinterpret_cast<Value>(Invalid);
    else
      return static_cast<Value>(Invalid);
  }

  Owner() noexcept : value_(None()) {}
  explicit Owner(Value value) noexcept : value_(value) {}
  ~Owner() { Reset(); }
  Owner(Owner&& other) noexcept : value_(other.Release()) {}
  Owner& operator=(Owner&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  Owner(const Owner&) = delete;
  Owner& operator=(const Owner&) = delete;

  Value Get() const noexcept { return value_; }
  bool Valid() const noexcept { return value_ != None(); }
  explicit operator bool() const noexcept { return Valid(); }

  // Gives up the value without closing it.
  Value Release() noexcept { return std::exchange(value_, None()); }
  // Closes what is held and holds `value` instead.
  void Reset(Value value = None()) noexcept {
    const Value old = std::exchange(value_, value);
    if (old != None()) Close(old);
  }

 private:
  Value value_;
};

constexpr std::intptr_t kInvalidHandle = -1;  // INVALID_HANDLE_VALUE

inline void CloseKernelHandle(HANDLE handle) { CloseHandle(handle); }
inline void CloseFind(HANDLE find) { FindClose(find); }
// Closing an LZ handle closes the file it reads as well.
inline void CloseLz(HFILE file) { LZClose(file); }
// The predefined roots (HKEY_CURRENT_USER and the like) are the process's
// own and are never closed: the platform may hand one back for an empty path.
inline void CloseRegKey(HKEY key) {
  const auto bits = reinterpret_cast<ULONG_PTR>(key);
  if (bits < 0x80000000u || bits > 0x800000FFu) RegCloseKey(key);
}
inline void FreeGlobal(HGLOBAL block) { GlobalFree(block); }
inline void FreeLocal(HLOCAL block) { LocalFree(block); }
inline void DeleteGdiObject(HGDIOBJ object) { DeleteObject(object); }
inline void DestroyOwnWindow(HWND window) { DestroyWindow(window); }
inline void DestroyOwnIcon(HICON icon) { DestroyIcon(icon); }
inline void FreeEnvironmentBlock(LPWCH block) { FreeEnvironmentStringsW(block); }
inline void FreeComMemory(ITEMIDLIST* block) { CoTaskMemFree(block); }
inline void RemoveHook(HHOOK hook) { UnhookWindowsHookEx(hook); }
inline void FreeLoadedModule(HMODULE module) { FreeLibrary(module); }
template <class Interface>
void ReleaseCom(Interface* object) {
  object->Release();
}

using File = Owner<HANDLE, CloseKernelHandle, kInvalidHandle>;     // CreateFile
using KernelHandle = Owner<HANDLE, CloseKernelHandle>;             // processes, threads, events
using Find = Owner<HANDLE, CloseFind, kInvalidHandle>;
using LzFile = Owner<HFILE, CloseLz, HFILE_ERROR>;
using RegKey = Owner<HKEY, CloseRegKey>;
using GlobalBlock = Owner<HGLOBAL, FreeGlobal>;
using LocalBlock = Owner<HLOCAL, FreeLocal>;                       // FormatMessage's buffer
using GdiObject = Owner<HGDIOBJ, DeleteGdiObject>;
using Window = Owner<HWND, DestroyOwnWindow>;                      // a window the kit made, with its children
using Icon = Owner<HICON, DestroyOwnIcon>;                         // never a shared one (LoadIcon, LR_SHARED)
using EnvironmentBlockW = Owner<LPWCH, FreeEnvironmentBlock>;
using ItemList = Owner<ITEMIDLIST*, FreeComMemory>;                // SHBrowseForFolder
using Hook = Owner<HHOOK, RemoveHook>;
using Module = Owner<HMODULE, FreeLoadedModule>;                   // LoadLibrary
template <class Interface>
using Com = Owner<Interface*, ReleaseCom<Interface>>;              // one reference
using Stream = Com<IStream>;

// A screen device context from GetDC, released to its window.
class ScreenDc {
 public:
  explicit ScreenDc(HWND window = nullptr) noexcept : window_(window), dc_(GetDC(window)) {}
  ~ScreenDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  HDC Get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// COM for this thread, for as long as the owner lives; uninitialised only
// when this owner's own initialisation succeeded (S_FALSE counts: it must be
// balanced too).
class ComInit {
 public:
  ComInit() noexcept : result_(CoInitialize(nullptr)) {}
  ~ComInit() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComInit(const ComInit&) = delete;
  ComInit& operator=(const ComInit&) = delete;
  HRESULT Result() const noexcept { return result_; }

 private:
  HRESULT result_;
};

}  // namespace klv

#endif
