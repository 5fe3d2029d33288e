// "LZ77-11": the LZ77-10 flag groups with references of 2, 3 or 4 bytes (lengths 3..16,
// 17..272, 273..65808), and its shortest-parse compressor.
#include <algorithm>

#include "base/stream_view.h"
#include "base/uCommon.h"
#include "compress/bios/bios_header.h"
#include "compress/bios/bios_schemes.h"
#include "compress/flag/flag_writer.h"
#include "compress/flag/lz11_layout.h"
#include "compress/search/optimal_parse.h"
#include "compress/search/range_min.h"
#include "compress/shared/lz_copy.h"

namespace tegulo {
namespace {

constexpr std::size_t kMaxLength = kLZ11MaxLength;
constexpr std::size_t kMaxDistance = kLZ11MaxDistance;
constexpr std::size_t kFinderLength = 255;

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
    if (end >= n) return;                                   // no match passes the end of the data
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

// The decoder and the extent walk: visitors of the family's walk up to the announced size,
// into an output of `outN` bytes. kWrite: write each token (the decoder), else only count.
// The last reference may run past the size up to the end of the output; the source may begin
// before the output.
template <bool kWrite>
struct TOutputVisitor {
  std::uint8_t* out;
  std::size_t outN;
  std::size_t size;
  std::size_t o = 0;
  bool Done(std::size_t /*in*/, std::uint64_t /*out*/) const { return o >= size; }
  bool Literal(std::uint64_t /*out*/, std::uint8_t v) {
    if constexpr (kWrite) out[o] = v;  // o < size <= outN: a literal always fits
    ++o;
    return true;
  }
  bool Reference(std::uint64_t /*out*/, lz11::TReference r) {
    const std::size_t fit = std::min(r.length, outN - o);
    if constexpr (kWrite) lz::CopyChecked(out, o, r.distance, fit);
    o += fit;
    return fit == r.length;
  }
};

// Returns the stream bytes consumed.
template <bool kWrite>
std::uint32_t Walk(std::span<const std::uint8_t> stream, TOutputVisitor<kWrite> visit) {
  return static_cast<std::uint32_t>(std::min(lz11::WalkTokens(stream, visit).in, stream.size()));
}

}  // namespace

std::uint32_t DecompressLZ11(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                             bool* notValid) {
  const std::uint32_t header = ReadLePadded(stream, 0, lz11::kHeaderSize);
  if (notValid != nullptr) *notValid = (header & 0xFFu) != bios::kTypeLZ11;
  const std::size_t size = header >> 8;
  if (output.size() < size) output.resize(size);
  return Walk(stream, TOutputVisitor<true>{output.data(), output.size(), size});
}

std::size_t StreamExtentLZ11(std::span<const std::uint8_t> stream) {
  const std::size_t size = ReadLePadded(stream, 0, lz11::kHeaderSize) >> 8;
  return Walk(stream, TOutputVisitor<false>{nullptr, std::max(size, kDecodeBufferSize), size});
}

namespace {

// The shortest parse from the end: at each position the token that leaves the cheapest rest,
// in bits a literal 9, a reference 17, 25 or 33. One cost covers a band of lengths, so each
// band is one range query. The chosen length (1: a literal) replaces longest[i], which only
// position i reads: with the distances and the costs' tree, 14 bytes a position.
void ChooseTokens(std::vector<std::uint32_t>& longest) {
  const std::size_t n = longest.size();
  TRangeMin tail(n + 1);
  tail.Set(n, 0);
  for (std::size_t i = n; i-- > 0;) {
    std::uint32_t best = 9 + tail.At(i + 1);
    std::uint32_t choice = 1;
    const std::size_t m = longest[i];
    for (std::size_t len = 3; len <= std::min<std::size_t>(m, 16); ++len) {
      if (17 + tail.At(i + len) <= best) {
        best = 17 + tail.At(i + len);
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
    tail.Set(i, best);
    longest[i] = choice;
  }
}

}  // namespace

std::vector<std::uint8_t> CompressLZ11(std::span<const std::uint8_t> data,
                                       const TCompressOptions& options) {
  const bool allowDistance1 = options.allowDistance1;
  CheckBiosSize("LZ77-11", data.size());
  const std::size_t n = data.size();
  std::vector<std::uint32_t> step;
  std::vector<std::uint16_t> distance;
  LongMatches(data, allowDistance1 ? 1 : 2, step, distance);
  ChooseTokens(step);

  std::vector<std::uint8_t> out = BiosHeader(bios::kTypeLZ11, n);
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

namespace {

// The checker's figures; every reference reaches inside the output and ends by the size, and
// fewer than kMaxEqualLiterals literals of one value stand in a row (an encoder copies a run
// from a byte or two back; zero fillers read as flag bytes of 0 and literal zeros for KiBs).
struct TLZ11Checker {
  TStreamStats& st;
  std::uint32_t size;
  TLiteralRun run{};
  bool Done(std::size_t /*in*/, std::uint64_t out) const { return out >= size; }
  bool Literal(std::uint64_t out, std::uint8_t byte) {
    st.MarkLiteral(static_cast<std::uint32_t>(out));
    ++st.literals;
    return run.Add(byte);
  }
  bool Reference(std::uint64_t out, lz11::TReference r) {
    run.Break();
    if (r.distance > out || out + r.length > size) return false;
    ++st.references;
    st.referenceBytes += static_cast<std::uint32_t>(r.length);
    return true;
  }
};

}  // namespace

std::optional<TScanHit> CheckLZ11Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                     std::uint32_t minSize, TStreamStats* stats) {
  TStreamStats local;
  TStreamStats& st = FreshStats(stats, local);
  const auto size = BiosHeaderAt(rom, pos, bios::kTypeLZ11, minSize);
  if (!size) return std::nullopt;
  TLZ11Checker visit{st, *size};
  const lz11::TWalk w = lz11::WalkTokens(rom.subspan(pos), visit);
  // Encoders leave the flags after the last token 0.
  if (w.end != lz11::TWalkEnd::kDone || w.restFlags != 0) return std::nullopt;
  st.comprSize = static_cast<std::uint32_t>(w.in);
  // The walk checks every reference, the exact end and the unused flags: the facts decide.
  st.factsMinOutput = kStrictFactsMinOutput;
  return TScanHit{pos, kSchemeLZ11, *size, static_cast<std::uint32_t>(w.in), 0};
}

}  // namespace tegulo
