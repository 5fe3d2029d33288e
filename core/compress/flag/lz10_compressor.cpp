// "LZ77-10" compressor: the optimal parse written under most-significant-first flag bytes.
#include <string>

#include "base/uCommon.h"
#include "compress/compressors.h"
#include "compress/flag/flag_streams.h"
#include "compress/flag/lz10_layout.h"
#include "compress/search/optimal_parse.h"

namespace tegulo {

std::vector<std::uint8_t> CompressLZ10(std::span<const std::uint8_t> data,
                                       const TCompressOptions& options) {
  const bool allowDistance1 = options.allowDistance1;
  if (data.size() > lz10::kMaxRawSize) {
    throw TError("LZ77-10 holds at most " + std::to_string(lz10::kMaxRawSize) +
                 " bytes; the data are " + std::to_string(data.size()) + " bytes");
  }
  return WriteLZ10Stream(
      data, ShortestParse(data, {allowDistance1 ? 1U : 2U, lz10::kMaxDistance, lz10::kMaxLength}));
}

}  // namespace tegulo
