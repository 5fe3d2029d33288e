// The four greedy encoders: one greedy parse, written by the stream layouts' emitters.
#include "greedy_encoders.h"

#include <stdexcept>

#include "base/uCommon.h"
#include "compress/ct/ct_layout.h"
#include "compress/flag/ff_layout.h"
#include "compress/uCompress.h"
#include "match_finder.h"

namespace tegulo {
namespace {

// Greedy parse of buf[start..]: the bytes before `start` are sources only (the FF schemes
// see the zero ring before the output as such a prefix).
std::vector<TParseToken> Parse(std::span<const std::uint8_t> buf, std::size_t start,
                               std::size_t maxDistance, std::size_t maxLength) {
  TMatchFinder finder(buf, maxDistance, maxLength);
  for (std::size_t p = 0; p < start; ++p) finder.Insert(p);
  std::vector<TParseToken> tokens;
  std::size_t pos = start;
  while (pos < buf.size()) {
    const TMatch m = finder.Find(pos);
    if (m.length >= 3) {
      tokens.push_back(
          {static_cast<std::uint32_t>(m.length), static_cast<std::uint32_t>(m.distance)});
      for (std::size_t i = 0; i < m.length; ++i) finder.Insert(pos + i);
      pos += m.length;
    } else {
      tokens.push_back({0, 0});
      finder.Insert(pos);
      ++pos;
    }
  }
  return tokens;
}

// FF5 and FF6 share the token stream; references may reach into the zero ring.
std::vector<std::uint8_t> EncodeFF(std::span<const std::uint8_t> data, bool ff6) {
  std::vector<std::uint8_t> buf(ff::kRingSize, 0);
  buf.insert(buf.end(), data.begin(), data.end());
  return WriteFFStream(data, Parse(buf, ff::kRingSize, ff::kRingSize, ff::kMaxLength), ff6);
}

std::vector<std::uint8_t> EncodeCT11(std::span<const std::uint8_t> data) {
  return EncodeCT(data, TCTMode::Bits11);
}

}  // namespace

std::vector<std::uint8_t> EncodeLZ10(std::span<const std::uint8_t> data) {
  if (data.size() > 0xFFFFFF) throw std::length_error("LZ77-10 input longer than 16,777,215 bytes");
  return WriteLZ10Stream(data, Parse(data, 0, 4096, 18));
}

std::vector<std::uint8_t> EncodeFF5(std::span<const std::uint8_t> data) {
  if (data.size() > 0xFFFF) throw std::length_error("LZSS-FF5 input longer than 65,535 bytes");
  return EncodeFF(data, false);
}

std::vector<std::uint8_t> EncodeFF6(std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> out = EncodeFF(data, true);
  if (out.size() > 0xFFFF) throw std::length_error("LZSS-FF6 stream longer than 65,535 bytes");
  return out;
}

std::vector<std::uint8_t> EncodeCT(std::span<const std::uint8_t> data, TCTMode mode) {
  const ct::TMode& layout = mode == TCTMode::Bits11 ? ct::kMode11 : ct::kMode12;
  const auto tokens = Parse(data, 0, layout.maxDistance, layout.maxLength);
  try {
    return WriteCTStream(data, tokens, mode);
  } catch (const TError& e) {
    throw std::length_error(e.what());
  }
}

TGreedyEncoder GreedyEncoder(int scheme) {
  switch (scheme) {
    case kSchemeLZ10: return EncodeLZ10;
    case kSchemeFF5: return EncodeFF5;
    case kSchemeFF6: return EncodeFF6;
    case kSchemeCT: return EncodeCT11;
    default: return nullptr;
  }
}

}  // namespace tegulo
