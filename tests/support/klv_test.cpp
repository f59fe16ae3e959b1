#include "klv_test.h"

#include <stdexcept>

namespace klvtest {

namespace {
int g_counter = 0;
}

TempDir::TempDir() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string label = info ? info->name() : "setup";
  for (char& c : label)
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  CreateDirectoryA("C:\\klvtest", nullptr);
  path_ = "C:\\klvtest\\" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++g_counter) + "_" +
          label.substr(0, 40);
  RemoveTree(path_);
  if (!CreateDirectoryA(path_.c_str(), nullptr)) throw std::runtime_error("cannot create " + path_);
}

TempDir::~TempDir() {
  RemoveTree(path_);
  RemoveDirectoryA("C:\\klvtest");  // only when no other test still uses it
}

HMODULE Library() { return GetModuleHandleA("kLv_Tool.dll"); }

}  // namespace klvtest
