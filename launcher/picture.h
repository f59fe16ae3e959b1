// The pictures of the Run screen's two image controls: an icon, or any
// picture the platform's loader reads (bitmap, GIF, JPEG), always drawn
// stretched to the control.
#ifndef AUTORUN_PICTURE_H
#define AUTORUN_PICTURE_H

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <string>

#include "owner.h"

namespace autorun {

class Picture {
 public:
  // The picture in a file: icon and cursor files through the icon loader,
  // anything else through the platform's picture loader. A file that is
  // missing or is not a picture is a fatal error.
  static Picture FromFile(const std::wstring& path);
  // An icon resource of this program.
  static Picture FromResource(int id);
  // The icon of a program file, or the system's default program icon.
  static Picture ProgramIcon(const std::wstring& path);

  void Draw(HDC dc, const RECT& box) const;

 private:
  // At most one of the two is held.
  klv::Icon icon_;
  klv::Com<IPicture> picture_;
};

}  // namespace autorun

#endif
