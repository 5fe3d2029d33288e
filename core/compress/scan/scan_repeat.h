// Repeated bytes in the scan: fillers and tables repeat with a short period, and a candidate
// whose bytes repeat those of the candidate one period before meets the same fate. Each check
// of a candidate is a function of the bytes it read, so its outcome is kept and handed on
// while the bytes repeat; the comparison of the bytes is shared between candidates, so a
// filler costs time linear in its size whatever each candidate would read.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <span>
#include <vector>

namespace tegulo {

// The period compared: fillers of one byte, of two and of four repeat at 4 bytes, and a
// position 4 bytes before is checked at alignments 1, 2 and 4. 0 where no period fits the
// alignment.
inline std::size_t RepeatPeriod(std::size_t align) {
  const std::size_t p = std::lcm(align, std::size_t{4});
  return p <= 64 ? p : 0;
}

// Whether rom[from, to) equals the bytes `period` before it. What is known is one interval
// where the bytes repeat, grown in the direction the queries move and ended by the first
// mismatch met: queries in order (rising or falling) cost linear time over the whole ROM.
class TRepeatRange {
public:
  TRepeatRange(std::span<const std::uint8_t> rom, std::size_t period) : rom_(rom), d_(period) {}

  bool Same(std::size_t from, std::size_t to) {
    if (d_ == 0 || from < d_ || to > rom_.size()) return false;
    if (from > hi_ || to < lo_) lo_ = hi_ = from;  // apart from what is known: start over
    while (lo_ > from) {
      if (rom_[lo_ - 1] != rom_[lo_ - 1 - d_]) return false;
      --lo_;
    }
    while (hi_ < to) {
      if (rom_[hi_] != rom_[hi_ - d_]) return false;
      ++hi_;
    }
    return true;
  }

  // After Same() was true: the end of the repeating bytes that hold what it compared.
  std::size_t RunEnd() {
    while (hi_ < rom_.size() && rom_[hi_] == rom_[hi_ - d_]) ++hi_;
    return hi_;
  }

private:
  std::span<const std::uint8_t> rom_;
  std::size_t d_;
  std::size_t lo_ = 0;  // rom[j] == rom[j - d_] for every j in [lo_, hi_)
  std::size_t hi_ = 0;
};

// The outcomes of the candidates of the last period, a refusal each, with the bytes it read:
// a candidate a period later whose bytes repeat them is refused too. Positions must rise.
class TRefusals {
public:
  static constexpr std::size_t kToEnd = SIZE_MAX;

  TRefusals(std::span<const std::uint8_t> rom, std::size_t align)
      : rom_(rom),
        align_(align),
        period_(RepeatPeriod(align)),
        repeats_(rom, period_),
        kept_(period_) {}

  // Keeps that the candidate at `pos` was refused from what lies in [pos, end); kToEnd when
  // it read to the end of the ROM (a candidate that reads the same bytes runs out sooner).
  void Keep(std::size_t pos, std::size_t end) {
    if (period_ != 0) kept_[Slot(pos)] = {pos, end};
  }
  // Whether the candidate at `pos` is refused as the one a period before it was (then kept
  // as refused in its turn).
  bool Refused(std::size_t pos) {
    if (period_ == 0 || pos < period_) return false;
    const TKept before = kept_[Slot(pos)];
    if (before.pos + period_ != pos || before.end == 0) return false;
    const bool toEnd = before.end == kToEnd;
    if (!repeats_.Same(pos, toEnd ? rom_.size() : before.end + period_)) return false;
    Keep(pos, toEnd ? kToEnd : before.end + period_);
    return true;
  }

  // After Refused(pos): the next position at the alignment that a refusal handed on may
  // not settle. Where every position of the last period was refused, those after it whose
  // bytes up to their refusals' reach repeat are refused in turn (and kept so) without being
  // asked one by one: a filler costs each scheme a few steps, not one per byte.
  std::size_t PassOver(std::size_t pos) {
    const std::size_t next = pos + align_;
    if (period_ == 0 || pos + align_ < period_) return next;
    std::size_t reach = 0;  // the longest refusal of the last period, from its position
    for (std::size_t q = pos + align_ - period_; q <= pos; q += align_) {
      const TKept& k = kept_[Slot(q)];
      if (k.pos != q || k.end == 0) return next;
      reach = std::max(reach, k.end == kToEnd ? kToEnd : k.end - q);
    }
    const std::size_t runEnd = repeats_.RunEnd();
    if (reach == kToEnd)
      return runEnd == rom_.size() ? (rom_.size() + align_ - 1) / align_ * align_ : next;
    if (runEnd < reach || runEnd - reach < next) return next;
    const std::size_t last = pos + (runEnd - reach - pos) / align_ * align_;
    for (std::size_t q = last + align_ - period_; q <= last; q += align_) {
      TKept& k = kept_[Slot(q)];
      k.end = k.end == kToEnd ? kToEnd : k.end + (q - k.pos);
      k.pos = q;
    }
    return last + align_;
  }

private:
  // pos modulo the period; called at every position, so without a division where it can.
  std::size_t Slot(std::size_t pos) const {
    return (period_ & (period_ - 1)) == 0 ? pos & (period_ - 1) : pos % period_;
  }

  struct TKept {
    std::size_t pos = 0;
    std::size_t end = 0;  // 0: nothing kept
  };
  std::span<const std::uint8_t> rom_;
  std::size_t align_;
  std::size_t period_;
  TRepeatRange repeats_;
  std::vector<TKept> kept_;  // by position modulo the period
};

}  // namespace tegulo
