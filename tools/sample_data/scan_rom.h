// ROM images with packed streams of the flag-byte and CT schemes planted at known places, for
// measuring how well the scans find them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "compress/uCompress.h"

namespace tegulo {

// The schemes planted, each with the greedy encoders of tools/greedy and the core's
// compressors.
inline constexpr int kScanRomSchemes[] = {kSchemeLZ10, kSchemeFF5, kSchemeFF6, kSchemeCT};

struct TPlantedStream {
  std::size_t address = 0;
  int scheme = 0;  // one of kScanRomSchemes
  std::uint32_t comprSize = 0;
};

enum class TScanBackground { Random, Tiles };
// Which packers make the streams: the greedy encoders (encoders.h) or the compressors that
// write the shortest streams (compressors.h).
enum class TScanPacker { Greedy, Shortest };

struct TScanRom {
  std::vector<std::uint8_t> bytes;
  std::vector<TPlantedStream> planted;  // by address, never overlapping
};

// `size` bytes of random bytes or of uncompressed tile-like data, with `perScheme` streams of
// each scheme (tile-like data of 512 to 16,384 bytes, packed by `packer`, CT in both offset
// modes) at random positions that are multiples of 4. The same seed gives the
// same ROM.
TScanRom MakeScanRom(std::size_t size, TScanBackground background, int perScheme,
                     std::uint32_t seed, TScanPacker packer = TScanPacker::Greedy);

}  // namespace tegulo
