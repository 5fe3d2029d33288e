// "LZ77-10" compressor: the optimal parse written under most-significant-first flag bytes.
#include <string>

#include "base/uCommon.h"
#include "compress/compressors.h"
#include "compress/flag_writer.h"
#include "compress/optimal_parse.h"

namespace tegulo {

std::vector<std::uint8_t> CompressLZ10(std::span<const std::uint8_t> data, bool allowDistance1) {
  if (data.size() > 0xFFFFFF) {
    throw TError("LZ77-10 holds at most 16777215 bytes; the data are " +
                 std::to_string(data.size()) + " bytes");
  }
  const std::vector<TParseToken> tokens = ShortestParse(data, {allowDistance1 ? 1u : 2u, 4096, 18});
  std::vector<std::uint8_t> out{0x10, static_cast<std::uint8_t>(data.size()),
                                static_cast<std::uint8_t>(data.size() >> 8),
                                static_cast<std::uint8_t>(data.size() >> 16)};
  out.reserve(out.size() + data.size() + data.size() / 8 + 1);
  TFlagBytes flags(out, true);
  std::size_t pos = 0;
  for (const TParseToken& t : tokens) {
    flags.Token(t.length != 0);
    if (t.length == 0) {
      out.push_back(data[pos++]);
      continue;
    }
    PutLZ10Reference(out, t.distance, t.length);
    pos += t.length;
  }
  return out;
}

}  // namespace tegulo
