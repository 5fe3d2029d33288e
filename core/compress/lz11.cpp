// "LZ77-11": the LZ77-10 flag groups with references of 2, 3 or 4 bytes (lengths 3..16,
// 17..272, 273..65808), and its shortest-parse compressor.
#include <algorithm>

#include "base/stream_view.h"
#include "base/uCommon.h"
#include "compress/bios_schemes.h"
#include "compress/flag_writer.h"
#include "compress/more_scan.h"
#include "compress/optimal_parse.h"
#include "compress/range_min.h"

namespace tegulo {
namespace {

constexpr std::size_t kMaxLength = 65808;
constexpr std::size_t kMaxDistance = 4096;
constexpr std::size_t kFinderLength = 255;

// Reads the reference at `in`; false when its bytes pass the end of the stream.
bool ReadReference(std::span<const std::uint8_t> s, std::size_t& in, std::size_t& len,
                   std::size_t& dist) {
  if (in >= s.size()) return false;
  const unsigned b0 = s[in];
  const unsigned form = b0 >> 4;
  const std::size_t bytes = form == 0 ? 3 : form == 1 ? 4 : 2;
  if (in + bytes > s.size()) return false;
  const unsigned b1 = s[in + 1];
  if (form >= 2) {
    len = form + 1;
    dist = ((b0 & 0xFu) << 8 | b1) + 1;
  } else if (form == 0) {
    const unsigned b2 = s[in + 2];
    len = ((b0 & 0xFu) << 4 | b1 >> 4) + 0x11;
    dist = ((b1 & 0xFu) << 8 | b2) + 1;
  } else {
    const unsigned b2 = s[in + 2];
    const unsigned b3 = s[in + 3];
    len = ((b0 & 0xFu) << 12 | b1 << 4 | b2 >> 4) + 0x111;
    dist = ((b2 & 0xFu) << 8 | b3) + 1;
  }
  in += bytes;
  return true;
}

void PutReference(std::vector<std::uint8_t>& out, std::size_t distance, std::size_t length) {
  const std::size_t d = distance - 1;
  if (length <= 16) {
    out.push_back(static_cast<std::uint8_t>((length - 1) << 4 | d >> 8));
  } else if (length <= 272) {
    const std::size_t v = length - 0x11;
    out.push_back(static_cast<std::uint8_t>(v >> 4));
    out.push_back(static_cast<std::uint8_t>((v & 0xFu) << 4 | d >> 8));
  } else {
    const std::size_t v = length - 0x111;
    out.push_back(static_cast<std::uint8_t>(0x10u | v >> 12));
    out.push_back(static_cast<std::uint8_t>(v >> 4));
    out.push_back(static_cast<std::uint8_t>((v & 0xFu) << 4 | d >> 8));
  }
  out.push_back(static_cast<std::uint8_t>(d));
}

// The matches that start at i (their distance fails at i - 1), distances minDistance..top:
// raises `end` and `dist` to the one that reaches furthest past `end`.
void FurthestNewMatch(std::span<const std::uint8_t> data, std::size_t i, std::size_t minDistance,
                      std::size_t top, std::size_t& end, std::size_t& dist) {
  const std::size_t n = data.size();
  for (std::size_t d = minDistance; d <= top; ++d) {
    if (d < i && data[i - 1] == data[i - 1 - d]) continue;  // began before i: ends by E(i-1)
    if (data[end] != data[end - d]) continue;               // cannot pass the end already found
    std::size_t e = i;
    while (e < n && data[e] == data[e - d]) ++e;
    if (e > end) {
      end = e;
      dist = d;
    }
  }
}

// The longest match at each position, exact for every length. The finder is exact below
// 255 bytes. Past that: the furthest end E(i) = i + longest(i) never falls, since a match at
// i - 1 goes on at i at the same distance, so E(i) is E(i - 1) or the end of a match that
// starts at i (one whose distance fails at i - 1). Only where the finder reaches 255 and
// a match can still start (not inside a run of one byte value, not when E(i - 1) is the end
// of the data) do the distances of the window get looked at one by one.
void LongMatches(std::span<const std::uint8_t> data, std::size_t minDistance,
                 std::vector<std::uint32_t>& length, std::vector<std::uint16_t>& distance) {
  const std::size_t n = data.size();
  TLongestMatches m = FindLongestMatches(data, {minDistance, kMaxDistance, kFinderLength});
  length.assign(m.length.begin(), m.length.end());
  distance = std::move(m.distance);
  std::size_t carriedEnd = 0;
  std::size_t carriedDist = 0;
  std::size_t run = 0;  // bytes equal to data[i - 1] that end at i - 1
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0) run = i > 1 && data[i - 1] == data[i - 2] ? run + 1 : 1;
    std::size_t end = i + length[i];
    std::size_t dist = distance[i];
    if (carriedEnd > end) {
      end = carriedEnd;
      dist = carriedDist;
    }
    const std::size_t top = std::min(i, kMaxDistance);
    if (length[i] == kFinderLength && end < n && (run <= top || i <= kMaxDistance)) {
      FurthestNewMatch(data, i, minDistance, top, end, dist);
    }
    carriedEnd = end;
    carriedDist = dist;
    length[i] = static_cast<std::uint32_t>(std::min(end - i, kMaxLength));
    distance[i] = static_cast<std::uint16_t>(dist);
  }
}

}  // namespace

namespace {

// The output of the token walk: the decoder's writes each byte, the extent's only counts them.
struct TWriteOutput {
  TDecodeBuffer& output;
  void Literal(std::size_t o, std::uint8_t v) { output[o] = v; }
  void Reference(std::size_t o, std::size_t dist, std::size_t len) {
    for (std::size_t i = 0; i < len; ++i, ++o) output[o] = o >= dist ? output[o - dist] : 0;
  }
};
struct TCountOutput {
  static void Literal(std::size_t /*o*/, std::uint8_t /*v*/) {}
  static void Reference(std::size_t /*o*/, std::size_t /*dist*/, std::size_t /*len*/) {}
};

// The decoder's walk up to the announced size, into an output of `outN` bytes; returns the
// stream bytes consumed.
template <class TOutput>
std::uint32_t WalkTokens(std::span<const std::uint8_t> stream, std::size_t size, std::size_t outN,
                         TOutput put) {
  const std::size_t n = stream.size();
  std::size_t in = 4;
  std::size_t o = 0;
  while (o < size) {
    if (in >= n) return static_cast<std::uint32_t>(n);
    const unsigned flags = stream[in++];
    for (unsigned mask = 0x80; mask != 0 && o < size; mask >>= 1) {
      if ((flags & mask) == 0) {
        if (in >= n) return static_cast<std::uint32_t>(n);
        put.Literal(o++, stream[in++]);
        continue;
      }
      std::size_t len = 0;
      std::size_t dist = 0;
      if (!ReadReference(stream, in, len, dist)) return static_cast<std::uint32_t>(n);
      // The last reference may run past the size up to the end of the output; the source may
      // begin before the output.
      const std::size_t fit = std::min(len, outN - o);
      put.Reference(o, dist, fit);
      o += fit;
      if (fit < len) return static_cast<std::uint32_t>(in);
    }
  }
  return static_cast<std::uint32_t>(std::min(in, n));
}

}  // namespace

std::uint32_t DecompressLZ11(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                             bool* notValid) {
  const std::uint32_t header = ReadLePadded(stream, 0, 4);
  if (notValid != nullptr) *notValid = (header & 0xFFu) != 0x11u;
  const std::size_t size = header >> 8;
  if (output.size() < size) output.resize(size);
  return WalkTokens(stream, size, output.size(), TWriteOutput{output});
}

std::size_t StreamExtentLZ11(std::span<const std::uint8_t> stream) {
  const std::size_t size = ReadLePadded(stream, 0, 4) >> 8;
  return WalkTokens(stream, size, std::max(size, kDecodeBufferSize), TCountOutput{});
}

std::vector<std::uint8_t> CompressLZ11(std::span<const std::uint8_t> data, bool allowDistance1) {
  CheckBiosSize("LZ77-11", data.size());
  const std::size_t n = data.size();
  std::vector<std::uint32_t> longest;
  std::vector<std::uint16_t> distance;
  LongMatches(data, allowDistance1 ? 1 : 2, longest, distance);

  // cost[i] in bits: a literal 9, a reference 17, 25 or 33; one cost over a band of lengths,
  // so each band is one range query.
  std::vector<std::uint32_t> cost(n + 1, 0);
  std::vector<std::uint32_t> step(n, 1);
  TRangeMin tail(n + 1);
  tail.Set(n, 0);
  for (std::size_t i = n; i-- > 0;) {
    std::uint32_t best = 9 + cost[i + 1];
    std::uint32_t choice = 1;
    const std::size_t m = longest[i];
    for (std::size_t len = 3; len <= std::min<std::size_t>(m, 16); ++len) {
      if (17 + cost[i + len] <= best) {
        best = 17 + cost[i + len];
        choice = static_cast<std::uint32_t>(len);
      }
    }
    const std::size_t bands[2][3] = {{17, 272, 25}, {273, kMaxLength, 33}};
    for (const auto& band : bands) {
      std::size_t at = 0;
      const std::uint32_t c = tail.Min(i + band[0], i + std::min(m, band[1]), at);
      if (c != TRangeMin::kNone && c + band[2] <= best) {
        best = c + static_cast<std::uint32_t>(band[2]);
        choice = static_cast<std::uint32_t>(at - i);
      }
    }
    cost[i] = best;
    step[i] = choice;
    tail.Set(i, best);
  }

  std::vector<std::uint8_t> out = BiosHeader(0x11, n);
  out.reserve(out.size() + n + n / 8 + 1);
  TFlagBytes flags(out, true);
  for (std::size_t pos = 0; pos < n; pos += step[pos]) {
    flags.Token(step[pos] != 1);
    if (step[pos] == 1) {
      out.push_back(data[pos]);
    } else {
      PutReference(out, distance[pos], step[pos]);
    }
  }
  return out;
}

}  // namespace tegulo

namespace tegulo {

std::optional<TScanHit> CheckLZ11Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                     std::uint32_t minSize, TStreamStats* stats) {
  TStreamStats local;
  TStreamStats& st = FreshStats(stats, local);
  const auto size = BiosHeaderAt(rom, pos, 0x11, minSize);
  if (!size) return std::nullopt;
  const auto s = rom.subspan(pos);
  std::size_t in = 4;
  std::size_t out = 0;
  while (out < *size) {
    if (in >= s.size()) return std::nullopt;
    const unsigned flags = s[in++];
    for (unsigned mask = 0x80; mask != 0; mask >>= 1) {
      if (out >= *size) {
        if ((flags & mask) != 0) return std::nullopt;  // encoders leave unused flags 0
        continue;
      }
      if ((flags & mask) == 0) {
        if (in >= s.size()) return std::nullopt;
        st.MarkLiteral(static_cast<std::uint32_t>(out));
        ++in;
        ++out;
        ++st.literals;
        continue;
      }
      std::size_t len = 0;
      std::size_t dist = 0;
      if (!ReadReference(s, in, len, dist) || dist > out || out + len > *size) return std::nullopt;
      out += len;
      ++st.references;
      st.referenceBytes += static_cast<std::uint32_t>(len);
    }
  }
  st.comprSize = static_cast<std::uint32_t>(in);
  // The walk checks every reference, the exact end and the unused flags: the facts decide.
  st.factsMinOutput = kStrictFactsMinOutput;
  return TScanHit{pos, kSchemeLZ11, *size, static_cast<std::uint32_t>(in), 0};
}

}  // namespace tegulo
