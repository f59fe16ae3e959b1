// Shared helpers of the test executables: temporary folders and the loaded
// library; the plain platform helpers come with klv_system.h. The tests call
// the library through its import library, by the decorated names its
// callers link (kLv_Tool.h).
#ifndef KLV_TEST_H
#define KLV_TEST_H

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "kLv_Tool.h"
#include "klv_system.h"

namespace klvtest {

// A fresh folder under C:\ for one test, removed with all it holds.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }          // no trailing backslash
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

// The module of kLv_Tool.dll, which every test executable imports.
HMODULE Library();

}  // namespace klvtest

#endif
