// Writing token streams under flag bytes, shared by the stream compressors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "compress/flag/ff_layout.h"
#include "compress/flag/lz10_layout.h"

namespace tegulo {

inline void PutLe16(std::vector<std::uint8_t>& out, std::size_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

// Flag bytes each governing the next eight tokens. A flag byte is written only when a token
// needs it; `msbFirst` says whether the first token takes bit 7 or bit 0.
class TFlagBytes {
public:
  TFlagBytes(std::vector<std::uint8_t>& out, bool msbFirst) : out_(out), msbFirst_(msbFirst) {}
  void Token(bool set) {
    if (used_ == 8) {
      at_ = out_.size();
      out_.push_back(0);
      used_ = 0;
    }
    if (set) out_[at_] |= static_cast<std::uint8_t>(msbFirst_ ? 0x80u >> used_ : 1u << used_);
    ++used_;
  }

private:
  std::vector<std::uint8_t>& out_;
  bool msbFirst_;
  std::size_t at_ = 0;
  int used_ = 8;
};

// The two bytes of an LZ77-10 back-reference (lz10_layout.h).
inline void PutLZ10Reference(std::vector<std::uint8_t>& out, std::size_t distance,
                             std::size_t length) {
  PutLe16(out, lz10::JoinReference(distance, length));
}

// The two bytes of an LZSS-FF5 or LZSS-FF6 back-reference made after `written` output bytes
// (ff_layout.h).
inline void PutFFReference(std::vector<std::uint8_t>& out, std::size_t written,
                           std::size_t distance, std::size_t length, bool ff6) {
  PutLe16(out, ff6 ? ff::JoinReference<true>(written, distance, length)
                   : ff::JoinReference<false>(written, distance, length));
}

}  // namespace tegulo
