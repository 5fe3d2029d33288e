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

class TWalker {
public:
  // With `countOnly` nothing is written to `out` (only its size counts): a copy's source
  // depends on the count alone, so the rules are checked all the same, in time linear in the
  // stream's length rather than its output's.
  TWalker(const TCommandFormat& format, std::span<const std::uint8_t> s, TDecodeBuffer& out,
          TCommandHook* hook = nullptr, bool countOnly = false)
      : f_(format),
        s_(s),
        out_(out.data()),
        limit_(std::min(out.size(), kCommandOutputLimit)),
        hook_(hook),
        countOnly_(countOnly) {}

  TCommandResult Run() {
    for (;;) {
      if (in_ >= s_.size()) return Stop(TCommandEnd::kTruncated);
      const unsigned h = s_[in_++];
      if (h == 0xFFU) return Stop(TCommandEnd::kEnd);
      TStep step{h >> 5, nullptr, (h & 0x1FU) + 1, pos_, in_ - 1, 0};
      if (step.cmd == 7) {
        if (in_ >= s_.size()) return Stop(TCommandEnd::kTruncated);
        step.cmd = (h >> 2) & 7U;
        step.count = ((h & 3U) << 8 | s_[in_++]) + 1;
      }
      step.rule = &f_.commands[step.cmd];
      ++r_.commands;
      const TCommandEnd e = Command(*step.rule, step.count);
      if (e != TCommandEnd::kEnd) return Stop(e);
      step.inEnd = in_;
      if (hook_ != nullptr && !hook_->Step(step)) return Stop(TCommandEnd::kInvalid);
    }
  }

private:
  TCommandEnd Command(const TRule& rule, std::size_t count) {
    if (rule.kind == kInvalid) return TCommandEnd::kInvalid;
    if (rule.kind == kDirect) return Direct(count);
    if (in_ + rule.argBytes > s_.size()) return TCommandEnd::kTruncated;
    const std::uint8_t* arg = s_.data() + in_;
    const std::size_t n = count * rule.unit;
    if (rule.address == TAddress::kNone) {
      in_ += rule.argBytes;
      return Fill(rule.kind, n, arg);
    }
    std::size_t source = 0;
    if (rule.address == TAddress::kRelative) {
      if (arg[0] == 0 || arg[0] > pos_) return TCommandEnd::kInvalid;
      source = pos_ - arg[0];
    } else {
      source = f_.bigEndian ? arg[0] << 8 | arg[1] : arg[1] << 8 | arg[0];
      if (source >= pos_ || (rule.kind == kRepeatBack && source + 1 < n)) {
        return TCommandEnd::kInvalid;
      }
    }
    in_ += rule.argBytes;  // only once the source is good: an invalid one is not consumed
    ++r_.copies;
    r_.copyBytes += static_cast<std::uint32_t>(n);
    const std::size_t put = std::min(n, limit_ - pos_);
    if (!countOnly_) Copy(rule.kind, source, put);
    pos_ += put;
    return put < n ? TCommandEnd::kFull : TCommandEnd::kEnd;
  }

  // Writes `n` bytes from `source` at the output position; room was checked.
  void Copy(TKind kind, std::size_t source, std::size_t n) {
    std::uint8_t* dst = out_ + pos_;
    const std::uint8_t* src = out_ + source;
    switch (kind) {
      case kRepeatBack:
        for (std::size_t k = 0; k < n; ++k) dst[k] = src[0 - k];
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
    if (pos_ - source >= n) {
      std::memcpy(dst, src, n);
      return;
    }
    for (std::size_t k = 0; k < n; ++k) dst[k] = src[k];  // overlapping: repeats bytes
  }

  // What there is of a direct copy is written before the stream ends.
  TCommandEnd Direct(std::size_t n) {
    const std::size_t have = std::min(n, s_.size() - in_);
    const std::size_t put = std::min(have, limit_ - pos_);
    if (!countOnly_ && put != 0) std::memcpy(out_ + pos_, s_.data() + in_, put);
    pos_ += put;
    if (put < have) return TCommandEnd::kFull;
    in_ += have;
    return have < n ? TCommandEnd::kTruncated : TCommandEnd::kEnd;
  }

  TCommandEnd Fill(TKind kind, std::size_t n, const std::uint8_t* arg) {
    const std::size_t put = std::min(n, limit_ - pos_);
    if (!countOnly_) {
      std::uint8_t* dst = out_ + pos_;
      if (kind == kByteFill) {
        std::memset(dst, arg[0], put);
      } else if (kind == kWordFill) {
        for (std::size_t k = 0; k < put; ++k) dst[k] = arg[k & 1U];
      } else {
        for (std::size_t k = 0; k < put; ++k) dst[k] = static_cast<std::uint8_t>(arg[0] + k);
      }
    }
    pos_ += put;
    return put < n ? TCommandEnd::kFull : TCommandEnd::kEnd;
  }

  TCommandResult Stop(TCommandEnd e) {
    r_.consumed = static_cast<std::uint32_t>(in_);
    r_.written = static_cast<std::uint32_t>(pos_);
    r_.end = e;
    return r_;
  }

  const TCommandFormat& f_;
  std::span<const std::uint8_t> s_;
  std::uint8_t* out_;
  std::size_t limit_;
  TCommandHook* hook_;
  bool countOnly_;
  std::size_t in_ = 0;
  std::size_t pos_ = 0;
  TCommandResult r_;
};

}  // namespace tegulo::command
