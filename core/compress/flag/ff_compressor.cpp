// "LZSS-FF5" and "LZSS-FF6" compressors: the shortest parse over the ring, then the stream.
#include <algorithm>
#include <string>

#include "base/uCommon.h"
#include "compress/compressors.h"
#include "compress/flag/ff_layout.h"
#include "compress/flag/flag_streams.h"
#include "compress/search/optimal_parse.h"

namespace tegulo {
namespace {

// Before the first output byte the ring holds zeros, which references may read. The parse runs
// over the data behind kMaxLength of those zeros only: a source further back reads kMaxLength
// zeros too, as far as a reference goes, so it is no longer than the one kMaxLength back,
// and the search sizes its tables by the data rather than by the ring. No reference names the
// ring slot about to be written (distance 2048): no known encoder writes one, and whether a
// game's decoder reads that slot before or after it writes it is unknown.
std::vector<std::uint8_t> CompressFF(std::span<const std::uint8_t> data, bool ff6) {
  constexpr std::size_t kZeros = ff::kMaxLength;
  std::vector<std::uint8_t> ring(kZeros + data.size(), 0);
  std::copy(data.begin(), data.end(), ring.begin() + kZeros);
  const TParseLimits limits{1, ff::kRingSize - 1, ff::kMaxLength};
  return WriteFFStream(data, ShortestParse(ring, limits, kZeros), ff6);
}

}  // namespace

std::vector<std::uint8_t> CompressFF5(std::span<const std::uint8_t> data,
                                      const TCompressOptions& /*options*/) {
  if (data.size() > ff::kMaxHeaderValue) {
    throw TError("LZSS-FF5 holds at most " + std::to_string(ff::kMaxHeaderValue) +
                 " bytes; the data are " + std::to_string(data.size()) + " bytes");
  }
  return CompressFF(data, false);
}

std::vector<std::uint8_t> CompressFF6(std::span<const std::uint8_t> data,
                                      const TCompressOptions& /*options*/) {
  std::vector<std::uint8_t> out = CompressFF(data, true);
  if (out.size() > ff::kMaxHeaderValue) {
    throw TError("The LZSS-FF6 stream would be " + std::to_string(out.size()) +
                 " bytes; the format allows at most " + std::to_string(ff::kMaxHeaderValue));
  }
  return out;
}

}  // namespace tegulo
