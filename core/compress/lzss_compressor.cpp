// "LZSS-FF5", "LZSS-FF6" and "LZSS-CT" compressors, and the choice of compressor by scheme.
#include <stdexcept>
#include <string>

#include "base/uCommon.h"
#include "compress/compressors.h"
#include "compress/flag_writer.h"
#include "compress/optimal_parse.h"
#include "compress/scheme_formats.h"

namespace tegulo {
namespace {

// FF5 and FF6 share the token stream: least-significant-first flags, a set bit a literal,
// a reference as an absolute index into the 2048-byte ring.
std::vector<std::uint8_t> CompressFF(std::span<const std::uint8_t> data, bool ff6) {
  const std::vector<TParseToken> tokens = ShortestParse(data, {1, kFFRingSize, 34});
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
  return out;
}

std::vector<std::uint8_t> CompressCTMode(std::span<const std::uint8_t> data, TCTMode mode) {
  const bool eleven = mode == TCTMode::Bits11;
  const unsigned shift = eleven ? 11 : 12;
  const std::uint8_t modeBits = eleven ? 0xC0 : 0x00;
  const std::vector<TParseToken> tokens =
      ShortestParse(data, {1, eleven ? 2047u : 4095u, eleven ? 34u : 18u});

  std::vector<std::uint8_t> out{0, 0};
  std::size_t i = 0;
  std::size_t pos = 0;
  // One control byte and its tokens; an all-literal group of eight has control byte 0,
  // which means the same eight raw bytes.
  const auto group = [&](std::size_t count) {
    const std::size_t at = out.size();
    out.push_back(0);
    for (std::size_t j = 0; j < count; ++j, ++i) {
      const TParseToken& t = tokens[i];
      if (t.length == 0) {
        out.push_back(data[pos++]);
        continue;
      }
      out[at] |= static_cast<std::uint8_t>(1u << j);
      PutLe16(out, ((t.length - 3) << shift) | t.distance);
      pos += t.length;
    }
    return at;
  };
  const std::size_t whole = tokens.size() / 8 * 8;
  while (i < whole) group(8);

  const auto tooLong = [&](std::size_t at) {
    return TError("The LZSS-CT stream would need a record at position " + std::to_string(at) +
                  "; the format allows at most 65535");
  };
  // The first record lies at the header's distance (plus 2) and carries the mode.
  const std::size_t first = out.size();
  if (first - 2 > 0xFFFF) throw tooLong(first);
  const std::size_t rest = tokens.size() - whole;
  if (rest != 0) {
    // The record sets the token count of the last control byte, whose higher bits are then
    // ignored: bit 7 keeps an all-literal control byte from meaning "eight raw bytes".
    out.push_back(static_cast<std::uint8_t>(modeBits | rest));
    PutLe16(out, 0);
    const std::size_t ctl = group(rest);
    if (out[ctl] == 0) out[ctl] = 0x80;
    if (out.size() > 0xFFFF) throw tooLong(out.size());
    out[first + 1] = static_cast<std::uint8_t>(out.size());
    out[first + 2] = static_cast<std::uint8_t>(out.size() >> 8);
  }
  out.push_back(modeBits);  // the end record: count 0
  out[0] = static_cast<std::uint8_t>(first - 2);
  out[1] = static_cast<std::uint8_t>((first - 2) >> 8);
  return out;
}

}  // namespace

std::vector<std::uint8_t> CompressFF5(std::span<const std::uint8_t> data) {
  if (data.size() > 0xFFFF) {
    throw TError("LZSS-FF5 holds at most 65535 bytes; the data are " + std::to_string(data.size()) +
                 " bytes");
  }
  return CompressFF(data, false);
}

std::vector<std::uint8_t> CompressFF6(std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> out = CompressFF(data, true);
  if (out.size() > 0xFFFF) {
    throw TError("The LZSS-FF6 stream would be " + std::to_string(out.size()) +
                 " bytes; the format allows at most 65535");
  }
  out[0] = static_cast<std::uint8_t>(out.size());
  out[1] = static_cast<std::uint8_t>(out.size() >> 8);
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
  return format->compress(data, options);
}

}  // namespace tegulo
