// The decoder of the SNES command-byte formats LC_LZ2, LC_LZ5 and HAL: one walker, the
// three formats differing in what commands 2 and 4..7 do.
#include <algorithm>

#include "compress/snes_schemes.h"

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

class TWalker {
public:
  TWalker(TCommandFormat format, std::span<const std::uint8_t> s, tLZStream& out)
      : f_(format), s_(s), out_(out), limit_(std::min(out.size(), kCommandOutputLimit)) {}

  TCommandResult Run() {
    for (;;) {
      if (in_ >= s_.size()) return Stop(TCommandEnd::kTruncated);
      const unsigned h = s_[in_++];
      if (h == 0xFFu) return Stop(TCommandEnd::kEnd);
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
    }
  }

private:
  TCommandEnd Command(unsigned cmd, std::size_t n) {
    if (cmd <= 3) return Fill(cmd, n);
    const bool relative = f_ == TCommandFormat::LCLZ5 && cmd >= 6;
    if (cmd == 7 && f_ == TCommandFormat::HAL) cmd = 4;  // the games' decoders read it as 4
    if (f_ == TCommandFormat::LCLZ2 && cmd >= 5) return TCommandEnd::kInvalid;
    const std::size_t argBytes = relative ? 1 : 2;
    if (in_ + argBytes > s_.size()) return TCommandEnd::kTruncated;
    TCopy c;
    if (relative) {
      const std::size_t d = s_[in_];
      if (d == 0 || d > pos_) return TCommandEnd::kInvalid;
      c.source = pos_ - d;
      c.xorMask = cmd == 7 ? 0xFF : 0;
    } else {
      const bool le = f_ == TCommandFormat::LCLZ5;
      c.source = le ? s_[in_] | s_[in_ + 1] << 8 : s_[in_] << 8 | s_[in_ + 1];
      c.xorMask = f_ == TCommandFormat::LCLZ5 && cmd == 5 ? 0xFF : 0;
      c.reverseBits = f_ == TCommandFormat::HAL && cmd == 5;
      c.backward = f_ == TCommandFormat::HAL && cmd == 6;
      if (c.source >= pos_ || (c.backward && c.source + 1 < n)) return TCommandEnd::kInvalid;
    }
    in_ += argBytes;
    ++r_.copies;
    r_.copyBytes += static_cast<std::uint32_t>(n);
    for (std::size_t k = 0; k < n; ++k) {
      const std::uint8_t b = out_[c.backward ? c.source - k : c.source + k];
      if (!Put(static_cast<std::uint8_t>((c.reverseBits ? ReverseBits(b) : b) ^ c.xorMask))) {
        return TCommandEnd::kFull;
      }
    }
    return TCommandEnd::kEnd;
  }

  TCommandEnd Fill(unsigned cmd, std::size_t n) {
    const std::size_t argBytes = cmd == 0 ? n : cmd == 2 ? 2 : 1;
    const std::size_t have = std::min(argBytes, s_.size() - in_);
    if (cmd == 0) {  // what there is of a direct copy is written before the stream ends
      for (std::size_t k = 0; k < have; ++k) {
        if (!Put(s_[in_ + k])) return TCommandEnd::kFull;
      }
      in_ += have;
      return have < n ? TCommandEnd::kTruncated : TCommandEnd::kEnd;
    }
    if (have < argBytes) return TCommandEnd::kTruncated;
    const std::uint8_t a = s_[in_];
    const std::uint8_t b = cmd == 2 ? s_[in_ + 1] : 0;
    in_ += argBytes;
    const std::size_t count = cmd == 2 && f_ == TCommandFormat::HAL ? 2 * n : n;
    for (std::size_t k = 0; k < count; ++k) {
      const std::uint8_t v = cmd == 1   ? a
                             : cmd == 2 ? ((k & 1u) == 0 ? a : b)
                                        : static_cast<std::uint8_t>(a + k);
      if (!Put(v)) return TCommandEnd::kFull;
    }
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
  tLZStream& out_;
  std::size_t limit_;
  std::size_t in_ = 0;
  std::size_t pos_ = 0;
  TCommandResult r_;
};

}  // namespace

TCommandResult DecodeCommands(TCommandFormat format, std::span<const std::uint8_t> stream,
                              tLZStream& output) {
  return TWalker(format, stream, output).Run();
}

const char* CommandFormatName(TCommandFormat format) {
  switch (format) {
    case TCommandFormat::LCLZ2: return "LC_LZ2";
    case TCommandFormat::LCLZ5: return "LC_LZ5";
    case TCommandFormat::HAL: break;
  }
  return "HAL";
}

}  // namespace tegulo
