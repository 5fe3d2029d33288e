// The LZ77-10 stream checker and the linear scan. Whether a back-reference is valid depends
// only on how many bytes have been written, never on their values, so no output is kept.
#include "compress/scan/lz10_scan.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "compress/scan/flag_chains.h"
#include "compress/scan/scan_repeat.h"
#include "compress/shared/lz_copy.h"

namespace tegulo {
namespace {

// Past this much output no back-reference can reach before the start of the output.
constexpr std::uint32_t kMaxDistance = 4096;
// Output counts of the shared table saturate here, above any announced size (24 bits).
constexpr std::uint32_t kTailCap = 0x1000000;
// Positions between progress reports.
constexpr std::size_t kProgressStride = 1u << 16;

std::uint32_t Announced(const std::uint8_t* p) {
  return p[1] | p[2] << 8 | static_cast<std::uint32_t>(p[3]) << 16;
}

// One flag byte and its eight tokens from a flag-byte position, ignoring distances.
struct TGroup {
  std::size_t next;   // the position after the group
  std::uint32_t out;  // the output of the tokens read whole
  bool whole;         // false: the ROM ended inside the group
};

// A token walk's visitor that takes every token and counts them.
struct TCountTokens {
  unsigned tokens = 0;
  bool Literal(std::uint64_t /*out*/) {
    ++tokens;
    return true;
  }
  bool Reference(std::uint64_t /*out*/, lz10::TReference /*r*/) {
    ++tokens;
    return true;
  }
};

// The walk of one group: done after its eighth token.
struct TOneGroup : TCountTokens {
  bool Done(std::size_t /*in*/, std::uint64_t /*out*/) const { return tokens == 8; }
};

TGroup ReadGroup(std::span<const std::uint8_t> rom, std::size_t at) {
  TOneGroup visit;
  const lz10::TWalk w = lz10::WalkTokensFrom(rom, visit, at, 0);
  return {w.in, static_cast<std::uint32_t>(w.out), w.end == lz10::TWalkEnd::kDone};
}

// Tail figures are needed at most this far past a candidate's type byte: its output passes
// kMaxDistance within 4096 literals, 512 flag bytes and the header.
constexpr std::size_t kTailWindow = 8192;

class TLZ10Scanner {
public:
  TLZ10Scanner(std::span<const std::uint8_t> rom, std::uint32_t minSize, std::size_t align,
               bool refuseZeroRuns, std::size_t farBudget)
      : rom_(rom),
        p_(rom.data()),
        size_(rom.size()),
        minSize_(minSize),
        align_(align),
        refuseZeroRuns_(refuseZeroRuns),
        farBudget_(farBudget),
        upMemo_(RepeatPeriod(align)),
        upRepeats_(rom, upMemo_.size()),
        chains_(rom.size()) {}

  // As CheckLZ10Stream, for a position known to hold a type byte and a whole header; a
  // stream that runs past kMaxDistance is judged by JudgeFarFrom(), which `stop` may
  // interrupt (nothing is returned then and Stopped() tells). ReadEnd() tells afterwards how
  // far a refusal read (TRefusals::kToEnd where the end of the ROM decided it).
  std::optional<TLZ10Stream> Check(std::size_t pos, const TScanProgress& stop) {
    if (refuseZeroRuns_ && !far_.empty() && pos >= farFrom_ && zeroRun_[pos]) {
      readEnd_ = TRefusals::kToEnd;
      return std::nullopt;
    }
    const TNear near = NearUp(pos);
    readEnd_ = near.cut ? TRefusals::kToEnd : near.readEnd;
    if (!near.alive) return std::nullopt;
    const std::uint32_t announced = Announced(p_ + pos);
    if (!near.far) return TLZ10Stream{pos, announced, static_cast<std::uint32_t>(near.in - pos)};
    if (far_.empty() && farWork_ < FarBudget()) return WalkFar(pos, near, announced);
    if (far_.empty() && !JudgeFarFrom(pos, stop)) return std::nullopt;
    readEnd_ = TRefusals::kToEnd;  // the tokens from here run out of ROM
    if (!far_[pos]) return std::nullopt;
    return TLZ10Stream{pos, announced,
                       static_cast<std::uint32_t>(End(near.in, near.out, announced) - pos)};
  }
  bool Stopped() const { return stopped_; }
  std::size_t ReadEnd() const { return readEnd_; }

private:
  struct TNear {
    bool alive;           // no rule broken while the output stays below kMaxDistance
    bool far;             // the output reached kMaxDistance before the announced size
    bool cut;             // the ROM ended before that
    std::size_t in;       // then the flag-byte position reached, else the stream's end
    std::uint32_t out;    // the output so far
    std::size_t readEnd;  // the end of the bytes read
  };

  static TNear Broken(std::size_t readEnd, bool cut) { return {false, false, cut, 0, 0, readEnd}; }

  // With refuseZeroRuns: whether the group at flag-byte position `in` is a flag byte of 0
  // and five literal zeros, the fifth of which a stream with `out` bytes written before the
  // group writes.
  bool ZeroRunAt(std::size_t in, std::uint64_t out, std::uint32_t announced) const {
    constexpr std::size_t kZeros = 6;
    return refuseZeroRuns_ && out + kZeros - 2 < announced && size_ - in >= kZeros &&
           std::all_of(p_ + in, p_ + in + kZeros, [](std::uint8_t b) { return b == 0; });
  }

  // The decode of the stream at `pos` until its output reaches the announced size or
  // kMaxDistance, whichever comes first: bounded work. With refuseZeroRuns, a walk that
  // meets one refused before at the same flag-byte position ends there.
  TNear Near(std::size_t pos) {
    // The walk ends at the announced size, or at the first flag byte with kMaxDistance
    // written; every reference reaches inside the output.
    struct TNearWalk {
      TLZ10Scanner& scanner;
      std::uint32_t announced;
      unsigned tokens = 0;
      std::size_t refusedTo = 0;  // the bytes that decided a refusal for a zero run
      bool Done(std::size_t in, std::uint64_t out) {
        if (out >= announced || (tokens % 8 == 0 && out >= kMaxDistance)) return true;
        if (tokens % 8 != 0 || !scanner.refuseZeroRuns_) return false;
        return scanner.ZeroRunOrMet(in, out, announced, tokens != 0, refusedTo);
      }
      bool Literal(std::uint64_t /*out*/) {
        ++tokens;
        return true;
      }
      bool Reference(std::uint64_t out, lz10::TReference r) {
        ++tokens;
        return r.distance <= out;
      }
    } visit{*this, Announced(p_ + pos)};
    if (refuseZeroRuns_) chains_.Begin();
    const lz10::TWalk w = lz10::WalkTokensFrom(rom_, visit, pos + lz10::kHeaderSize, 0);
    const auto out = static_cast<std::uint32_t>(w.out);
    if (visit.refusedTo != 0) {
      return Broken(visit.refusedTo, visit.refusedTo == TRefusals::kToEnd);
    }
    switch (w.end) {
      case lz10::TWalkEnd::kCut:
        if (refuseZeroRuns_) chains_.Refuse(w.out, TRefusals::kToEnd);
        return Broken(w.in, true);
      case lz10::TWalkEnd::kStopped: return Broken(w.in, false);
      case lz10::TWalkEnd::kDone: break;
    }
    return {true, out < visit.announced, false, w.in, out, w.in};
  }

  // At a flag-byte position of a walk with refuseZeroRuns: true where five literal zeros
  // come, or where a walk refused before is met (`refusedTo` then the bytes that decided
  // it); else the position is noted (`note`) for the walks to come.
  bool ZeroRunOrMet(std::size_t in, std::uint64_t out, std::uint32_t announced, bool note,
                    std::size_t& refusedTo) {
    if (ZeroRunAt(in, out, announced)) {
      refusedTo = in + 6;
      chains_.Refuse(out + 4, refusedTo);
      return true;
    }
    return note && chains_.Meets(in, out, announced, refusedTo);
  }

  // Near(q), or the result of the candidate a period after q shifted, when the bytes it read
  // repeat there (the pass below goes down the ROM).
  struct TNearMemo {
    std::size_t pos = 0;
    TNear near{};
  };
  TNear NearDown(std::size_t q, std::vector<TNearMemo>& memo, TRepeatRange& repeats) {
    const std::size_t period = memo.size();
    if (period == 0) return Near(q);
    TNearMemo& m = memo[q % period];
    if (m.pos == q + period && !m.near.cut && m.near.readEnd != 0 &&
        repeats.Same(q + period, m.near.readEnd)) {
      TNear n = m.near;
      n.in -= period;
      n.readEnd -= period;
      m = {q, n};
      return n;
    }
    m = {q, Near(q)};
    return m.near;
  }

  // Near(pos), or the result of the candidate a period before shifted, when the bytes it
  // read repeat here (the scan goes up the ROM; fillers).
  TNear NearUp(std::size_t pos) {
    const std::size_t period = upMemo_.size();
    if (period == 0) return Near(pos);
    TNearMemo& m = upMemo_[pos % period];
    if (m.pos + period == pos && !m.near.cut && m.near.readEnd != 0 &&
        upRepeats_.Same(pos, m.near.readEnd + period)) {
      TNear n = m.near;
      n.in += period;
      n.readEnd += period;
      m = {pos, n};
      return n;
    }
    m = {pos, Near(pos)};
    return m.near;
  }

  // Judges, in one pass from the end of the ROM down to `from`, every candidate at or after
  // `from` whose output passes kMaxDistance: from there only the end of the ROM can break it,
  // so it holds iff the tokens from its flag-byte position yield the rest of its output
  // before the ROM ends. That figure (the tail) is worked out for every position from the
  // tails of the next few positions, kept in a ring of kTailWindow: linear time, and memory
  // of a bit per ROM byte. Returns false when `stop` stopped it.
  //
  // With refuseZeroRuns, the same pass finds the candidates whose tokens meet, before their
  // output ends, a flag byte of 0 followed by five zeros (five literal zeros in a row): for
  // each position, the output its tokens yield before such a flag byte (zeroCut).
  bool JudgeFarFrom(std::size_t from, const TScanProgress& stop) {
    far_.assign(size_ + 1, false);
    farFrom_ = from;
    if (refuseZeroRuns_) zeroRun_.assign(size_ + 1, false);
    TTails tails(size_, refuseZeroRuns_);
    std::vector<TNearMemo> memo(RepeatPeriod(align_));
    TRepeatRange repeats(rom_, memo.size());
    std::size_t nextReport = size_ > kProgressStride ? size_ - kProgressStride : 0;
    for (std::size_t q = size_; q-- > from;) {
      if (q < nextReport) {
        nextReport = q > kProgressStride ? q - kProgressStride : 0;
        if (stop && !stop(from, size_)) {
          stopped_ = true;
          return false;
        }
      }
      const TGroup g = ReadGroup(rom_, q);
      tails.SetTail(q, g.whole ? std::min(kTailCap, g.out + tails.TailAt(g.next)) : g.out);
      if (refuseZeroRuns_) tails.SetCut(q, ZeroCut(q, g, tails));
      if (p_[q] == lz10::kTypeByte && q % align_ == 0 && size_ - q >= 4) {
        JudgeFar(q, tails, memo, repeats);
      }
    }
    return true;
  }

  // The tail figures of JudgeFarFrom() for the positions within kTailWindow above the one
  // worked on; past the end of the ROM a tail is 0 and a zero cut kTailCap.
  class TTails {
  public:
    TTails(std::size_t size, bool zeroCuts)
        : size_(size), tail_(kTailWindow, 0), zeroCut_(zeroCuts ? kTailWindow : 0, kTailCap) {}
    std::uint32_t TailAt(std::size_t q) const { return q >= size_ ? 0U : tail_[q % kTailWindow]; }
    std::uint32_t CutAt(std::size_t q) const {
      return q >= size_ ? kTailCap : zeroCut_[q % kTailWindow];
    }
    void SetTail(std::size_t q, std::uint32_t v) { tail_[q % kTailWindow] = v; }
    void SetCut(std::size_t q, std::uint32_t v) { zeroCut_[q % kTailWindow] = v; }

  private:
    std::size_t size_;
    std::vector<std::uint32_t> tail_;     // saturated at kTailCap
    std::vector<std::uint32_t> zeroCut_;  // with refuseZeroRuns only
  };

  // JudgeFarFrom()'s verdict on the candidate at q (a type byte at an aligned position with
  // a whole header), the tails above it known.
  void JudgeFar(std::size_t q, const TTails& tails, std::vector<TNearMemo>& memo,
                TRepeatRange& repeats) {
    const std::uint32_t announced = Announced(p_ + q);
    if (announced < minSize_) return;
    if (refuseZeroRuns_ && tails.CutAt(q + 4) < announced) {
      zeroRun_[q] = true;
      return;
    }
    const TNear near = NearDown(q, memo, repeats);
    if (near.alive && near.far) far_[q] = tails.TailAt(near.in) >= announced - near.out;
  }

  // The output the tokens from flag-byte position q yield before a flag byte of 0 with five
  // zeros after it (whose fifth literal a walk with less output reaches); kTailCap when none
  // comes before the end of the ROM.
  std::uint32_t ZeroCut(std::size_t q, const TGroup& g, const TTails& tails) const {
    constexpr std::size_t kZeros = 6;
    if (size_ - q >= kZeros &&
        std::all_of(p_ + q, p_ + q + kZeros, [](std::uint8_t b) { return b == 0; })) {
      return kZeros - 2;
    }
    return g.whole ? std::min(kTailCap, g.out + tails.CutAt(g.next)) : kTailCap;
  }

  // Far candidates are walked on their own, group by group, until the work passes this many
  // bytes; the shared table of JudgeFarFrom() judges the rest. Real streams cost their
  // length (which scoring them costs again), chance ones in fillers end at a zero run soon.
  std::size_t FarBudget() const {
    return farBudget_ != SIZE_MAX ? farBudget_ : 4 * size_ + (1U << 20U);
  }

  // Judges a far candidate (the output passed kMaxDistance at near.in): only the end of the
  // ROM, or with refuseZeroRuns five literal zeros, can refuse it now. In fillers the
  // candidates' groups soon fall in step with those of one refused before.
  std::optional<TLZ10Stream> WalkFar(std::size_t pos, const TNear& near, std::uint32_t announced) {
    struct TFarWalk : TCountTokens {
      TLZ10Scanner& scanner;
      std::uint32_t announced;
      std::size_t refusedTo = 0;
      bool Done(std::size_t in, std::uint64_t out) {
        if (out >= announced) return true;
        return tokens % 8 == 0 && scanner.ZeroRunOrMet(in, out, announced, true, refusedTo);
      }
    } visit{{}, *this, announced};
    chains_.Begin();
    const lz10::TWalk w = lz10::WalkTokensFrom(rom_, visit, near.in, near.out);
    farWork_ += w.in - near.in;
    readEnd_ = visit.refusedTo;
    if (w.end == lz10::TWalkEnd::kCut) {
      chains_.Refuse(w.out, TRefusals::kToEnd);
      readEnd_ = TRefusals::kToEnd;
    }
    if (readEnd_ == 0) return TLZ10Stream{pos, announced, static_cast<std::uint32_t>(w.in - pos)};
    return std::nullopt;
  }

  // The position after the token that brings the output to `announced`, from flag-byte
  // position `in` with `out` bytes written; the bytes are known to be there.
  std::size_t End(std::size_t in, std::uint32_t out, std::uint32_t announced) const {
    struct TToSize {
      std::uint32_t announced;
      bool Done(std::size_t /*in*/, std::uint64_t o) const { return o >= announced; }
      static bool Literal(std::uint64_t /*out*/) { return true; }
      static bool Reference(std::uint64_t /*out*/, lz10::TReference /*r*/) { return true; }
    } visit{announced};
    return lz10::WalkTokensFrom(rom_, visit, in, out).in;
  }

  std::span<const std::uint8_t> rom_;
  const std::uint8_t* p_;
  std::size_t size_;
  std::uint32_t minSize_;
  std::size_t align_;
  bool refuseZeroRuns_;
  std::size_t farBudget_;
  std::vector<bool> far_;          // by position: a far candidate that holds (empty until needed)
  std::size_t farFrom_ = 0;        // the first position far_ and zeroRun_ tell
  std::vector<bool> zeroRun_;      // by position: a candidate refused for five literal zeros
  std::vector<TNearMemo> upMemo_;  // NearUp()'s, by position modulo the period
  TRepeatRange upRepeats_;
  std::size_t farWork_ = 0;  // bytes walked by WalkFar()
  TChainRefusals chains_;    // of Near() with refuseZeroRuns, and of WalkFar()
  bool stopped_ = false;
  std::size_t readEnd_ = 0;
};

}  // namespace

namespace {

// Nothing to see: the walk alone.
struct TBareWalk {
  static bool Literal(std::uint32_t /*out*/, std::uint8_t /*byte*/) { return true; }
  static bool Reference(std::uint32_t /*out*/, std::uint32_t /*length*/) { return true; }
  static void LastFlags(unsigned /*rest*/) {}
};

}  // namespace

std::optional<TLZ10Stream> CheckLZ10Stream(std::span<const std::uint8_t> rom, std::size_t pos) {
  TBareWalk visit;
  return WalkLZ10(rom, pos, visit);
}

namespace {

// A stream the checker passed, as options.accept says: refused for what its bytes hold, or
// found, hiding the positions inside it (freeFrom then its end) or not.
void Take(const TLZ10Stream& s, const TLZ10ScanOptions& options, std::vector<TLZ10Stream>& found,
          TRefusals& refusals, std::size_t& freeFrom) {
  using TAccept = TLZ10ScanOptions::TAccept;
  const TAccept taken = options.accept ? options.accept(s) : TAccept::kTakeAndHide;
  if (taken == TAccept::kRefuse) {
    refusals.Keep(s.address, s.address + s.comprSize);
    return;
  }
  found.push_back(s);
  if (taken == TAccept::kTakeAndHide && !options.overlaps) freeFrom = s.address + s.comprSize;
}

}  // namespace

std::vector<TLZ10Stream> ScanLZ10(std::span<const std::uint8_t> rom,
                                  const TLZ10ScanOptions& options) {
  std::vector<TLZ10Stream> found;
  const std::size_t align = options.align == 0 ? 1 : options.align;
  const std::size_t size = rom.size();
  if (size < 4) return found;
  const std::uint8_t* p = rom.data();
  const std::size_t last = size - 4;  // the last position that holds a whole header
  TLZ10Scanner scanner(rom, options.minSize, align, options.refuseZeroRuns, options.farWalkBudget);
  TRefusals refusals(rom, align);
  std::size_t nextReport = kProgressStride;
  std::size_t freeFrom = 0;  // positions before this lie inside a stream found
  for (std::size_t pos = 0; pos <= last; pos += align) {
    if (pos >= nextReport) {
      nextReport = pos + kProgressStride;
      if (options.progress && !options.progress(pos, size)) break;
    }
    if (p[pos] != 0x10 || pos < freeFrom) continue;
    if (Announced(p + pos) < options.minSize || refusals.Refused(pos)) continue;
    const auto s = scanner.Check(pos, options.progress);
    if (scanner.Stopped()) break;
    if (!s) {
      refusals.Keep(pos, scanner.ReadEnd());
      continue;
    }
    Take(*s, options, found, refusals, freeFrom);
  }
  return found;
}

std::size_t SampleLZ10Stream(std::span<const std::uint8_t> stream, std::uint32_t rawSize,
                             std::span<std::uint8_t> output) {
  struct TSample {
    std::span<std::uint8_t> output;
    std::size_t stop;
    std::size_t o = 0;
    bool Done(std::size_t /*in*/, std::uint64_t /*out*/) const { return o >= stop; }
    bool Literal(std::uint64_t /*out*/, std::uint8_t v) {
      output[o++] = v;  // o < stop <= output.size()
      return true;
    }
    bool Reference(std::uint64_t /*out*/, lz10::TReference r) {
      const std::size_t fit = std::min(r.length, output.size() - o);
      lz::CopyChecked(output.data(), o, r.distance, fit);
      o += fit;
      return true;
    }
  } visit{output, std::min<std::size_t>(rawSize, output.size())};
  lz10::WalkTokens(stream, visit);
  return visit.stop;
}

}  // namespace tegulo
