// The one walk of the SNES command formats: reads each header, looks the command up in the
// format's table (command_formats.h) and does what its kind says. The decoder writes the
// output; the scan's checker walks without writing (only positions count) and is told of each
// command.
#pragma once

#include <algorithm>
#include <array>
#include <cstring>

#include "compress/commands/command_formats.h"

namespace tegulo::command {

// The byte with its bit order reversed, for every byte.
inline constexpr std::array<std::uint8_t, 256> kReversedBits = [] {
  std::array<std::uint8_t, 256> t{};
  for (unsigned b = 0; b < 256; ++b) {
    unsigned r = 0;
    for (unsigned k = 0; k < 8; ++k) r |= ((b >> k) & 1U) << (7 - k);
    t[b] = static_cast<std::uint8_t>(r);
  }
  return t;
}();

// One decoded command, as a hook sees it.
struct TStep {
  unsigned cmd = 0;
  const TRule* rule = nullptr;
  std::size_t count = 0;     // as the header says (pairs for HAL's word fill)
  std::size_t outStart = 0;  // where its output begins
  std::size_t inStart = 0;   // its header
  std::size_t inEnd = 0;     // past its arguments
};

// Told of each command once it is decoded; returning false stops the walk as invalid.
class TCommandHook {
public:
  virtual bool Step(const TStep& step) = 0;

protected:
  ~TCommandHook() = default;
};

namespace walk {

// Writes `n` bytes at dst from src, as a copy of `kind` reads them; room was checked.
inline void Copy(TKind kind, std::uint8_t* dst, const std::uint8_t* src, std::size_t n) {
  switch (kind) {
    case kRepeatBack:
      for (std::size_t k = 0; k < n; ++k) dst[k] = *(src - k);
      return;
    case kRepeatBits:
      for (std::size_t k = 0; k < n; ++k) dst[k] = kReversedBits[src[k]];
      return;
    case kRepeatXor:
    case kRelativeXor:
      for (std::size_t k = 0; k < n; ++k) dst[k] = static_cast<std::uint8_t>(~src[k]);
      return;
    default: break;
  }
  // Short copies go a byte at a time, cheaper than a library call; so do overlapping ones,
  // which repeat bytes.
  if (n >= 16 && static_cast<std::size_t>(dst - src) >= n) {
    std::memcpy(dst, src, n);
    return;
  }
  for (std::size_t k = 0; k < n; ++k) dst[k] = src[k];
}

inline void Fill(TKind kind, std::uint8_t* dst, const std::uint8_t* arg, std::size_t n) {
  if (kind == kByteFill) {
    std::memset(dst, arg[0], n);
    return;
  }
  const std::uint8_t a = arg[0];
  if (kind == kIncFill) {
    for (std::size_t k = 0; k < n; ++k) dst[k] = static_cast<std::uint8_t>(a + k);
    return;
  }
  const std::uint8_t b = arg[1];
  for (std::size_t k = 0; k + 1 < n; k += 2) {
    dst[k] = a;
    dst[k + 1] = b;
  }
  if ((n & 1U) != 0) dst[n - 1] = a;
}

}  // namespace walk

// Walks `s` by the format's table, writing up to `limit` bytes at `out` (at most 65,536).
// With kCountOnly nothing is written (only positions count): a copy's source depends on the
// counts alone, so the rules are checked all the same, in time linear in the stream's length
// rather than its output's. The state lives in locals, apart from the output that stores may
// reach. Kept whole as the hot path of the family's decoder: split into helpers (always
// inlined) it runs about 10 % slower.
template <bool kCountOnly>
// NOLINTNEXTLINE(readability-function-cognitive-complexity)
TCommandResult Walk(const TCommandFormat& f, std::span<const std::uint8_t> s, std::uint8_t* out,
                    std::size_t limit, TCommandHook* hook) {
  const std::uint8_t* const src = s.data();
  const std::size_t size = s.size();
  std::size_t in = 0;
  std::size_t pos = 0;
  std::uint32_t commands = 0;
  std::uint32_t copies = 0;
  std::uint32_t copyBytes = 0;
  const auto stop = [&](TCommandEnd e) {
    return TCommandResult{static_cast<std::uint32_t>(in),
                          static_cast<std::uint32_t>(pos),
                          e,
                          commands,
                          copies,
                          copyBytes};
  };
  for (;;) {
    if (in >= size) return stop(TCommandEnd::kTruncated);
    const unsigned h = src[in++];
    if (h == 0xFFU) return stop(TCommandEnd::kEnd);
    const std::size_t inStart = in - 1;
    const std::size_t outStart = pos;
    unsigned cmd = h >> 5;
    std::size_t count = (h & 0x1FU) + 1;
    if (cmd == 7) {
      if (in >= size) return stop(TCommandEnd::kTruncated);
      cmd = (h >> 2) & 7U;
      count = ((h & 3U) << 8 | src[in++]) + 1;
    }
    const TRule& rule = f.commands[cmd];
    ++commands;
    if (rule.kind == kInvalid) return stop(TCommandEnd::kInvalid);
    const std::size_t n = count * rule.unit;
    if (rule.kind == kDirect) {
      // What there is of a direct copy is written before the stream ends.
      const std::size_t have = std::min(n, size - in);
      const std::size_t put = std::min(have, limit - pos);
      if (!kCountOnly && put != 0) std::memcpy(out + pos, src + in, put);
      pos += put;
      if (put < have) return stop(TCommandEnd::kFull);
      in += have;
      if (have < n) return stop(TCommandEnd::kTruncated);
    } else {
      if (in + rule.argBytes > size) return stop(TCommandEnd::kTruncated);
      const std::uint8_t* arg = src + in;
      std::size_t source = 0;
      if (rule.address == TAddress::kRelative) {
        if (arg[0] == 0 || arg[0] > pos) return stop(TCommandEnd::kInvalid);
        source = pos - arg[0];
      } else if (rule.address == TAddress::kAbsolute) {
        source = f.bigEndian ? arg[0] << 8 | arg[1] : arg[1] << 8 | arg[0];
        // A source not yet written: the games would read stale memory.
        if (source >= pos || (rule.kind == kRepeatBack && source + 1 < n)) {
          return stop(TCommandEnd::kInvalid);
        }
      }
      in += rule.argBytes;  // only once the source is good: an invalid one is not consumed
      const std::size_t put = std::min(n, limit - pos);
      if (rule.address == TAddress::kNone) {
        if (!kCountOnly) walk::Fill(rule.kind, out + pos, arg, put);
      } else {
        ++copies;
        copyBytes += static_cast<std::uint32_t>(n);
        if (!kCountOnly) walk::Copy(rule.kind, out + pos, out + source, put);
      }
      pos += put;
      if (put < n) return stop(TCommandEnd::kFull);
    }
    if (hook != nullptr && !hook->Step({cmd, &rule, count, outStart, inStart, in})) {
      return stop(TCommandEnd::kInvalid);
    }
  }
}

}  // namespace tegulo::command
