// The four encoders: one greedy parse, four stream layouts.
#include "compress/encoders.h"

#include <stdexcept>

#include "compress/flag_writer.h"
#include "compress/match_finder.h"

namespace tegulo {
namespace {

struct TToken {
  std::uint32_t length;    // 0: a literal
  std::uint32_t distance;  // back from the output position
  std::uint8_t literal;
};

// Greedy parse of buf[start..]: the bytes before `start` are sources only (the FF schemes
// see the zero ring before the output as such a prefix).
std::vector<TToken> Parse(std::span<const std::uint8_t> buf, std::size_t start,
                          std::size_t maxDistance, std::size_t maxLength) {
  TMatchFinder finder(buf, maxDistance, maxLength);
  for (std::size_t p = 0; p < start; ++p) finder.Insert(p);
  std::vector<TToken> tokens;
  std::size_t pos = start;
  while (pos < buf.size()) {
    const TMatch m = finder.Find(pos);
    if (m.length >= 3) {
      tokens.push_back(
          {static_cast<std::uint32_t>(m.length), static_cast<std::uint32_t>(m.distance), 0});
      for (std::size_t i = 0; i < m.length; ++i) finder.Insert(pos + i);
      pos += m.length;
    } else {
      tokens.push_back({0, 0, buf[pos]});
      finder.Insert(pos);
      ++pos;
    }
  }
  return tokens;
}

// FF5 and FF6 share the token stream; only the back-reference bytes differ.
template <bool kFF6>
std::vector<std::uint8_t> EncodeFF(std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> buf(kFFRingSize, 0);
  buf.insert(buf.end(), data.begin(), data.end());
  const std::vector<TToken> tokens = Parse(buf, kFFRingSize, kFFRingSize, 34);

  std::vector<std::uint8_t> out;
  PutLe16(out, kFF6 ? 0 : data.size());
  TFlagBytes flags(out, false);
  std::size_t written = 0;
  for (const TToken& t : tokens) {
    flags.Token(t.length == 0);
    if (t.length == 0) {
      out.push_back(t.literal);
      ++written;
      continue;
    }
    PutFFReference(out, written, t.distance, t.length, kFF6);
    written += t.length;
  }
  return out;
}

}  // namespace

std::vector<std::uint8_t> EncodeLZ10(std::span<const std::uint8_t> data) {
  if (data.size() > 0xFFFFFF) throw std::length_error("LZ77-10 input longer than 16,777,215 bytes");
  std::vector<std::uint8_t> out{0x10, static_cast<std::uint8_t>(data.size()),
                                static_cast<std::uint8_t>(data.size() >> 8),
                                static_cast<std::uint8_t>(data.size() >> 16)};
  TFlagBytes flags(out, true);
  for (const TToken& t : Parse(data, 0, 4096, 18)) {
    flags.Token(t.length != 0);
    if (t.length == 0) {
      out.push_back(t.literal);
    } else {
      PutLZ10Reference(out, t.distance, t.length);
    }
  }
  return out;
}

std::vector<std::uint8_t> EncodeFF5(std::span<const std::uint8_t> data) {
  if (data.size() > 0xFFFF) throw std::length_error("LZSS-FF5 input longer than 65,535 bytes");
  return EncodeFF<false>(data);
}

std::vector<std::uint8_t> EncodeFF6(std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> out = EncodeFF<true>(data);
  if (out.size() > 0xFFFF) throw std::length_error("LZSS-FF6 stream longer than 65,535 bytes");
  out[0] = static_cast<std::uint8_t>(out.size());
  out[1] = static_cast<std::uint8_t>(out.size() >> 8);
  return out;
}

std::vector<std::uint8_t> EncodeCT(std::span<const std::uint8_t> data, TCTMode mode) {
  const bool eleven = mode == TCTMode::Bits11;
  const unsigned shift = eleven ? 11 : 12;
  const std::uint8_t modeBits = eleven ? 0xC0 : 0x00;
  const std::vector<TToken> tokens = Parse(data, 0, eleven ? 2047 : 4095, eleven ? 34 : 18);

  std::vector<std::uint8_t> out{0, 0};
  const std::size_t whole = tokens.size() / 8 * 8;
  std::size_t i = 0;
  // Full groups of eight tokens under the default count. An all-literal group has control
  // byte 0, which means the same eight raw bytes.
  auto group = [&](std::size_t count) {
    const std::size_t at = out.size();
    out.push_back(0);
    for (std::size_t j = 0; j < count; ++j, ++i) {
      const TToken& t = tokens[i];
      if (t.length == 0) {
        out.push_back(t.literal);
        continue;
      }
      out[at] |= static_cast<std::uint8_t>(1u << j);
      PutLe16(out, ((t.length - 3) << shift) | t.distance);
    }
    return at;
  };
  while (i < whole) group(8);

  // The first record lies at the header's distance and carries the mode.
  const std::size_t first = out.size();
  const std::size_t rest = tokens.size() - whole;
  if (rest != 0) {
    // A record sets the count of the last control byte; its high bits are then ignored,
    // so bit 7 keeps an all-literal control byte from meaning "eight raw bytes".
    out.push_back(static_cast<std::uint8_t>(modeBits | rest));
    PutLe16(out, 0);
    const std::size_t ctl = group(rest);
    if (out[ctl] == 0) out[ctl] = 0x80;
    if (out.size() > 0xFFFF) throw std::length_error("LZSS-CT stream longer than 65,535 bytes");
    out[first + 1] = static_cast<std::uint8_t>(out.size());
    out[first + 2] = static_cast<std::uint8_t>(out.size() >> 8);
  }
  if (first - 2 > 0xFFFF) throw std::length_error("LZSS-CT stream longer than 65,537 bytes");
  out.push_back(modeBits);  // the end record: count 0
  out[0] = static_cast<std::uint8_t>(first - 2);
  out[1] = static_cast<std::uint8_t>((first - 2) >> 8);
  return out;
}

}  // namespace tegulo
