// What the platform's calls take.
#ifndef KLV_PLATFORM_H
#define KLV_PLATFORM_H

#include <cstddef>

namespace klv {

// The longest text, in UTF-16 units, that the library hands the platform.
// Many calls count a text in 16 bits of bytes (at most 32,767 characters
// with their NUL), and under Wine some of them fault on a longer text
// instead of failing.
constexpr std::size_t kPlatformTextLimit = 32766;

}  // namespace klv

#endif
