// What the benchmarks share: a clock, and the folder of the built binaries.
#ifndef KLV_BENCH_H
#define KLV_BENCH_H

#include <windows.h>

#include <string>

namespace bench {

// Seconds from the performance counter.
inline double Now() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The folder of the running benchmark, beside the library and the Xtra.
inline std::string BinDir() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string file(path, length);
  return file.substr(0, file.find_last_of('\\'));
}

}  // namespace bench

#endif
