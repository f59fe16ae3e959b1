#include "picture.h"

#include "ending.h"
#include "paths.h"

namespace autorun {

namespace {

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

Picture Picture::FromFile(const std::wstring& path) {
  const std::wstring what = L"Cannot load the picture " + Shown(path) + L".";
  if (path.size() >= kLongestText) Fatal(what, ERROR_FILENAME_EXCED_RANGE);
  const klv::File file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) Fatal(what, GetLastError());
  const DWORD size = GetFileSize(file.Get(), nullptr);
  if (size == INVALID_FILE_SIZE) Fatal(what, GetLastError());
  if (size == 0 || size > kLargestPicture) Fatal(what, ERROR_INVALID_DATA);

  klv::GlobalBlock block(GlobalAlloc(GMEM_MOVEABLE, size));
  if (!block) Fatal(what, GetLastError());
  BYTE head[4] = {};
  {
    void* bytes = GlobalLock(block.Get());
    DWORD got = 0;
    const BOOL read = ReadFile(file.Get(), bytes, size, &got, nullptr);
    const DWORD error = GetLastError();
    CopyMemory(head, bytes, size < sizeof(head) ? size : sizeof(head));
    GlobalUnlock(block.Get());
    if (!read) Fatal(what, error);
    if (got != size) Fatal(what, ERROR_HANDLE_EOF);
  }

  Picture picture;
  if (IsIconFile(head, size)) {
    const int side = GetSystemMetrics(SM_CXICON);
    picture.icon_.Reset(
        static_cast<HICON>(LoadImageW(nullptr, path.c_str(), IMAGE_ICON, side, side, LR_LOADFROMFILE)));
    if (!picture.icon_) Fatal(what, GetLastError() ? GetLastError() : ERROR_INVALID_DATA);
    return picture;
  }

  IStream* stream = nullptr;
  HRESULT result = CreateStreamOnHGlobal(block.Get(), TRUE, &stream);
  if (FAILED(result)) Fatal(what, PictureError(result));
  const klv::Stream streamOwner(stream);  // now owns the memory block as well
  block.Release();
  IPicture* loaded = nullptr;
  result = OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture, reinterpret_cast<void**>(&loaded));
  picture.picture_.Reset(loaded);
  if (FAILED(result) || !picture.picture_) Fatal(what, PictureError(result));
  return picture;
}

Picture Picture::FromResource(int id) {
  Picture picture;
  const int side = GetSystemMetrics(SM_CXICON);
  picture.icon_.Reset(static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, side, side, LR_DEFAULTCOLOR)));
  if (!picture.icon_) Fatal(L"Cannot load the notepad picture of this program.", GetLastError());
  return picture;
}

Picture Picture::ProgramIcon(const std::wstring& path) {
  Picture picture;
  HICON large = nullptr;
  // Longer names cannot name a program file that the icon reader opens.
  if (path.size() < MAX_PATH && ExtractIconExW(path.c_str(), 0, &large, nullptr, 1) > 0 && large)
    picture.icon_.Reset(large);
  else  // a copy of the system's shared icon, which is never destroyed
    picture.icon_.Reset(CopyIcon(LoadIconW(nullptr, IDI_APPLICATION)));
  return picture;
}

void Picture::Draw(HDC dc, const RECT& box) const {
  const int width = box.right - box.left, height = box.bottom - box.top;
  if (icon_) {
    DrawIconEx(dc, box.left, box.top, icon_.Get(), width, height, 0, nullptr, DI_NORMAL);
  } else if (picture_) {
    OLE_XSIZE_HIMETRIC pictureWidth = 0;
    OLE_YSIZE_HIMETRIC pictureHeight = 0;
    IPicture* picture = picture_.Get();
    picture->get_Width(&pictureWidth);
    picture->get_Height(&pictureHeight);
    picture->Render(dc, box.left, box.top, width, height, 0, pictureHeight, pictureWidth, -pictureHeight, nullptr);
  }
}

}  // namespace autorun
