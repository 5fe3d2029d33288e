// The scan's checkers: one per scheme, each a walk of the scheme's tokens (the walkers of its
// layout family) that writes no output and gives up at the first broken rule.
#include <algorithm>

#include "base/stream_view.h"
#include "compress/ct/ct_layout.h"
#include "compress/flag/ff_layout.h"
#include "compress/scan/lz10_scan.h"
#include "compress/scan/stream_scan.h"
#include "compress/scheme_formats.h"
#include "compress/uCompress.h"

namespace tegulo {
namespace {

// CT output beyond the working buffer is no stream of a game.
constexpr std::uint64_t kMaxCTOutput = 1U << 20U;
// FF6 states its stream's length in 16 bits, and its games unpack into a 64 KiB bank.
constexpr std::uint64_t kMaxFF6Output = 1U << 16U;

// The LZ77-10 figures, from the one walk that checks the stream.
struct TLZ10Checker {
  TStreamStats& st;
  TLiteralRun run;
  bool Literal(std::uint32_t out, std::uint8_t byte) {
    st.MarkLiteral(out);
    ++st.literals;
    return run.Add(byte);
  }
  bool Reference(std::uint32_t /*out*/, std::uint32_t length) {
    run.Break();
    ++st.references;
    st.referenceBytes += length;
    return true;
  }
  // The flags after the last token.
  void LastFlags(unsigned rest) { st.unusedFlagsZero = rest == 0; }
};

std::optional<TScanHit> CheckLZ10(std::span<const std::uint8_t> rom, std::size_t pos,
                                  std::uint32_t minSize, TStreamStats& st) {
  if (pos + 4 > rom.size()) return std::nullopt;
  const std::uint32_t announced = rom[pos + 1] | rom[pos + 2] << 8 | rom[pos + 3] << 16;
  if (announced < minSize) return std::nullopt;
  TLZ10Checker visit{st, {}};
  const auto s = WalkLZ10(rom, pos, visit);
  if (!s) return std::nullopt;
  st.endExact = st.literals + st.referenceBytes == s->rawSize;
  return TScanHit{pos, kSchemeLZ10, s->rawSize, s->comprSize, 0};
}

// Literals that repeat the one two before, in a row: from the third on a reference two bytes
// back copies them for less, and every encoder of the ring schemes may copy from there (one
// that takes the longest match, one that defers to a longer one, one that counts bits); 2bpp
// tile rows and fillers of two alternating values read as such literals.
// A lazy encoder still writes them where each defers to a longer match at the next byte: from
// the literal two before the third (a match of 3 there) each literal's successor has a match
// one longer at least, and the chain ends in a reference longer than all. Each deferral asks
// for a longer match elsewhere than the one the pattern offers, which data seldom holds twice
// in a row: the run may go on kMaxLazyDeferrals literals past the third and then must meet
// that reference; any other end refuses the stream (fillers of two values run on and on).
constexpr std::uint32_t kMaxLazyDeferrals = 1;

struct TTwoPeriodRun {
  std::uint32_t length = 0;    // literals in the run so far
  std::uint32_t repeats = 0;   // of those, the last ones equal to the literal two before
  std::uint32_t deferred = 0;  // literals from the third repeat on, waiting for the reference
  unsigned before = 0x100;
  unsigned last = 0x100;
  bool Add(unsigned byte) {
    repeats = length >= 2 && byte == before ? repeats + 1 : 0;
    ++length;
    before = last;
    last = byte;
    if (repeats >= kMaxTwoPeriodRepeats || deferred != 0) ++deferred;
    return deferred <= kMaxLazyDeferrals + 1;
  }
  // The reference after the run: the one the lazy chain waits for, longer than its matches.
  bool Reference(std::size_t referenceLength) const {
    return deferred == 0 || referenceLength >= deferred + 2 + ff::kMinLength;
  }
  void Break() { *this = {}; }
};

// References in a row that copy the same bytes again (one source, one length): from the third
// on, a reference to the first copy writes the rest at once for less. Only where the copies
// leave their source as it was, and three fit in one reference.
struct TSameReferences {
  ff::TReference last{ff::kRingSize, 0};
  std::uint32_t count = 0;
  // True for the third and each later one of a row.
  bool Add(ff::TReference r, std::size_t distance) {
    const bool again = r.index == last.index && r.length == last.length;
    count = again ? count + 1 : 1;
    last = r;
    return count >= 3 && 3 * r.length <= ff::kMaxLength && distance >= 3 * r.length;
  }
  void Break() { count = 0; }
};

// The FF figures: references into the zero ring before the first output byte are counted,
// and too many of them end the walk.
template <bool kFF6>
struct TFFChecker {
  TStreamStats& st;
  std::uint32_t h;  // FF5: the announced size; FF6: the stream length
  TLiteralRun run{};
  TTwoPeriodRun two{};
  TSameReferences same{};
  bool Done(std::size_t at, std::uint64_t out) const { return kFF6 ? at >= h : out >= h; }
  bool Literal(std::uint64_t out, std::uint8_t byte) {
    if (kFF6 && out >= kMaxFF6Output) return false;
    st.MarkLiteral(static_cast<std::uint32_t>(out));
    ++st.literals;
    same.Break();
    return run.Add(byte) && two.Add(byte);
  }
  bool Reference(std::uint64_t out, ff::TReference r) {
    if (kFF6 && out + r.length > kMaxFF6Output) return false;
    if (!two.Reference(r.length)) return false;
    run.Break();
    two.Break();
    if (same.Add(r, r.Distance(out))) {
      ++st.wastefulTokens;
      if (st.factsOnly) return false;
    }
    if (r.Distance(out) > out) {
      if (++st.zeroRingReferences > kMaxZeroRingReferences) return false;
      st.zeroRingBytes += static_cast<std::uint32_t>(r.length);
      // An encoder that takes zeros from the ring finds them just before the start of the
      // output, where its search begins; chance indices fall anywhere.
      if (r.index >= ff::kRingStart || r.index + kZeroRingReach < ff::kRingStart) {
        if (st.factsOnly) return false;
        ++st.strayZeroRing;
      }
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
  st.readEnd = kReadToEnd;
  if (s.size() < 3) return std::nullopt;
  const std::uint32_t h = s[0] | static_cast<std::uint32_t>(s[1]) << 8;
  // FF6: a length past the end of the ROM stays past it for a candidate nearer the end.
  st.readEnd = ff::kHeaderSize;
  if (kFF6 ? (h <= ff::kHeaderSize || h > s.size()) : (h < minSize || h == 0)) return std::nullopt;
  TFFChecker<kFF6> visit{st, h};
  const ff::TWalk w = ff::WalkTokens<kFF6>(s, visit);
  st.readEnd = w.end == ff::TWalkEnd::kCut ? kReadToEnd : w.in;
  // A lazy chain of literals is never the stream's last token.
  if (w.end != ff::TWalkEnd::kDone || visit.two.deferred != 0) return std::nullopt;
  const auto out = static_cast<std::uint32_t>(w.out);
  st.lastFlagsZero = w.restFlags == 0;
  st.endsMidGroup = w.midGroup;
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
  TLiteralRun run{};
  // Eight bytes, or those left where the stream ends inside them.
  bool Raw(std::uint64_t out, std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (!Literal(out + i, bytes[i])) return false;
    }
    return true;
  }
  bool Literal(std::uint64_t out, std::uint8_t byte) {
    st.MarkLiteral(static_cast<std::uint32_t>(out));
    ++st.literals;
    return run.Add(byte);
  }
  bool Reference(std::uint64_t out, ct::TReference r) {
    run.Break();
    if (r.distance == 0 || r.distance > out) return false;
    ++st.references;
    st.referenceBytes += r.length;
    return true;
  }
};

std::optional<TScanHit> CheckCT(std::span<const std::uint8_t> rom, std::size_t pos,
                                std::uint32_t minSize, TStreamStats& st) {
  const auto s = rom.subspan(pos);
  st.readEnd = kReadToEnd;
  if (s.size() < 3) return std::nullopt;
  TCTChecker visit{st};
  const ct::TWalk w = ct::WalkTokens(s, visit, true);
  // The walk reads the tokens up to w.in and the first record's mode byte, wherever it lies;
  // a first record past the end of the ROM stays past it nearer the end.
  const std::size_t first = ReadLePadded(s, 0, 2) + ct::kHeaderSize;
  switch (w.end) {
    case ct::TWalkEnd::kCut: break;
    case ct::TWalkEnd::kNoFirstRecord: st.readEnd = ct::kHeaderSize; break;
    default: st.readEnd = std::max(w.in, first + 1); break;
  }
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
  const std::uint32_t marksEnd = st.marksEnd;  // marks set before and not yet cleared
  const bool factsOnly = st.factsOnly;
  st = {};
  st.literalMarks = marks;
  st.marksEnd = marksEnd;
  st.factsOnly = factsOnly;
  st.factsMinOutput = kStrictFactsMinOutput;
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

TStreamEnd EndOf(std::span<const std::uint8_t> rom, const TScanHit& hit) {
  if (hit.scheme != kSchemeFF5 && hit.scheme != kSchemeFF6) return {true, false};
  TStreamStats st;
  if (!CheckStream(rom, hit.address, hit.scheme, 0, &st)) return {false, false};
  return {st.lastFlagsZero, st.endsMidGroup};
}

bool EndsTidily(std::span<const std::uint8_t> rom, const TScanHit& hit) {
  return EndOf(rom, hit).tidy;
}

std::optional<TScanHit> CheckStream(std::span<const std::uint8_t> rom, std::size_t pos, int scheme,
                                    std::uint32_t minSize, TStreamStats* stats) {
  const TSchemeFormat* format = FindSchemeFormat(scheme);
  if (format == nullptr || format->check == nullptr) return std::nullopt;
  return format->check(rom, pos, minSize, stats);
}

}  // namespace tegulo
