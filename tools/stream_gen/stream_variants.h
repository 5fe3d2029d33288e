// The ways the world writes streams of the four schemes: every parse strategy and layout
// choice that the scan must meet, as one list, and the stream of a variant for some data.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "lz_parse.h"
#include "stream_writers.h"

namespace tegulo::gen {

struct TVariant {
  int scheme = 1;  // row in Compressions: 1 LZ77-10, 2 LZSS-FF5, 3 LZSS-FF6, 4 LZSS-CT
  TParse parse = TParse::kGreedy;
  bool distance1 = true;  // references may copy from one byte back
  TPad pad = TPad::kNone;
  bool zeroRing = false;              // FF5, FF6: zeros taken from the ring before the output
  bool mode11 = true;                 // CT: 11-bit distances, else 12-bit
  TCTMark mark = TCTMark::kHighBits;  // CT: how the first record marks the mode
};

// "LZ77-10", "LZSS-FF5", "LZSS-FF6", "LZSS-CT 11-bit 0xC0" ... (the CT mode and its mark).
std::string SchemeLabel(const TVariant& v);
// "greedy", "lazy no-d1 pad4", "optimal zero-ring", ...
std::string ParseLabel(const TVariant& v);

// Every variant: for each scheme (CT in both modes and both marks) the three parses, with and
// without distance 1, padded to 4 bytes or not; and for FF5 and FF6 an optimal parse that
// takes zeros from the ring, for LZ77-10 one padded with 0xFF.
std::vector<TVariant> AllVariants();

// The stream of `data` written as `v` says. `data` must fit the scheme (at most 65,535 bytes
// for FF5 and a CT stream below 64 KiB).
std::vector<std::uint8_t> MakeStream(const TVariant& v, std::span<const std::uint8_t> data);

}  // namespace tegulo::gen
