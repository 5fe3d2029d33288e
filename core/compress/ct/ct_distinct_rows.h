// The distinct rows of lane codes of the CT record search (ct_records.cpp): rows repeat (a
// thousand or so distinct among 64 KiB of tile data), so the search keeps each distinct row once
// and a row number per position. A row whose lanes lie within -6..7 of lane F (or out of reach,
// or in the list of wide ones), as nearly all do, takes a nibble a lane (12 bytes); another
// takes its 24 bytes in two units of 12. Row numbers (the unit a row starts at) of type T,
// below its largest value: an open-addressed table of them finds a row again, and the rows lie
// in blocks that never move.
#pragma once

#include <emmintrin.h>

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
// Codes 0 and 1 mean out of reach and wide; the others are a lane's difference from lane F plus
// kCodeBias. Lane 0 is lane F itself, whose code is never read.
inline constexpr std::uint8_t kCodeBias = 128;

template <class T>
class TDistinctRows {
public:
  // The number of the row of `codes`, a new one where no row before held them; any number once
  // the rows have outgrown T (Overflowed()).
  T Index(const TCodes& codes) {
    const TKey key = Pack(codes);
    if (lastUnit_ != nullptr && Same(lastUnit_, key)) return last_;  // often the row before
    if (4 * (count_ + 1) > 3 * slots_.size()) Grow();
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t h = Hash(key.bytes.data(), key.full) & mask;; h = (h + 1) & mask) {
      if (slots_[h] == kEmpty) {
        slots_[h] = last_ = Append(key);
        lastUnit_ = Unit(last_);
        return last_;
      }
      if (const std::uint8_t* unit = Unit(slots_[h]); Same(unit, key)) {
        lastUnit_ = unit;
        return last_ = slots_[h];
      }
    }
  }

  bool Overflowed() const { return overflowed_; }

  // Lane `lane`'s code in row `index`.
  std::uint8_t Code(T index, std::size_t lane) const {
    const std::uint8_t* unit = Unit(index);
    if (!IsFull(unit)) {
      const unsigned nibble = (unit[lane / 2] >> (4 * (lane % 2))) & 0xFU;
      return static_cast<std::uint8_t>(nibble < 2 ? nibble : nibble + kNibbleBase);
    }
    return lane < kUnit ? unit[lane] : Unit(index + 1)[lane - kUnit];
  }

private:
  static constexpr T kEmpty = std::numeric_limits<T>::max();
  static constexpr std::size_t kUnit = kLaneCodes / 2;  // a row of nibbles; two hold a whole row
  static constexpr std::size_t kBlock = 32;             // units
  static constexpr std::uint8_t kNibbleBase = kCodeBias - 8;  // nibbles 2..15: -6..7
  using TBlock = std::array<std::array<std::uint8_t, kUnit>, kBlock>;

  // A row as it is kept: nibbles (lane 0's nibble 0) or whole (lane 0's byte 1). A unit at a
  // block's end that a whole row left empty has lane 0's byte 2.
  struct TKey {
    TCodes bytes;
    bool full;
  };

  static constexpr std::uint8_t kWholeMark = 1;
  static constexpr std::uint8_t kEmptyMark = 2;
  static bool IsFull(const std::uint8_t* unit) { return (unit[0] & 0xFU) == kWholeMark; }

  static TKey Pack(const TCodes& codes) {
    TKey key{};
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(codes.data()));
    const __m128i high = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(codes.data() + 16));
    __m128i lowNibbles;
    __m128i highNibbles;
    const int fit = Nibbles(low, lowNibbles) & Nibbles(high, highNibbles);
    if ((fit | 1) != 0xFFFF) {  // lane 0 always fits
      key.bytes = codes;
      key.bytes[0] = kWholeMark;
      key.full = true;
      return key;
    }
    lowNibbles = _mm_and_si128(lowNibbles, _mm_set_epi32(-1, -1, -1, -256));  // lane 0: 0
    // The 4 bytes after the 12 are zeros, as is the rest of the key.
    const __m128i packed = _mm_packus_epi16(Pairs(lowNibbles), Pairs(highNibbles));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(key.bytes.data()), packed);
    key.full = false;
    return key;
  }

  // Each byte's nibble, and a mask of the bytes that have one (the zeros above lane 23 do).
  static int Nibbles(__m128i codes, __m128i& nibbles) {
    const __m128i one = _mm_set1_epi8(1);
    const __m128i small = _mm_cmpeq_epi8(_mm_min_epu8(codes, one), codes);  // 0 or 1
    const __m128i diff = _mm_sub_epi8(codes, _mm_set1_epi8(static_cast<char>(kNibbleBase + 2)));
    const __m128i near = _mm_cmpeq_epi8(_mm_min_epu8(diff, _mm_set1_epi8(13)), diff);
    nibbles = _mm_or_si128(_mm_and_si128(small, codes),
                           _mm_andnot_si128(small, _mm_add_epi8(diff, _mm_set1_epi8(2))));
    return _mm_movemask_epi8(_mm_or_si128(small, near));
  }

  // Two nibbles of a 16-bit lane as one byte, in the lane's low byte.
  static __m128i Pairs(__m128i nibbles) {
    const __m128i joined = _mm_or_si128(nibbles, _mm_srli_epi16(nibbles, 4));
    return _mm_and_si128(joined, _mm_set1_epi16(0xFF));
  }

  // A unit's 12 bytes as two words (overlapping), which a compare or a hash takes inline.
  static std::array<std::uint64_t, 2> Words(const std::uint8_t* unit) {
    std::array<std::uint64_t, 2> w{};
    std::memcpy(&w[0], unit, 8);
    std::memcpy(&w[1], unit + 4, 8);
    return w;
  }

  static bool SameUnit(const std::uint8_t* a, const std::uint8_t* b) {
    const auto x = Words(a);
    const auto y = Words(b);
    return ((x[0] ^ y[0]) | (x[1] ^ y[1])) == 0;
  }

  bool Same(const std::uint8_t* unit, const TKey& key) const {
    if (IsFull(unit) != key.full) return false;
    // Whole rows never straddle blocks.
    return SameUnit(unit, key.bytes.data()) &&
           (!key.full || SameUnit(unit + kUnit, key.bytes.data() + kUnit));
  }

  // Products side by side rather than one after another.
  static std::size_t Hash(const std::uint8_t* bytes, bool full) {
    const auto a = Words(bytes);
    std::uint64_t h = a[0] * 0x9E3779B97F4A7C15ULL ^ a[1] * 0xC2B2AE3D27D4EB4FULL;
    if (full) {
      const auto b = Words(bytes + kUnit);
      h ^= b[0] * 0x165667B19E3779F9ULL ^ b[1] * 0x27D4EB2F165667C5ULL;
    }
    return static_cast<std::size_t>(h >> 32);
  }

  const std::uint8_t* Unit(T index) const {
    return (*blocks_[index / kBlock])[index % kBlock].data();
  }

  std::uint8_t* NewUnit() {
    if (used_ == blocks_.size() * kBlock) blocks_.push_back(std::make_unique<TBlock>());
    std::uint8_t* unit = (*blocks_[used_ / kBlock])[used_ % kBlock].data();
    ++used_;
    return unit;
  }

  // The new row's number: the unit it starts at (a whole row leaves a block's last unit empty).
  T Append(const TKey& key) {
    if (used_ + 3 > kEmpty) {
      overflowed_ = true;
      return 0;
    }
    if (key.full && used_ % kBlock == kBlock - 1) NewUnit()[0] = kEmptyMark;
    const auto at = static_cast<T>(used_);
    std::memcpy(NewUnit(), key.bytes.data(), kUnit);
    if (key.full) std::memcpy(NewUnit(), key.bytes.data() + kUnit, kUnit);
    ++count_;
    return at;
  }

  void Grow() {
    std::vector<T>(std::max<std::size_t>(64, 2 * slots_.size()), kEmpty).swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = 0; at < used_; ++at) {
      const std::uint8_t* unit = Unit(static_cast<T>(at));
      if ((unit[0] & 0xFU) == kEmptyMark) continue;
      const bool full = IsFull(unit);
      TCodes bytes{};
      std::memcpy(bytes.data(), unit, kUnit);
      if (full) std::memcpy(bytes.data() + kUnit, Unit(static_cast<T>(++at)), kUnit);
      std::size_t h = Hash(bytes.data(), full) & mask;
      while (slots_[h] != kEmpty) h = (h + 1) & mask;
      slots_[h] = static_cast<T>(at - (full ? 1 : 0));
    }
  }

  std::vector<std::unique_ptr<TBlock>> blocks_;
  std::size_t used_ = 0;   // units
  std::size_t count_ = 0;  // rows
  std::vector<T> slots_;   // row numbers, open addressing, at most three quarters full
  T last_ = 0;
  const std::uint8_t* lastUnit_ = nullptr;
  bool overflowed_ = false;
};

}  // namespace tegulo::ct
