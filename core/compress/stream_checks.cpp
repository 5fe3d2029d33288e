// The scan's checkers: one per scheme, each a walk of the scheme's tokens (the walkers of its
// layout family) that writes no output and gives up at the first broken rule.
#include <algorithm>

#include "compress/ct_layout.h"
#include "compress/ff_layout.h"
#include "compress/scheme_formats.h"
#include "compress/stream_scan.h"
#include "compress/uCompress.h"

namespace tegulo {
namespace {

// CT output beyond the working buffer is no stream of a game.
constexpr std::uint64_t kMaxCTOutput = 1U << 20U;

std::optional<TScanHit> CheckLZ10(std::span<const std::uint8_t> rom, std::size_t pos,
                                  std::uint32_t minSize, TStreamStats& st) {
  const auto s = CheckLZ10Stream(rom, pos);
  if (!s || s->rawSize < minSize) return std::nullopt;
  // The figures of the score, from the stream known to be whole.
  const std::uint8_t* p = rom.data() + pos;
  std::size_t in = 4;
  std::uint32_t out = 0;
  while (out < s->rawSize) {
    const unsigned flags = p[in++];
    for (unsigned mask = 0x80; mask != 0 && out < s->rawSize; mask >>= 1) {
      if ((flags & mask) == 0) {
        st.MarkLiteral(out);
        ++in;
        ++out;
        ++st.literals;
      } else {
        const std::uint32_t len = (p[in] >> 4) + 3u;
        in += 2;
        out += len;
        ++st.references;
        st.referenceBytes += len;
      }
    }
  }
  st.endExact = out == s->rawSize;
  return TScanHit{pos, kSchemeLZ10, s->rawSize, s->comprSize, 0};
}

// The FF figures: references into the zero ring before the first output byte are counted,
// and too many of them end the walk.
template <bool kFF6>
struct TFFChecker {
  TStreamStats& st;
  std::uint32_t h;  // FF5: the announced size; FF6: the stream length
  bool Done(std::size_t in, std::uint64_t out) const { return kFF6 ? in >= h : out >= h; }
  bool Literal(std::uint64_t out) {
    st.MarkLiteral(static_cast<std::uint32_t>(out));
    ++st.literals;
    return true;
  }
  bool Reference(std::uint64_t out, ff::TReference r) {
    if (r.Distance(out) > out) {
      if (++st.zeroRingReferences > kMaxZeroRingReferences) return false;
      st.zeroRingBytes += static_cast<std::uint32_t>(r.length);
    }
    ++st.references;
    st.referenceBytes += static_cast<std::uint32_t>(r.length);
    return true;
  }
};

template <bool kFF6>
std::optional<TScanHit> CheckFF(std::span<const std::uint8_t> rom, std::size_t pos,
                                std::uint32_t minSize, TStreamStats& st) {
  const auto s = rom.subspan(pos);
  if (s.size() < 3) return std::nullopt;
  const std::uint32_t h = s[0] | static_cast<std::uint32_t>(s[1]) << 8;
  if (kFF6 ? (h <= ff::kHeaderSize || h > s.size()) : (h < minSize || h == 0)) return std::nullopt;
  TFFChecker<kFF6> visit{st, h};
  const ff::TWalk w = ff::WalkTokens<kFF6>(s, visit);
  if (w.end != ff::TWalkEnd::kDone) return std::nullopt;
  const auto out = static_cast<std::uint32_t>(w.out);
  if constexpr (kFF6) {
    st.endExact = w.in == h;
    if (out < minSize) return std::nullopt;
    return TScanHit{pos, kSchemeFF6, out, h, 0};
  } else {
    st.endExact = out == h;
    return TScanHit{pos, kSchemeFF5, h, static_cast<std::uint32_t>(w.in), 0};
  }
}

// CT references must reach inside the output and never copy a byte onto itself.
struct TCTChecker {
  TStreamStats& st;
  bool Group(std::uint64_t out) const { return out <= kMaxCTOutput; }
  bool Raw(std::uint64_t out) {
    for (std::uint32_t i = 0; i < 8; ++i) st.MarkLiteral(static_cast<std::uint32_t>(out) + i);
    st.literals += 8;
    return true;
  }
  bool Literal(std::uint64_t out) {
    st.MarkLiteral(static_cast<std::uint32_t>(out));
    ++st.literals;
    return true;
  }
  bool Reference(std::uint64_t out, ct::TReference r) {
    if (r.distance == 0 || r.distance > out) return false;
    ++st.references;
    st.referenceBytes += r.length;
    return true;
  }
};

std::optional<TScanHit> CheckCT(std::span<const std::uint8_t> rom, std::size_t pos,
                                std::uint32_t minSize, TStreamStats& st) {
  const auto s = rom.subspan(pos);
  if (s.size() < 3) return std::nullopt;
  TCTChecker visit{st};
  const ct::TWalk w = ct::WalkTokens(s, visit, true);
  if (w.end != ct::TWalkEnd::kEndRecord || w.out < minSize) return std::nullopt;
  return TScanHit{pos, kSchemeCT, static_cast<std::uint32_t>(w.out),
                  static_cast<std::uint32_t>(w.in), 0};
}

// The figures go to `stats` (cleared first, its literal marks kept) or to a local record.
template <std::optional<TScanHit> (*Check)(std::span<const std::uint8_t>, std::size_t,
                                           std::uint32_t, TStreamStats&)>
std::optional<TScanHit> WithStats(std::span<const std::uint8_t> rom, std::size_t pos,
                                  std::uint32_t minSize, TStreamStats* stats) {
  if (pos >= rom.size()) return std::nullopt;
  TStreamStats local;
  TStreamStats& st = stats != nullptr ? *stats : local;
  std::uint8_t* marks = st.literalMarks;
  st = {};
  st.literalMarks = marks;
  return Check(rom, pos, minSize, st);
}

}  // namespace

std::optional<TScanHit> CheckLZ10Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                     std::uint32_t minSize, TStreamStats* stats) {
  return WithStats<CheckLZ10>(rom, pos, minSize, stats);
}
std::optional<TScanHit> CheckFF5Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                    std::uint32_t minSize, TStreamStats* stats) {
  return WithStats<CheckFF<false>>(rom, pos, minSize, stats);
}
std::optional<TScanHit> CheckFF6Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                    std::uint32_t minSize, TStreamStats* stats) {
  return WithStats<CheckFF<true>>(rom, pos, minSize, stats);
}
std::optional<TScanHit> CheckCTHit(std::span<const std::uint8_t> rom, std::size_t pos,
                                   std::uint32_t minSize, TStreamStats* stats) {
  return WithStats<CheckCT>(rom, pos, minSize, stats);
}

std::optional<TScanHit> CheckStream(std::span<const std::uint8_t> rom, std::size_t pos, int scheme,
                                    std::uint32_t minSize, TStreamStats* stats) {
  const TSchemeFormat* format = FindSchemeFormat(scheme);
  if (format == nullptr || format->check == nullptr) return std::nullopt;
  return format->check(rom, pos, minSize, stats);
}

}  // namespace tegulo
