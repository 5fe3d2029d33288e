// Writers of the four stream formats from a list of tokens.
#include "stream_writers.h"

#include <cstddef>

namespace tegulo::gen {
namespace {

constexpr std::uint32_t kRingSize = 2048;
constexpr std::uint32_t kRingStart = 0x7DE;

void Put16(std::vector<std::uint8_t>& s, std::uint32_t v) {
  s.push_back(static_cast<std::uint8_t>(v));
  s.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Pad(std::vector<std::uint8_t>& s, TPad pad) {
  if (pad == TPad::kNone) return;
  while (s.size() % 4 != 0) s.push_back(pad == TPad::kFF ? 0xFF : 0x00);
}

}  // namespace

std::vector<std::uint8_t> WriteLZ10(std::span<const std::uint8_t> data,
                                    std::span<const TToken> tokens, TPad pad) {
  std::vector<std::uint8_t> s{0x10};
  Put16(s, static_cast<std::uint32_t>(data.size()));
  s.push_back(static_cast<std::uint8_t>(data.size() >> 16));
  std::size_t out = 0;
  std::size_t flagAt = 0;
  for (std::size_t t = 0; t < tokens.size(); ++t) {
    if (t % 8 == 0) {
      flagAt = s.size();
      s.push_back(0);  // unused flags stay 0
    }
    const TToken& k = tokens[t];
    if (k.length == 0) {
      s.push_back(data[out++]);
      continue;
    }
    s[flagAt] |= static_cast<std::uint8_t>(0x80u >> (t % 8));
    const std::uint32_t d = k.distance - 1;
    s.push_back(static_cast<std::uint8_t>((k.length - 3) << 4 | d >> 8));
    s.push_back(static_cast<std::uint8_t>(d));
    out += k.length;
  }
  Pad(s, pad);
  return s;
}

std::vector<std::uint8_t> WriteFF(std::span<const std::uint8_t> data,
                                  std::span<const TToken> tokens, bool ff6, TPad pad) {
  std::vector<std::uint8_t> s;
  Put16(s, ff6 ? 0 : static_cast<std::uint32_t>(data.size()));  // FF6: the length, set below
  std::size_t out = 0;
  std::size_t flagAt = 0;
  for (std::size_t t = 0; t < tokens.size(); ++t) {
    if (t % 8 == 0) {
      flagAt = s.size();
      s.push_back(0);
    }
    const TToken& k = tokens[t];
    if (k.length == 0) {
      s[flagAt] |= static_cast<std::uint8_t>(1u << (t % 8));  // a set flag is a literal
      s.push_back(data[out++]);
      continue;
    }
    const std::uint32_t index = (kRingStart + out + kRingSize - k.distance) % kRingSize;
    const std::uint32_t len = k.length - 3;
    s.push_back(static_cast<std::uint8_t>(index));
    s.push_back(static_cast<std::uint8_t>(ff6 ? len << 3 | index >> 8 : (index >> 8) << 5 | len));
    out += k.length;
  }
  if (ff6) {
    s[0] = static_cast<std::uint8_t>(s.size());
    s[1] = static_cast<std::uint8_t>(s.size() >> 8);
  }
  Pad(s, pad);
  return s;
}

std::vector<std::uint8_t> WriteCT(std::span<const std::uint8_t> data,
                                  std::span<const TToken> tokens, bool mode11, TCTMark mark,
                                  TPad pad) {
  const std::uint8_t modeBits =
      mark == TCTMark::kHighBits ? (mode11 ? 0xC0 : 0x80) : (mode11 ? 0x40 : 0x00);
  const unsigned shift = mode11 ? 11 : 12;
  std::vector<std::uint8_t> s{0, 0};
  std::size_t firstRecord = 0;
  std::size_t out = 0;
  const std::size_t rest = tokens.size() % 8;
  for (std::size_t t = 0; t < tokens.size(); t += 8) {
    const std::size_t count = std::min<std::size_t>(8, tokens.size() - t);
    std::size_t nextAt = 0;
    if (count < 8) {
      // A short last group needs a record with its token count; its control byte may not be
      // 0 (that always stands for 8 raw bytes), so an unused high bit is set.
      firstRecord = s.size();
      s.push_back(static_cast<std::uint8_t>(modeBits | count));
      nextAt = s.size();
      Put16(s, 0);
    }
    const std::size_t ctlAt = s.size();
    s.push_back(0);
    for (std::size_t j = 0; j < count; ++j) {
      const TToken& k = tokens[t + j];
      if (k.length == 0) {
        s.push_back(data[out++]);
        continue;
      }
      s[ctlAt] |= static_cast<std::uint8_t>(1u << j);
      Put16(s, (k.length - 3) << shift | k.distance);
      out += k.length;
    }
    if (count < 8) {
      if (s[ctlAt] == 0) s[ctlAt] = 0x80;
      s[nextAt] = static_cast<std::uint8_t>(s.size());
      s[nextAt + 1] = static_cast<std::uint8_t>(s.size() >> 8);
    }
  }
  if (rest == 0) firstRecord = s.size();
  s.push_back(rest == 0 ? modeBits : 0x00);  // the end record
  s[0] = static_cast<std::uint8_t>(firstRecord - 2);
  s[1] = static_cast<std::uint8_t>((firstRecord - 2) >> 8);
  Pad(s, pad);
  return s;
}

}  // namespace tegulo::gen
