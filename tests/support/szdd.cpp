#include "szdd.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace klvtest {

namespace {

constexpr char kMagic[] = "SZDD\x88\xF0\x27\x33";
constexpr std::size_t kWindow = 4096;
constexpr std::size_t kMaxDistance = kWindow - 1;  // the expander copies byte by byte from its ring
constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 18;
constexpr std::size_t kStart = kWindow - 16;  // where the expander's ring starts writing
constexpr int kHashBits = 15;
constexpr int kChainDepth = 16;

std::uint32_t Hash(const unsigned char* p) {
  return ((p[0] << 10) ^ (p[1] << 5) ^ p[2]) & ((1u << kHashBits) - 1);
}

}  // namespace

std::string SzddCompress(const std::string& data, char lastChar) {
  std::string out(kMagic, 8);
  out += 'A';
  out += lastChar;
  const std::uint32_t length = static_cast<std::uint32_t>(data.size());
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((length >> shift) & 0xFF);

  const auto* in = reinterpret_cast<const unsigned char*>(data.data());
  const std::size_t n = data.size();
  // Hash chains over the window: head per hash, previous position per ring slot.
  std::vector<std::int64_t> head(std::size_t(1) << kHashBits, -1), previous(kWindow, -1);
  auto insert = [&](std::size_t at) {
    if (at + kMinMatch > n) return;
    const std::uint32_t h = Hash(in + at);
    previous[at % kWindow] = head[h];
    head[h] = static_cast<std::int64_t>(at);
  };

  std::size_t flagAt = 0;
  int items = 8;
  std::size_t i = 0;
  while (i < n) {
    if (items == 8) {
      flagAt = out.size();
      out += '\0';
      items = 0;
    }
    std::size_t bestLength = 0, bestAt = 0;
    if (i + kMinMatch <= n) {
      std::int64_t candidate = head[Hash(in + i)];
      const std::size_t limit = std::min(kMaxMatch, n - i);
      for (int depth = 0; depth < kChainDepth && candidate >= 0; ++depth) {
        const auto at = static_cast<std::size_t>(candidate);
        if (at >= i || i - at > kMaxDistance) break;
        std::size_t length = 0;
        while (length < limit && in[at + length] == in[i + length]) ++length;
        if (length > bestLength) {
          bestLength = length;
          bestAt = at;
          if (length == limit) break;
        }
        const std::int64_t next = previous[at % kWindow];
        if (next >= candidate) break;
        candidate = next;
      }
    }
    if (bestLength >= kMinMatch) {
      const std::size_t ring = (bestAt + kStart) % kWindow;
      out += static_cast<char>(ring & 0xFF);
      out += static_cast<char>(((ring >> 4) & 0xF0) | (bestLength - kMinMatch));
      for (std::size_t k = 0; k < bestLength; ++k) insert(i + k);
      i += bestLength;
    } else {
      out[flagAt] = static_cast<char>(out[flagAt] | (1 << items));  // a set bit marks a literal
      out += static_cast<char>(in[i]);
      insert(i);
      ++i;
    }
    ++items;
  }
  return out;
}

}  // namespace klvtest
