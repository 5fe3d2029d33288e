// The stream emitters of the flag-byte layouts: LZ77-10 and the FF ring schemes.
#include "compress/flag/flag_streams.h"

#include "base/uCommon.h"
#include "compress/flag/flag_writer.h"
#include "compress/flag/lz10_layout.h"

namespace tegulo {

std::vector<std::uint8_t> WriteLZ10Stream(std::span<const std::uint8_t> data,
                                          std::span<const TParseToken> tokens) {
  std::vector<std::uint8_t> out{lz10::kTypeByte, static_cast<std::uint8_t>(data.size()),
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

std::vector<std::uint8_t> WriteFFStream(std::span<const std::uint8_t> data,
                                        std::span<const TParseToken> tokens, bool ff6) {
  std::vector<std::uint8_t> out;
  PutLe16(out, ff6 ? 0 : data.size());
  TFlagBytes flags(out, false);
  std::size_t pos = 0;
  for (const TParseToken& t : tokens) {
    flags.Token(t.length == 0);
    if (t.length == 0) {
      out.push_back(data[pos++]);
      continue;
    }
    PutFFReference(out, pos, t.distance, t.length, ff6);
    pos += t.length;
  }
  if (ff6) {
    out[0] = static_cast<std::uint8_t>(out.size());
    out[1] = static_cast<std::uint8_t>(out.size() >> 8);
  }
  return out;
}

}  // namespace tegulo
