// One owner for every kind of handle the kit opens: the library, the Xtra
// and the launcher alike. An owner closes what it holds when it goes, on
// every path, the error path included; it can be moved but not copied.
// Each kind of handle is a traits type: its value type, the value that
// means "nothing held", and how to close it.
#ifndef KLV_OWNER_H
#define KLV_OWNER_H

#include <windows.h>
#include <lzexpand.h>
#include <objbase.h>
#include <objidl.h>
#include <shtypes.h>

#include <utility>

namespace klv {

template <class Traits>
class Owner {
 public:
  using Value = typename Traits::Value;

  Owner() noexcept : value_(Traits::Invalid()) {}
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
  bool Valid() const noexcept { return value_ != Traits::Invalid(); }
  explicit operator bool() const noexcept { return Valid(); }

  // Gives up the value without closing it.
  Value Release() noexcept { return std::exchange(value_, Traits::Invalid()); }
  // Closes what is held and holds `value` instead.
  void Reset(Value value = Traits::Invalid()) noexcept {
    const Value old = std::exchange(value_, value);
    if (old != Traits::Invalid()) Traits::Close(old);
  }

 private:
  Value value_;
};

// A kernel handle whose "nothing" is INVALID_HANDLE_VALUE (CreateFile).
struct FileTraits {
  using Value = HANDLE;
  static Value Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Value value) { CloseHandle(value); }
};
// A kernel handle whose "nothing" is null (processes, threads, events).
struct KernelTraits {
  using Value = HANDLE;
  static Value Invalid() { return nullptr; }
  static void Close(Value value) { CloseHandle(value); }
};
struct FindTraits {
  using Value = HANDLE;
  static Value Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Value value) { FindClose(value); }
};
// A handle from LZInit; closing it closes the file it reads as well.
struct LzTraits {
  using Value = HFILE;
  static Value Invalid() { return HFILE_ERROR; }
  static void Close(Value value) { LZClose(value); }
};
// An open registry key. The predefined roots (HKEY_CURRENT_USER and the
// like) are the process's own and are never closed: the platform may hand
// one back for an empty path.
struct RegKeyTraits {
  using Value = HKEY;
  static Value Invalid() { return nullptr; }
  static bool IsPredefined(Value key) {
    const auto bits = reinterpret_cast<ULONG_PTR>(key);
    return bits >= 0x80000000u && bits <= 0x800000FFu;
  }
  static void Close(Value value) {
    if (!IsPredefined(value)) RegCloseKey(value);
  }
};
struct GlobalTraits {
  using Value = HGLOBAL;
  static Value Invalid() { return nullptr; }
  static void Close(Value value) { GlobalFree(value); }
};
struct GdiTraits {
  using Value = HGDIOBJ;
  static Value Invalid() { return nullptr; }
  static void Close(Value value) { DeleteObject(value); }
};
// A device context from CreateCompatibleDC or CreateDC.
struct DcTraits {
  using Value = HDC;
  static Value Invalid() { return nullptr; }
  static void Close(Value value) { DeleteDC(value); }
};
// A window the kit made itself, destroyed with its children.
struct WindowTraits {
  using Value = HWND;
  static Value Invalid() { return nullptr; }
  static void Close(Value value) { DestroyWindow(value); }
};
// An icon from LoadImage, CopyIcon or ExtractIconEx; never one the system
// shares (LoadIcon, LR_SHARED).
struct IconTraits {
  using Value = HICON;
  static Value Invalid() { return nullptr; }
  static void Close(Value value) { DestroyIcon(value); }
};
// The environment block from GetEnvironmentStringsW.
struct EnvironmentTraits {
  using Value = LPWCH;
  static Value Invalid() { return nullptr; }
  static void Close(Value value) { FreeEnvironmentStringsW(value); }
};
// A shell item list (SHBrowseForFolder), freed by the COM allocator.
struct ItemListTraits {
  using Value = ITEMIDLIST*;
  static Value Invalid() { return nullptr; }
  static void Close(Value value) { CoTaskMemFree(value); }
};
// Any COM interface pointer (a stream, a picture): one reference released.
template <class Interface>
struct ComTraits {
  using Value = Interface*;
  static Value Invalid() { return nullptr; }
  static void Close(Value value) { value->Release(); }
};

using File = Owner<FileTraits>;
using KernelHandle = Owner<KernelTraits>;
using Find = Owner<FindTraits>;
using LzFile = Owner<LzTraits>;
using RegKey = Owner<RegKeyTraits>;
using GlobalBlock = Owner<GlobalTraits>;
using GdiObject = Owner<GdiTraits>;
using MemoryDc = Owner<DcTraits>;
using Icon = Owner<IconTraits>;
using EnvironmentBlockW = Owner<EnvironmentTraits>;
using Window = Owner<WindowTraits>;
using Stream = Owner<ComTraits<IStream>>;
using ItemList = Owner<ItemListTraits>;

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
