// "LZSS-CT" compressor: records placed where they make the stream shortest, in either mode.
#include <optional>

#include "base/uCommon.h"
#include "compress/compressors.h"
#include "compress/ct/ct_layout.h"
#include "compress/ct/ct_records.h"
#include "compress/ct/ct_writer.h"
#include "compress/search/optimal_parse.h"

namespace tegulo {
namespace {

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

std::vector<std::uint8_t> CompressCT(std::span<const std::uint8_t> data,
                                     const TCompressOptions& options) {
  if (options.ctMode) return CompressCTMode(data, *options.ctMode);
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

}  // namespace tegulo
