// An encoder for the platform's LZ-compressed file format ("SZDD", method
// A: LZSS over a 4096-byte window), to make compressed files for the tests
// and benchmarks; the platform's own expander reads them back.
#ifndef KLV_SZDD_H
#define KLV_SZDD_H

#include <string>

namespace klvtest {

// The compressed file for `data`. `lastChar` is the header's record of the
// extension letter that the file's compressed name replaced with "_".
std::string SzddCompress(const std::string& data, char lastChar = '\0');

}  // namespace klvtest

#endif
