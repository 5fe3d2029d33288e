// The LZ77-10 stream checker and the linear scan. Whether a back-reference is valid depends
// only on how many bytes have been written, never on their values, so no output is kept.
#include "compress/lz10_scan.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

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

TGroup ReadGroup(const std::uint8_t* p, std::size_t size, std::size_t at) {
  if (at >= size) return {at, 0, false};
  const unsigned flags = p[at];
  std::size_t in = at + 1;
  std::uint32_t out = 0;
  for (unsigned mask = 0x80; mask != 0; mask >>= 1) {
    if ((flags & mask) == 0) {
      if (in >= size) return {in, out, false};
      ++in;
      ++out;
    } else {
      if (size - in < 2) return {in, out, false};
      out += (p[in] >> 4) + 3u;
      in += 2;
    }
  }
  return {in, out, true};
}

// Tail figures are needed at most this far past a candidate's type byte: its output passes
// kMaxDistance within 4096 literals, 512 flag bytes and the header.
constexpr std::size_t kTailWindow = 8192;

class TLZ10Scanner {
public:
  TLZ10Scanner(std::span<const std::uint8_t> rom, std::uint32_t minSize, std::size_t align)
      : p_(rom.data()), size_(rom.size()), minSize_(minSize), align_(align) {}

  // As CheckLZ10Stream, for a position known to hold a type byte and a whole header; a
  // stream that runs past kMaxDistance is judged by Far(), which `stop` may interrupt
  // (nothing is returned then and Stopped() tells).
  std::optional<TLZ10Stream> Check(std::size_t pos, const TScanProgress& stop) {
    const auto near = Near(pos);
    if (!near.alive) return std::nullopt;
    if (!near.far) {
      return TLZ10Stream{pos, Announced(p_ + pos), static_cast<std::uint32_t>(near.in - pos)};
    }
    if (far_.empty() && !JudgeFarFrom(pos, stop)) return std::nullopt;
    if (!far_[pos]) return std::nullopt;
    const std::uint32_t announced = Announced(p_ + pos);
    return TLZ10Stream{pos, announced,
                       static_cast<std::uint32_t>(End(near.in, near.out, announced) - pos)};
  }
  bool Stopped() const { return stopped_; }

private:
  struct TNear {
    bool alive;         // no rule broken while the output stays below kMaxDistance
    bool far;           // the output reached kMaxDistance before the announced size
    std::size_t in;     // then the flag-byte position reached, else the stream's end
    std::uint32_t out;  // the output so far
  };

  // The decode of the stream at `pos` until its output reaches the announced size or
  // kMaxDistance, whichever comes first: bounded work.
  TNear Near(std::size_t pos) const {
    const std::uint32_t announced = Announced(p_ + pos);
    std::size_t in = pos + 4;
    std::uint32_t out = 0;
    while (out < announced) {
      if (out >= kMaxDistance) return {true, true, in, out};
      if (in >= size_) return {false, false, 0, 0};
      const unsigned flags = p_[in++];
      for (unsigned mask = 0x80; mask != 0 && out < announced; mask >>= 1) {
        if ((flags & mask) == 0) {
          if (in >= size_) return {false, false, 0, 0};
          ++in;
          ++out;
        } else {
          if (size_ - in < 2) return {false, false, 0, 0};
          const unsigned b0 = p_[in];
          const unsigned distance = ((b0 & 0x0Fu) << 8 | p_[in + 1]) + 1;
          if (distance > out) return {false, false, 0, 0};
          in += 2;
          out += (b0 >> 4) + 3;
        }
      }
    }
    return {true, false, in, out};
  }

  // Judges, in one pass from the end of the ROM down to `from`, every candidate at or after
  // `from` whose output passes kMaxDistance: from there only the end of the ROM can break it,
  // so it holds iff the tokens from its flag-byte position yield the rest of its output
  // before the ROM ends. That figure (the tail) is worked out for every position from the
  // tails of the next few positions, kept in a ring of kTailWindow: linear time, and memory
  // of a bit per ROM byte. Returns false when `stop` stopped it.
  bool JudgeFarFrom(std::size_t from, const TScanProgress& stop) {
    far_.assign(size_ + 1, false);
    std::vector<std::uint32_t> tail(kTailWindow, 0);  // saturated at kTailCap
    const auto tailAt = [&](std::size_t q) { return q >= size_ ? 0u : tail[q % kTailWindow]; };
    std::size_t nextReport = size_ > kProgressStride ? size_ - kProgressStride : 0;
    for (std::size_t q = size_; q-- > from;) {
      if (q < nextReport) {
        nextReport = q > kProgressStride ? q - kProgressStride : 0;
        if (stop && !stop(from, size_)) {
          stopped_ = true;
          return false;
        }
      }
      const TGroup g = ReadGroup(p_, size_, q);
      tail[q % kTailWindow] = g.whole ? std::min(kTailCap, g.out + tailAt(g.next)) : g.out;
      if (q % align_ != 0 || p_[q] != 0x10 || size_ - q < 4) continue;
      const std::uint32_t announced = Announced(p_ + q);
      if (announced < minSize_) continue;
      const TNear near = Near(q);
      if (near.alive && near.far) far_[q] = tailAt(near.in) >= announced - near.out;
    }
    return true;
  }

  // The position after the token that brings the output to `announced`, from flag-byte
  // position `in` with `out` bytes written; the bytes are known to be there.
  std::size_t End(std::size_t in, std::uint32_t out, std::uint32_t announced) const {
    for (;;) {
      const unsigned flags = p_[in++];
      for (unsigned mask = 0x80; mask != 0; mask >>= 1) {
        if ((flags & mask) == 0) {
          ++in;
          ++out;
        } else {
          out += (p_[in] >> 4) + 3u;
          in += 2;
        }
        if (out >= announced) return in;
      }
    }
  }

  const std::uint8_t* p_;
  std::size_t size_;
  std::uint32_t minSize_;
  std::size_t align_;
  std::vector<bool> far_;  // by position: a far candidate that holds (empty until needed)
  bool stopped_ = false;
};

}  // namespace

std::optional<TLZ10Stream> CheckLZ10Stream(std::span<const std::uint8_t> rom, std::size_t pos) {
  const std::size_t size = rom.size();
  if (pos >= size || size - pos < 4 || rom[pos] != 0x10) return std::nullopt;
  const std::uint8_t* p = rom.data();
  const std::uint32_t announced = Announced(p + pos);

  std::size_t in = pos + 4;
  std::uint32_t out = 0;
  unsigned flags = 0;
  unsigned mask = 0;
  while (out < announced) {
    mask >>= 1;
    if (mask == 0) {
      if (in >= size) return std::nullopt;
      flags = p[in++];
      mask = 0x80;
    }
    if ((flags & mask) == 0) {
      if (in >= size) return std::nullopt;
      ++in;
      ++out;
    } else {
      if (size - in < 2) return std::nullopt;
      const unsigned b0 = p[in];
      const unsigned distance = ((b0 & 0x0Fu) << 8 | p[in + 1]) + 1;
      if (distance > out) return std::nullopt;
      in += 2;
      out += (b0 >> 4) + 3;
    }
  }
  return TLZ10Stream{pos, announced, static_cast<std::uint32_t>(in - pos)};
}

std::vector<TLZ10Stream> ScanLZ10(std::span<const std::uint8_t> rom, TLZ10ScanOptions options) {
  std::vector<TLZ10Stream> found;
  const std::size_t align = options.align == 0 ? 1 : options.align;
  const std::size_t size = rom.size();
  if (size < 4) return found;
  const std::uint8_t* p = rom.data();
  const std::size_t last = size - 4;  // the last position that holds a whole header
  TLZ10Scanner scanner(rom, options.minSize, align);
  std::size_t nextReport = kProgressStride;
  std::size_t freeFrom = 0;  // positions before this lie inside a stream found
  for (std::size_t pos = 0; pos <= last; pos += align) {
    if (pos >= nextReport) {
      nextReport = pos + kProgressStride;
      if (options.progress && !options.progress(pos, size)) break;
    }
    if (p[pos] != 0x10 || pos < freeFrom) continue;
    if (Announced(p + pos) < options.minSize) continue;
    if (auto s = scanner.Check(pos, options.progress)) {
      if (options.accept && !options.accept(*s)) continue;
      found.push_back(*s);
      if (!options.overlaps) freeFrom = pos + s->comprSize;
    }
    if (scanner.Stopped()) break;
  }
  return found;
}

}  // namespace tegulo
