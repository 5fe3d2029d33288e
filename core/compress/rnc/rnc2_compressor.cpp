// "RNC2": the shortest stream in bytes, from an exact shortest parse in bits over every token.
// Data bytes cost 8 bits each, so the fewest bits overall is the fewest bytes (the bits fill
// bytes of their own).
#include <algorithm>
#include <array>
#include <limits>
#include <utility>

#include "compress/rnc/rnc_format.h"
#include "compress/search/window_matches.h"

namespace tegulo {
namespace {

constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint32_t kLiteralBits = 9;
constexpr std::uint32_t kCopy2Bits = 11;
constexpr std::uint32_t kCopy2MaxDistance = 256;
constexpr std::uint32_t kRunMin = 12;
constexpr std::uint32_t kRunMax = 72;

struct TCode {
  unsigned bits;
  int count;
};

// The length codes of copies of 3..8, and 1111 for 9..263 (a byte follows).
constexpr TCode kLengthCodes[] = {{0b1110, 4},  {0b1000, 4},  {0b1010, 4},
                                  {0b10010, 5}, {0b10011, 5}, {0b10110, 5}};
constexpr TCode kLongCode{0b1111, 4};

TCode LengthCode(std::uint32_t length) {
  return length <= 8 ? kLengthCodes[length - 3] : kLongCode;
}

std::uint32_t LengthBits(std::uint32_t length) {
  return length <= 8 ? static_cast<std::uint32_t>(kLengthCodes[length - 3].count) : 12;
}

TCode HighCode(unsigned high) {
  if (high == 0) return {0, 1};
  if (high == 1) return {0b110, 3};
  if (high < 4) return {0b1000 | (high - 2), 4};
  if (high < 8) {
    const unsigned v = high - 4;
    return {0b10101 | (v >> 1U) << 3U | (v & 1U) << 1U, 5};
  }
  const unsigned v = high - 8;
  return {0b101000 | (v >> 2U) << 4U | ((v >> 1U) & 1U) << 2U | (v & 1U), 6};
}

std::uint32_t DistanceBits(std::uint32_t distance) {
  return static_cast<std::uint32_t>(HighCode((distance - 1) >> 8U).count) + 8;
}

// Bits MSB first into bytes reserved in the stream when their first bit is written.
struct TBitWriter {
  std::vector<std::uint8_t>& out;
  std::size_t slot = 0;
  int used = 8;
  void Bit(unsigned b) {
    if (used == 8) {
      slot = out.size();
      out.push_back(0);
      used = 0;
    }
    if (b != 0) out[slot] |= static_cast<std::uint8_t>(0x80U >> static_cast<unsigned>(used));
    ++used;
  }
  void Code(TCode c) {
    for (int i = c.count - 1; i >= 0; --i) Bit((c.bits >> static_cast<unsigned>(i)) & 1U);
  }
  void Byte(unsigned v) { out.push_back(static_cast<std::uint8_t>(v)); }
};

// A step of the parse: length 1 and distance 0 a literal, a longer length with distance 0 a
// literal run, else a copy.
struct TStep {
  std::uint16_t length = 0;
  std::uint16_t distance = 0;
};

// The steps of a shortest parse, each at the position it starts from (the rest unused).
std::vector<TStep> ShortestSteps(std::span<const std::uint8_t> data) {
  const std::size_t n = data.size();
  std::vector<std::uint32_t> cost(n + 1, kNone);
  std::vector<TStep> back(n + 1);
  cost[0] = 0;
  TWindowMatcher matcher(data, rnc::kRnc2MaxDistance, rnc::kRnc2MaxLength);
  std::array<TMatchPair, rnc::kRnc2MaxLength + 1> pairs{};
  const auto relax = [&](std::size_t to, std::uint32_t c, TStep step) {
    if (c < cost[to]) {
      cost[to] = c;
      back[to] = step;
    }
  };
  for (std::size_t p = 0; p < n; ++p) {
    const std::uint32_t here = cost[p];
    relax(p + 1, here + kLiteralBits, {1, 0});
    for (std::uint32_t run = kRunMin; run <= kRunMax && p + run <= n; run += 4) {
      relax(p + run, here + kLiteralBits + 8 * run, {static_cast<std::uint16_t>(run), 0});
    }
    const std::size_t count = matcher.Matches(p, pairs.data());
    std::uint32_t length = 2;
    for (std::size_t j = 0; j < count; ++j) {
      const TMatchPair m = pairs[j];
      const auto d = static_cast<std::uint16_t>(m.distance);
      if (length == 2) {
        if (m.distance <= kCopy2MaxDistance) relax(p + 2, here + kCopy2Bits, {2, d});
        length = 3;
      }
      const std::uint32_t dBits = here + DistanceBits(m.distance);
      for (; length <= m.length; ++length) {
        relax(p + length, dBits + LengthBits(length), {static_cast<std::uint16_t>(length), d});
      }
    }
  }
  // Each step moved from the position it reaches to the one it starts from.
  TStep step = back[n];
  for (std::size_t at = n; at > 0;) {
    at -= step.length;
    std::swap(step, back[at]);
  }
  return back;
}

void Emit(TBitWriter& w, std::span<const std::uint8_t> data, std::size_t at, TStep s) {
  if (s.distance == 0 && s.length == 1) {
    w.Bit(0);
    w.Byte(data[at]);
  } else if (s.distance == 0) {
    w.Code({0b10111, 5});
    w.Code({s.length / 4U - 3U, 4});
    for (std::size_t k = 0; k < s.length; ++k) w.Byte(data[at + k]);
  } else if (s.length == 2) {
    w.Code({0b110, 3});
    w.Byte(s.distance - 1U);
  } else {
    w.Code(LengthCode(s.length));
    if (s.length > 8) w.Byte(s.length - 8U);
    const unsigned d = s.distance - 1U;
    w.Code(HighCode(d >> 8U));
    w.Byte(d & 0xFFU);
  }
}

}  // namespace

std::vector<std::uint8_t> CompressRNC2(std::span<const std::uint8_t> data,
                                       const TCompressOptions& /*options*/) {
  rnc::CheckSize("RNC2", data.size());
  std::vector<std::uint8_t> out(rnc::kHeaderSize);
  TBitWriter w{out};
  w.Code({0, 2});  // lock and key: a plain stream
  const std::vector<TStep> steps = ShortestSteps(data);
  for (std::size_t at = 0; at < data.size(); at += steps[at].length) Emit(w, data, at, steps[at]);
  w.Code(kLongCode);
  w.Byte(0);
  w.Bit(0);  // no further block
  rnc::PutHeader(2, data, out, 1);
  return out;
}

}  // namespace tegulo
