// The LZ77-10 stream checker and the linear scan. Whether a back-reference is valid depends
// only on how many bytes have been written, never on their values, so no output is kept.
#include "compress/lz10_scan.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

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

struct TFreeDeleter {
  void operator()(std::uint32_t* p) const { std::free(p); }
};

class TLZ10Scanner {
public:
  explicit TLZ10Scanner(std::span<const std::uint8_t> rom) : p_(rom.data()), size_(rom.size()) {}

  // As CheckLZ10Stream, for a position known to hold a type byte and a whole header.
  std::optional<TLZ10Stream> Check(std::size_t pos) {
    const std::uint32_t announced = Announced(p_ + pos);
    std::size_t in = pos + 4;
    std::uint32_t out = 0;
    while (out < announced) {
      if (out >= kMaxDistance) {
        // At a flag byte with every reference from here in reach: the stream holds iff the
        // tokens from here yield the rest before the ROM ends.
        if (Tail(in) < announced - out) return std::nullopt;
        return TLZ10Stream{pos, announced,
                           static_cast<std::uint32_t>(End(in, out, announced) - pos)};
      }
      if (in >= size_) return std::nullopt;
      const unsigned flags = p_[in++];
      for (unsigned mask = 0x80; mask != 0 && out < announced; mask >>= 1) {
        if ((flags & mask) == 0) {
          if (in >= size_) return std::nullopt;
          ++in;
          ++out;
        } else {
          if (size_ - in < 2) return std::nullopt;
          const unsigned b0 = p_[in];
          const unsigned distance = ((b0 & 0x0Fu) << 8 | p_[in + 1]) + 1;
          if (distance > out) return std::nullopt;
          in += 2;
          out += (b0 >> 4) + 3;
        }
      }
    }
    return TLZ10Stream{pos, announced, static_cast<std::uint32_t>(in - pos)};
  }

private:
  // The output of the tokens from flag-byte position `at` until the ROM runs out, saturated
  // at kTailCap. Each position's figure is worked out once, from the figure of the position
  // after its group, so the table costs linear time over the whole scan.
  std::uint32_t Tail(std::size_t at) {
    if (!tail_) {
      // calloc: zero pages come from the system lazily, so untouched parts cost nothing.
      tail_.reset(static_cast<std::uint32_t*>(std::calloc(size_ + 1, sizeof(std::uint32_t))));
      if (!tail_) throw std::bad_alloc();
    }
    path_.clear();
    std::uint32_t acc = 0;
    std::size_t q = at;
    for (;;) {
      if (q >= size_) break;
      if (tail_[q] != 0) {
        acc = tail_[q] - 1;  // stored plus one: 0 means not yet known
        break;
      }
      const TGroup g = ReadGroup(p_, size_, q);
      path_.push_back({q, g.out});
      if (!g.whole) break;
      q = g.next;
    }
    for (auto it = path_.rbegin(); it != path_.rend(); ++it) {
      acc = std::min(kTailCap, acc + it->second);
      tail_[it->first] = acc + 1;
    }
    return acc;
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
  std::unique_ptr<std::uint32_t[], TFreeDeleter> tail_;
  std::vector<std::pair<std::size_t, std::uint32_t>> path_;
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
  TLZ10Scanner scanner(rom);
  std::size_t nextReport = kProgressStride;
  std::size_t freeFrom = 0;  // positions before this lie inside a stream found
  for (std::size_t pos = 0; pos <= last; pos += align) {
    if (pos >= nextReport) {
      nextReport = pos + kProgressStride;
      if (options.progress && !options.progress(pos, size)) break;
    }
    if (p[pos] != 0x10 || pos < freeFrom) continue;
    if (Announced(p + pos) < options.minSize) continue;
    if (auto s = scanner.Check(pos)) {
      found.push_back(*s);
      if (!options.overlaps) freeFrom = pos + s->comprSize;
    }
  }
  return found;
}

std::size_t SampleLZ10Stream(std::span<const std::uint8_t> stream, std::uint32_t rawSize,
                             std::span<std::uint8_t> output) {
  const std::uint8_t* p = stream.data();
  std::size_t in = 4;
  std::size_t o = 0;
  const std::size_t stop = std::min<std::size_t>(rawSize, output.size());
  while (o < stop) {
    const unsigned flags = p[in++];
    for (unsigned mask = 0x80; mask != 0 && o < stop; mask >>= 1) {
      if ((flags & mask) == 0) {
        output[o++] = p[in++];
      } else {
        const std::size_t len = (p[in] >> 4) + 3U;
        const std::size_t distance = ((p[in] & 0x0FU) << 8 | p[in + 1]) + 1;
        in += 2;
        for (std::size_t i = 0; i < len && o < output.size(); ++i, ++o) {
          output[o] = output[o - distance];
        }
      }
    }
  }
  return stop;
}

}  // namespace tegulo
