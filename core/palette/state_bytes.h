// Bounded reads of little- and big-endian integers for the save-state and palette readers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "base/uCommon.h"
#include "palette/palette.h"

namespace tegulo {

// A read position in a byte view. Every read checks the bounds first and throws
// TError(`shortText`) when the bytes run out, so a reader never reads past the view.
class TByteCursor {
public:
  TByteCursor(std::span<const std::uint8_t> bytes, std::string shortText)
      : bytes_(bytes), short_(std::move(shortText)) {}

  std::size_t Pos() const { return pos_; }
  std::size_t Left() const { return bytes_.size() - pos_; }
  std::span<const std::uint8_t> Take(std::size_t n) {
    if (n > Left()) throw TError(short_);
    const auto s = bytes_.subspan(pos_, n);
    pos_ += n;
    return s;
  }
  void Skip(std::size_t n) { Take(n); }
  std::uint8_t U8() { return Take(1)[0]; }
  std::uint32_t U32Le() {
    const auto s = Take(4);
    return s[0] | (s[1] << 8) | (s[2] << 16) | (static_cast<std::uint32_t>(s[3]) << 24);
  }

private:
  std::span<const std::uint8_t> bytes_;
  std::string short_;
  std::size_t pos_ = 0;
};

inline std::uint32_t U32LeAt(std::span<const std::uint8_t> s, std::size_t at) {
  return s[at] | (s[at + 1] << 8) | (s[at + 2] << 16) |
         (static_cast<std::uint32_t>(s[at + 3]) << 24);
}
inline std::uint32_t U32BeAt(std::span<const std::uint8_t> s, std::size_t at) {
  return (static_cast<std::uint32_t>(s[at]) << 24) | (s[at + 1] << 16) | (s[at + 2] << 8) |
         s[at + 3];
}

inline bool StartsWith(std::span<const std::uint8_t> s, std::string_view text) {
  if (s.size() < text.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (s[i] != static_cast<std::uint8_t>(text[i])) return false;
  }
  return true;
}

// 256 colours from 256 console words at the start of `words` (512 bytes or more), little- or
// big-endian.
inline TPalette ConsoleWordsLe(std::span<const std::uint8_t> words) {
  TPalette out{};
  for (std::size_t i = 0; i < 256; ++i) {
    out[i] = ConsoleColour(static_cast<std::uint16_t>(words[2 * i] | (words[2 * i + 1] << 8)));
  }
  return out;
}
inline TPalette ConsoleWordsBe(std::span<const std::uint8_t> words) {
  TPalette out{};
  for (std::size_t i = 0; i < 256; ++i) {
    out[i] = ConsoleColour(static_cast<std::uint16_t>((words[2 * i] << 8) | words[2 * i + 1]));
  }
  return out;
}

}  // namespace tegulo
