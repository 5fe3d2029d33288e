// "LZ77-10" compressor: the optimal parse written under most-significant-first flag bytes.
#include <string>

#include "base/uCommon.h"
#include "compress/compressors.h"
#include "compress/optimal_parse.h"
#include "compress/stream_writers.h"

namespace tegulo {

std::vector<std::uint8_t> CompressLZ10(std::span<const std::uint8_t> data, bool allowDistance1) {
  if (data.size() > 0xFFFFFF) {
    throw TError("LZ77-10 holds at most 16777215 bytes; the data are " +
                 std::to_string(data.size()) + " bytes");
  }
  return WriteLZ10Stream(data, ShortestParse(data, {allowDistance1 ? 1U : 2U, 4096, 18}));
}

}  // namespace tegulo
