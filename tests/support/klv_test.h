// Shared helpers of the test executables: temporary folders, and the library
// bound by its decorated export names as its callers bind it; the plain
// platform helpers come with klv_system.h.
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

// The library, loaded once by its file name from beside the test.
HMODULE Library();

// The address of `name@N`, N being four times the prototype's argument
// count; a missing export fails the test that asked for it.
FARPROC BindDecorated(const std::string& decorated);

template <class F>
struct Arity;
template <class R, class... A>
struct Arity<R(__stdcall*)(A...)> {
  static constexpr int value = sizeof...(A);
};

template <class F>
F Bind(const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(BindDecorated(std::string(name) + "@" + std::to_string(4 * Arity<F>::value))));
}

// The export `name` of kLv_Tool.dll, typed by its prototype in kLv_Tool.h.
#define KLV_FN(name) ::klvtest::Bind<decltype(&::name)>(#name)

}  // namespace klvtest

#endif
