// What the platform's ANSI calls take, shared by the library and the
// launcher.
#ifndef KLV_PLATFORM_H
#define KLV_PLATFORM_H

#include <cstddef>

namespace klv {

// The longest text that the platform's ANSI calls take. Most convert it to
// a counted UTF-16 string with its NUL (at most 65535 bytes), and under
// Wine some of them fault on a longer text instead of failing.
constexpr std::size_t kPlatformTextLimit = 32766;

}  // namespace klv

#endif
