// The decoder of the SNES command-byte formats LC_LZ2, LC_LZ5 and HAL: one walker, the
// three formats differing in what commands 2 and 4..7 do.
#include <algorithm>

#include "compress/commands/command_formats.h"
#include "compress/shared/stream_check.h"

namespace tegulo {
namespace {

std::uint8_t ReverseBits(std::uint8_t b) {
  b = static_cast<std::uint8_t>((b & 0xF0u) >> 4 | (b & 0x0Fu) << 4);
  b = static_cast<std::uint8_t>((b & 0xCCu) >> 2 | (b & 0x33u) << 2);
  return static_cast<std::uint8_t>((b & 0xAAu) >> 1 | (b & 0x55u) << 1);
}

// A command's copy from the output: where its source starts and how it reads.
struct TCopy {
  std::size_t source = 0;
  bool backward = false;
  std::uint8_t xorMask = 0;
  bool reverseBits = false;
};

// Told of each command once it is decoded; returning false stops the walk as invalid.
class TCommandHook {
public:
  virtual bool Step(unsigned cmd, std::size_t count, std::size_t outStart, std::size_t inStart,
                    std::size_t inEnd) = 0;

protected:
  ~TCommandHook() = default;
};

class TWalker {
public:
  // With `countOnly` nothing is written to `out` (only its size counts): a copy's source
  // depends on the count alone, so the rules are checked all the same, in time linear in the
  // stream's length rather than its output's.
  TWalker(TCommandFormat format, std::span<const std::uint8_t> s, TDecodeBuffer& out,
          TCommandHook* hook = nullptr, bool countOnly = false)
      : f_(format),
        s_(s),
        out_(out),
        limit_(std::min(out.size(), kCommandOutputLimit)),
        hook_(hook),
        countOnly_(countOnly) {}

  TCommandResult Run() {
    for (;;) {
      if (in_ >= s_.size()) return Stop(TCommandEnd::kTruncated);
      const unsigned h = s_[in_++];
      if (h == 0xFFu) return Stop(TCommandEnd::kEnd);
      const std::size_t inStart = in_ - 1;
      const std::size_t outStart = pos_;
      unsigned cmd = h >> 5;
      std::size_t n = (h & 0x1Fu) + 1;
      if (cmd == 7) {
        if (in_ >= s_.size()) return Stop(TCommandEnd::kTruncated);
        cmd = (h >> 2) & 7u;
        n = ((h & 3u) << 8 | s_[in_++]) + 1;
      }
      ++r_.commands;
      const TCommandEnd e = Command(cmd, n);
      if (e != TCommandEnd::kEnd) return Stop(e);
      if (hook_ != nullptr && !hook_->Step(cmd, n, outStart, inStart, in_)) {
        return Stop(TCommandEnd::kInvalid);
      }
    }
  }

private:
  // Reads the argument of a copy command into c; kEnd when its source may be read.
  TCommandEnd ReadCopy(unsigned cmd, std::size_t n, TCopy& c) {
    const bool relative = f_ == TCommandFormat::LCLZ5 && cmd >= 6;
    const std::size_t argBytes = relative ? 1 : 2;
    if (in_ + argBytes > s_.size()) return TCommandEnd::kTruncated;
    if (relative) {
      const std::size_t d = s_[in_];
      if (d == 0 || d > pos_) return TCommandEnd::kInvalid;
      c.source = pos_ - d;
      c.xorMask = cmd == 7 ? 0xFF : 0;
    } else {
      const bool le = f_ == TCommandFormat::LCLZ5 || f_ == TCommandFormat::LCLZ1;
      c.source = le ? s_[in_] | s_[in_ + 1] << 8 : s_[in_] << 8 | s_[in_ + 1];
      c.xorMask = f_ == TCommandFormat::LCLZ5 && cmd == 5 ? 0xFF : 0;
      c.reverseBits = f_ == TCommandFormat::HAL && cmd == 5;
      c.backward = f_ == TCommandFormat::HAL && cmd == 6;
      if (c.source >= pos_ || (c.backward && c.source + 1 < n)) return TCommandEnd::kInvalid;
    }
    in_ += argBytes;
    return TCommandEnd::kEnd;
  }

  TCommandEnd Command(unsigned cmd, std::size_t n) {
    if (cmd == 0) return Direct(n);
    if (cmd <= 3) return Fill(cmd, n);
    if (cmd == 7 && f_ == TCommandFormat::HAL) cmd = 4;  // the games' decoders read it as 4
    const bool plain = f_ == TCommandFormat::LCLZ2 || f_ == TCommandFormat::LCLZ1;
    if (plain && cmd >= 5) return TCommandEnd::kInvalid;
    TCopy c;
    const TCommandEnd e = ReadCopy(cmd, n, c);
    if (e != TCommandEnd::kEnd) return e;
    ++r_.copies;
    r_.copyBytes += static_cast<std::uint32_t>(n);
    if (countOnly_) return Skip(n);
    for (std::size_t k = 0; k < n; ++k) {
      const std::uint8_t b = out_[c.backward ? c.source - k : c.source + k];
      if (!Put(static_cast<std::uint8_t>((c.reverseBits ? ReverseBits(b) : b) ^ c.xorMask))) {
        return TCommandEnd::kFull;
      }
    }
    return TCommandEnd::kEnd;
  }

  // What there is of a direct copy is written before the stream ends.
  TCommandEnd Direct(std::size_t n) {
    const std::size_t have = std::min(n, s_.size() - in_);
    if (countOnly_) {
      if (Skip(have) == TCommandEnd::kFull) return TCommandEnd::kFull;
    } else {
      for (std::size_t k = 0; k < have; ++k) {
        if (!Put(s_[in_ + k])) return TCommandEnd::kFull;
      }
    }
    in_ += have;
    return have < n ? TCommandEnd::kTruncated : TCommandEnd::kEnd;
  }

  TCommandEnd Fill(unsigned cmd, std::size_t n) {
    const std::size_t argBytes = cmd == 2 ? 2 : 1;
    const std::size_t have = std::min(argBytes, s_.size() - in_);
    if (have < argBytes) return TCommandEnd::kTruncated;
    const std::uint8_t a = s_[in_];
    const std::uint8_t b = cmd == 2 ? s_[in_ + 1] : 0;
    in_ += argBytes;
    const std::size_t count = cmd == 2 && f_ == TCommandFormat::HAL ? 2 * n : n;
    if (countOnly_) return Skip(count);
    for (std::size_t k = 0; k < count; ++k) {
      const std::uint8_t v = cmd == 1   ? a
                             : cmd == 2 ? ((k & 1u) == 0 ? a : b)
                                        : static_cast<std::uint8_t>(a + k);
      if (!Put(v)) return TCommandEnd::kFull;
    }
    return TCommandEnd::kEnd;
  }

  // The count of n bytes written, up to the limit as Put would reach it.
  TCommandEnd Skip(std::size_t n) {
    if (n > limit_ - pos_) {
      pos_ = limit_;
      return TCommandEnd::kFull;
    }
    pos_ += n;
    return TCommandEnd::kEnd;
  }

  bool Put(std::uint8_t v) {
    if (pos_ >= limit_) return false;
    out_[pos_++] = v;
    return true;
  }

  TCommandResult Stop(TCommandEnd e) {
    r_.consumed = static_cast<std::uint32_t>(in_);
    r_.written = static_cast<std::uint32_t>(pos_);
    r_.end = e;
    return r_;
  }

  TCommandFormat f_;
  std::span<const std::uint8_t> s_;
  TDecodeBuffer& out_;
  std::size_t limit_;
  TCommandHook* hook_;
  bool countOnly_;
  std::size_t in_ = 0;
  std::size_t pos_ = 0;
  TCommandResult r_;
};

}  // namespace

TCommandResult DecodeCommands(TCommandFormat format, std::span<const std::uint8_t> stream,
                              TDecodeBuffer& output) {
  return TWalker(format, stream, output).Run();
}

std::size_t StreamExtentCommands(TCommandFormat format, std::span<const std::uint8_t> stream) {
  // The walk reads back what it wrote, and no stream describes more than the 16-bit address
  // space: an output of that size gives the working buffer's count.
  static_assert(kCommandOutputLimit <= kDecodeBufferSize);
  TDecodeBuffer out(kCommandOutputLimit);
  return TWalker(format, stream, out).Run().consumed;
}

namespace {

// Chance bytes read as a short list of fills; a stream with fewer commands than this is
// told from them by its content alone.
constexpr std::uint32_t kFactsCommands = 8;
// Fills in a row, with no copy between, that no encoder's stream of tile data holds; text
// and tables read as such lists of fills for thousands of bytes.
constexpr std::uint32_t kMaxFillsInRow = 16;

bool HasFiveEqual(std::span<const std::uint8_t> bytes) {
  for (std::size_t k = 4; k < bytes.size(); ++k) {
    if (bytes[k] == bytes[k - 1] && bytes[k] == bytes[k - 2] && bytes[k] == bytes[k - 3] &&
        bytes[k] == bytes[k - 4]) {
      return true;
    }
  }
  return false;
}

// What a scan asks of a command stream beyond its rules: no two direct copies in a row and
// no command that repeats the one before byte for byte (the first short of the longest), as
// an encoder would have joined them; the literal and copy figures of the score. Commands that
// cost more than another way of writing the same bytes count as wasteful (the facts of the
// score): a long form for a count of 32 or less, a word fill of two equal bytes or of one
// byte, a copy from the output of one byte, a fill that goes on the fill before it, a
// direct copy holding five equal bytes in a row, and kMaxFillsInRow fills in a row.
class TScanHook final : public TCommandHook {
public:
  TScanHook(std::span<const std::uint8_t> s, TStreamStats& st, TCommandFormat format)
      : s_(s), st_(st), format_(format) {}

  bool Step(unsigned cmd, std::size_t count, std::size_t outStart, std::size_t inStart,
            std::size_t inEnd) override {
    fillsInRow_ = cmd >= 1 && cmd <= 3 ? fillsInRow_ + 1 : 0;
    if (Wasteful(cmd, count, inStart, inEnd) || fillsInRow_ >= kMaxFillsInRow) {
      // The stream misses the facts: where only those that meet them count, stop here.
      if (st_.factsOnly) return false;
      ++st_.wastefulTokens;
    }
    ++commands_;
    const bool joinable = lastCount_ < 1024;
    if (joinable && cmd == 0 && lastCmd_ == 0) return false;
    if (joinable && inEnd - inStart == lastEnd_ - lastStart_ &&
        std::equal(s_.begin() + static_cast<std::ptrdiff_t>(inStart),
                   s_.begin() + static_cast<std::ptrdiff_t>(inEnd),
                   s_.begin() + static_cast<std::ptrdiff_t>(lastStart_))) {
      return false;
    }
    if (cmd == 0) {
      for (std::size_t k = 0; k < count; ++k)
        st_.MarkLiteral(static_cast<std::uint32_t>(outStart + k));
      st_.literals += static_cast<std::uint32_t>(count);
    } else {
      ++st_.references;
    }
    lastCmd_ = cmd;
    lastCount_ = count;
    lastStart_ = inStart;
    lastEnd_ = inEnd;
    return true;
  }

  std::uint32_t Commands() const { return commands_; }

private:
  // Whether a byte fill writes the bytes of a word fill of two equal bytes for less: always
  // in the LC formats; in HAL, whose word fill counts pairs, only where the byte fill's count
  // needs no longer header than the word fill's.
  bool ByteFillIsCheaper(std::size_t count) const {
    if (format_ != TCommandFormat::HAL) return true;
    const std::size_t bytes = 2 * count;
    const std::size_t byteCost = bytes <= 32 ? 2 : 3;
    const std::size_t wordCost = count <= 32 ? 3 : 4;
    return bytes <= 1024 && byteCost < wordCost;
  }

  bool Wasteful(unsigned cmd, std::size_t count, std::size_t inStart, std::size_t inEnd) const {
    const bool longForm = (s_[inStart] & 0xE0U) == 0xE0U;
    const bool longOnly = format_ == TCommandFormat::LCLZ5 && cmd == 7;
    if (longForm && count <= 32 && !longOnly) return true;
    const std::size_t arg = inStart + (longForm ? 2 : 1);
    const bool hal = format_ == TCommandFormat::HAL;
    if (cmd == 2 && (s_[arg] == s_[arg + 1] ? ByteFillIsCheaper(count) : count == 1 && !hal)) {
      return true;
    }
    const bool twoByteCopy = cmd >= 4 && !(format_ == TCommandFormat::LCLZ5 && cmd >= 6);
    if (twoByteCopy && count == 1) return true;
    if (cmd == 0) return HasFiveEqual(s_.subspan(arg, inEnd - arg));
    // A byte fill after one of the same byte, a rising fill going on where the one before
    // stopped: one command writes both.
    const bool fits = lastCount_ + count <= 1024;
    if (fits && cmd == 1 && lastCmd_ == 1 && s_[arg] == s_[lastEnd_ - 1]) return true;
    return fits && cmd == 3 && lastCmd_ == 3 &&
           s_[arg] == static_cast<std::uint8_t>(s_[lastEnd_ - 1] + lastCount_);
  }

  std::span<const std::uint8_t> s_;
  TStreamStats& st_;
  unsigned lastCmd_ = 8;
  std::size_t lastCount_ = 0;
  std::size_t lastStart_ = 0;
  std::size_t lastEnd_ = 0;
  TCommandFormat format_;
  std::uint32_t commands_ = 0;
  std::uint32_t fillsInRow_ = 0;
};

// Whether the stream at pos fails at once, as the walk below would find: it ends before
// writing anything, or it starts with two direct copies in a row (fillers of 00 and of FF).
bool FailsAtOnce(std::span<const std::uint8_t> rom, std::size_t pos) {
  const unsigned h = rom[pos];
  if (h == 0xFFU) return true;
  if (h >= 0x20U) return false;
  const std::size_t next = pos + h + 2;  // after the header and its h + 1 bytes
  return next < rom.size() && (rom[next] < 0x20U || (rom[next] & 0xFCU) == 0xE0U);
}

template <TCommandFormat kFormat, int kScheme>
std::optional<TScanHit> CheckCommands(std::span<const std::uint8_t> rom, std::size_t pos,
                                      std::uint32_t minSize, TStreamStats* stats) {
  if (pos >= rom.size() || FailsAtOnce(rom, pos)) return std::nullopt;
  TStreamStats local;
  TStreamStats& st = FreshStats(stats, local);
  const auto s = rom.subspan(pos);
  thread_local TDecodeBuffer out;
  out.resize(kCommandOutputLimit);
  TScanHook hook(s, st, kFormat);
  const TCommandResult r = TWalker(kFormat, s, out, &hook, true).Run();
  if (r.end != TCommandEnd::kEnd || r.written < std::max<std::uint32_t>(minSize, 1) ||
      r.written % 16 != 0) {
    return std::nullopt;
  }
  st.referenceBytes = r.written - st.literals;
  st.comprSize = r.consumed;
  st.enoughTokens = hook.Commands() >= kFactsCommands;
  st.factsMinOutput = kStrictFactsMinOutput;
  return TScanHit{pos, kScheme, r.written, r.consumed, 0};
}

}  // namespace

std::optional<TScanHit> CheckLCLZ2Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                      std::uint32_t minSize, TStreamStats* stats) {
  return CheckCommands<TCommandFormat::LCLZ2, kSchemeLCLZ2>(rom, pos, minSize, stats);
}
std::optional<TScanHit> CheckLCLZ5Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                      std::uint32_t minSize, TStreamStats* stats) {
  return CheckCommands<TCommandFormat::LCLZ5, kSchemeLCLZ5>(rom, pos, minSize, stats);
}
std::optional<TScanHit> CheckHALHit(std::span<const std::uint8_t> rom, std::size_t pos,
                                    std::uint32_t minSize, TStreamStats* stats) {
  return CheckCommands<TCommandFormat::HAL, kSchemeHAL>(rom, pos, minSize, stats);
}
std::optional<TScanHit> CheckLCLZ1Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                      std::uint32_t minSize, TStreamStats* stats) {
  return CheckCommands<TCommandFormat::LCLZ1, kSchemeLCLZ1>(rom, pos, minSize, stats);
}

template <TCommandFormat F>
std::uint32_t DecompressCommands(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                                 bool* notValid) {
  const TCommandResult r = DecodeCommands(F, stream, output);
  *notValid = r.end == TCommandEnd::kInvalid;
  return r.written;
}
template <TCommandFormat F>
std::size_t StreamExtentCommands(std::span<const std::uint8_t> stream) {
  return StreamExtentCommands(F, stream);
}
template std::uint32_t DecompressCommands<TCommandFormat::LCLZ1>(std::span<const std::uint8_t>,
                                                                 TDecodeBuffer&, bool*);
template std::size_t StreamExtentCommands<TCommandFormat::LCLZ1>(std::span<const std::uint8_t>);

const char* CommandFormatName(TCommandFormat format) {
  switch (format) {
    case TCommandFormat::LCLZ2: return "LC_LZ2";
    case TCommandFormat::LCLZ5: return "LC_LZ5";
    case TCommandFormat::LCLZ1: return "LC_LZ1";
    case TCommandFormat::HAL: break;
  }
  return "HAL";
}

}  // namespace tegulo
