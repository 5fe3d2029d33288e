// "LZSS-FF5", "LZSS-FF6" and "LZSS-CT" compressors, and the choice of compressor by scheme.
#include <algorithm>
#include <stdexcept>
#include <string>

#include "base/uCommon.h"
#include "compress/compressors.h"
#include "compress/ct_layout.h"
#include "compress/ct_records.h"
#include "compress/ff_layout.h"
#include "compress/optimal_parse.h"
#include "compress/scheme_formats.h"
#include "compress/stream_writers.h"

namespace tegulo {
namespace {

// Before the first output byte the ring holds zeros, which references may read: the parse
// runs over the data behind a ring's worth of zeros. No reference names the ring slot about
// to be written (distance 2048): no known encoder writes one, and whether a game's decoder
// reads that slot before or after it writes it is unknown.
std::vector<std::uint8_t> CompressFF(std::span<const std::uint8_t> data, bool ff6) {
  std::vector<std::uint8_t> ring(ff::kRingSize + data.size(), 0);
  std::copy(data.begin(), data.end(), ring.begin() + ff::kRingSize);
  const TParseLimits limits{1, ff::kRingSize - 1, ff::kMaxLength};
  return WriteFFStream(data, ShortestParse(ring, limits, ff::kRingSize), ff6);
}

// Records wherever they make the stream shortest; where they cannot all be placed (or the
// data is too long for that search), groups of eight with records only at the end.
std::vector<std::uint8_t> CompressCTMode(std::span<const std::uint8_t> data, TCTMode mode) {
  if (data.size() <= kCTRecordsLimit) {
    if (auto s = CompressCTRecords(data, mode)) return std::move(*s);
  }
  const ct::TMode& layout = mode == TCTMode::Bits11 ? ct::kMode11 : ct::kMode12;
  return WriteCTStream(data, ShortestParse(data, {1, layout.maxDistance, layout.maxLength}), mode);
}

}  // namespace

std::vector<std::uint8_t> CompressFF5(std::span<const std::uint8_t> data) {
  if (data.size() > ff::kMaxHeaderValue) {
    throw TError("LZSS-FF5 holds at most " + std::to_string(ff::kMaxHeaderValue) +
                 " bytes; the data are " + std::to_string(data.size()) + " bytes");
  }
  return CompressFF(data, false);
}

std::vector<std::uint8_t> CompressFF6(std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> out = CompressFF(data, true);
  if (out.size() > ff::kMaxHeaderValue) {
    throw TError("The LZSS-FF6 stream would be " + std::to_string(out.size()) +
                 " bytes; the format allows at most " + std::to_string(ff::kMaxHeaderValue));
  }
  return out;
}

std::vector<std::uint8_t> CompressCT(std::span<const std::uint8_t> data,
                                     std::optional<TCTMode> mode) {
  if (mode) return CompressCTMode(data, *mode);
  std::vector<std::uint8_t> eleven;
  std::vector<std::uint8_t> twelve;
  std::optional<TError> failure;
  try {
    eleven = CompressCTMode(data, TCTMode::Bits11);
  } catch (const TError& e) {
    failure = e;
  }
  try {
    twelve = CompressCTMode(data, TCTMode::Bits12);
  } catch (const TError& e) {
    if (failure) throw;
  }
  if (failure) return twelve;
  if (twelve.empty() || eleven.size() <= twelve.size()) return eleven;
  return twelve;
}

std::vector<std::uint8_t> CompressStream(int scheme, std::span<const std::uint8_t> data,
                                         const TCompressOptions& options) {
  const TSchemeFormat* format = FindSchemeFormat(scheme);
  if (format == nullptr || format->compress == nullptr) {
    throw std::invalid_argument("no compression scheme " + std::to_string(scheme));
  }
  std::vector<std::uint8_t> stream = format->compress(data, options);
  if (options.padToWords && format->sizeRule == TSizeRule::kRawInHeader24) {
    stream.resize((stream.size() + 3) & ~std::size_t{3}, 0);
  }
  return stream;
}

}  // namespace tegulo
