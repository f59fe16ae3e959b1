#include "picture.h"

#include <utility>

#include "module1.h"

namespace autorun {

namespace {

// Closes a file handle on every path.
struct FileHandle {
  HANDLE handle;
  explicit FileHandle(HANDLE h) : handle(h) {}
  ~FileHandle() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
};

// Owns a memory block until a stream takes it over.
struct GlobalBlock {
  HGLOBAL handle;
  explicit GlobalBlock(HGLOBAL h) : handle(h) {}
  ~GlobalBlock() {
    if (handle) GlobalFree(handle);
  }
  HGLOBAL Release() { return std::exchange(handle, nullptr); }
  GlobalBlock(const GlobalBlock&) = delete;
  GlobalBlock& operator=(const GlobalBlock&) = delete;
};

struct Stream {
  IStream* stream = nullptr;
  ~Stream() {
    if (stream) stream->Release();
  }
};

// Pictures beyond this size are no launcher's business.
constexpr DWORD kLargestPicture = 64 * 1024 * 1024;

bool IsIconFile(const BYTE* head, DWORD size) {
  return size >= 4 && head[0] == 0 && head[1] == 0 && (head[2] == 1 || head[2] == 2) && head[3] == 0;
}

// The platform text for a failed picture load: its own error when it gave
// one, otherwise "the data is invalid".
DWORD PictureError(HRESULT result) {
  return HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result) : ERROR_INVALID_DATA;
}

}  // namespace

Picture& Picture::operator=(Picture&& other) noexcept {
  if (this != &other) {
    Reset();
    icon_ = std::exchange(other.icon_, nullptr);
    ownsIcon_ = std::exchange(other.ownsIcon_, false);
    picture_ = std::exchange(other.picture_, nullptr);
  }
  return *this;
}

void Picture::Reset() {
  if (icon_ && ownsIcon_) DestroyIcon(icon_);
  icon_ = nullptr;
  ownsIcon_ = false;
  if (picture_) picture_->Release();
  picture_ = nullptr;
}

Picture Picture::FromFile(const std::string& path) {
  const std::string what = "Cannot load the picture " + Shown(path) + ".";
  if (path.size() >= kTextLimit) Fatal(what, ERROR_FILENAME_EXCED_RANGE);
  FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.handle == INVALID_HANDLE_VALUE) Fatal(what, GetLastError());
  const DWORD size = GetFileSize(file.handle, nullptr);
  if (size == INVALID_FILE_SIZE) Fatal(what, GetLastError());
  if (size == 0 || size > kLargestPicture) Fatal(what, ERROR_INVALID_DATA);

  GlobalBlock block(GlobalAlloc(GMEM_MOVEABLE, size));
  if (!block.handle) Fatal(what, GetLastError());
  BYTE head[4] = {};
  {
    void* bytes = GlobalLock(block.handle);
    DWORD got = 0;
    const BOOL read = ReadFile(file.handle, bytes, size, &got, nullptr);
    const DWORD error = GetLastError();
    CopyMemory(head, bytes, size < sizeof(head) ? size : sizeof(head));
    GlobalUnlock(block.handle);
    if (!read) Fatal(what, error);
    if (got != size) Fatal(what, ERROR_HANDLE_EOF);
  }

  Picture picture;
  if (IsIconFile(head, size)) {
    const int side = GetSystemMetrics(SM_CXICON);
    picture.icon_ = static_cast<HICON>(LoadImageA(nullptr, path.c_str(), IMAGE_ICON, side, side, LR_LOADFROMFILE));
    if (!picture.icon_) Fatal(what, GetLastError() ? GetLastError() : ERROR_INVALID_DATA);
    picture.ownsIcon_ = true;
    return picture;
  }

  Stream stream;
  HRESULT result = CreateStreamOnHGlobal(block.handle, TRUE, &stream.stream);
  if (FAILED(result)) Fatal(what, PictureError(result));
  block.Release();
  result = OleLoadPicture(stream.stream, static_cast<LONG>(size), FALSE, IID_IPicture,
                          reinterpret_cast<void**>(&picture.picture_));
  if (FAILED(result) || !picture.picture_) Fatal(what, PictureError(result));
  return picture;
}

Picture Picture::FromResource(int id) {
  Picture picture;
  const int side = GetSystemMetrics(SM_CXICON);
  picture.icon_ = static_cast<HICON>(
      LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, side, side, LR_DEFAULTCOLOR));
  if (!picture.icon_) Fatal("Cannot load the notepad picture of this program.", GetLastError());
  picture.ownsIcon_ = true;
  return picture;
}

Picture Picture::ProgramIcon(const std::string& path) {
  Picture picture;
  HICON large = nullptr;
  // Longer names cannot name a program file that the icon reader opens.
  if (path.size() < MAX_PATH && ExtractIconExA(path.c_str(), 0, &large, nullptr, 1) > 0 && large) {
    picture.icon_ = large;
    picture.ownsIcon_ = true;
  } else {
    picture.icon_ = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));  // IDI_APPLICATION, shared
  }
  return picture;
}

void Picture::Draw(HDC dc, const RECT& box) const {
  const int width = box.right - box.left, height = box.bottom - box.top;
  if (icon_) {
    DrawIconEx(dc, box.left, box.top, icon_, width, height, 0, nullptr, DI_NORMAL);
  } else if (picture_) {
    OLE_XSIZE_HIMETRIC pictureWidth = 0;
    OLE_YSIZE_HIMETRIC pictureHeight = 0;
    picture_->get_Width(&pictureWidth);
    picture_->get_Height(&pictureHeight);
    picture_->Render(dc, box.left, box.top, width, height, 0, pictureHeight, pictureWidth, -pictureHeight, nullptr);
  }
}

}  // namespace autorun
