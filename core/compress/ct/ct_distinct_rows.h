// The distinct rows of lane codes of the CT record search (ct_records.cpp): rows repeat (a
// thousand or so distinct among 64 KiB of tile data), so the search keeps each distinct row once
// and a row number per position. Row numbers of type T (16 bits where the positions are fewer
// than 65,535, else 32): an open-addressed table of them finds a row again, and the rows lie in
// blocks of 32 that are never moved, so the table grows by no more than a block at a time.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace tegulo::ct {

inline constexpr std::size_t kLaneCodes = 24;
using TCodes = std::array<std::uint8_t, kLaneCodes>;

template <class T>
class TDistinctRows {
public:
  // The number of `codes`, a new one where no row before held them. At most
  // numeric_limits<T>::max() distinct rows.
  T Index(const TCodes& codes) {
    if (count_ != 0 && Same(*lastRow_, codes)) return last_;  // often the row before
    if (4 * (count_ + 1) > 3 * slots_.size()) Grow();
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t h = Hash(codes) & mask;; h = (h + 1) & mask) {
      if (slots_[h] == kEmpty) {
        slots_[h] = last_ = static_cast<T>(count_);
        lastRow_ = &Append(codes);
        return last_;
      }
      if (const TCodes& row = Codes(slots_[h]); Same(row, codes)) {
        lastRow_ = &row;
        return last_ = slots_[h];
      }
    }
  }

  const TCodes& Codes(T index) const { return (*blocks_[index / kBlock])[index % kBlock]; }

private:
  static constexpr T kEmpty = std::numeric_limits<T>::max();
  static constexpr std::size_t kBlock = 32;
  using TBlock = std::array<TCodes, kBlock>;

  static_assert(kLaneCodes == 24);
  using TWords = std::array<std::uint64_t, 3>;
  static TWords Words(const TCodes& codes) {
    TWords w;
    std::memcpy(w.data(), codes.data(), kLaneCodes);
    return w;
  }

  // Word by word, inline (a call to memcmp costs more than the compare).
  static bool Same(const TCodes& a, const TCodes& b) {
    const TWords x = Words(a);
    const TWords y = Words(b);
    return ((x[0] ^ y[0]) | (x[1] ^ y[1]) | (x[2] ^ y[2])) == 0;
  }

  // Three products side by side rather than one after another.
  static std::size_t Hash(const TCodes& codes) {
    const TWords w = Words(codes);
    const std::uint64_t h =
        w[0] * 0x9E3779B97F4A7C15ULL ^ w[1] * 0xC2B2AE3D27D4EB4FULL ^ w[2] * 0x165667B19E3779F9ULL;
    return static_cast<std::size_t>(h >> 32);
  }

  const TCodes& Append(const TCodes& codes) {
    if (count_ % kBlock == 0) blocks_.push_back(std::make_unique<TBlock>());
    TCodes& row = (*blocks_.back())[count_ % kBlock];
    row = codes;
    ++count_;
    return row;
  }

  void Grow() {
    std::vector<T>(std::max<std::size_t>(64, 2 * slots_.size()), kEmpty).swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t r = 0; r < count_; ++r) {
      std::size_t h = Hash(Codes(static_cast<T>(r))) & mask;
      while (slots_[h] != kEmpty) h = (h + 1) & mask;
      slots_[h] = static_cast<T>(r);
    }
  }

  std::vector<std::unique_ptr<TBlock>> blocks_;
  std::size_t count_ = 0;
  std::vector<T> slots_;  // row numbers, open addressing, at most three quarters full
  T last_ = 0;
  const TCodes* lastRow_ = nullptr;
};

}  // namespace tegulo::ct
