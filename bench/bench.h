// What the benchmarks share beyond the test helpers: a clock.
#ifndef KLV_BENCH_H
#define KLV_BENCH_H

#include <windows.h>

namespace bench {

// Seconds from the performance counter.
inline double Now() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace bench

#endif
