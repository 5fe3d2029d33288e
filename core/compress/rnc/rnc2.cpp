// "RNC2" (ProPack method 2): bits from single bytes, MSB first, between the data bytes;
// prefix-coded literals, literal runs and copies. The decoder and the exact shortest parse.
#include <algorithm>
#include <limits>

#include "compress/rnc/rnc_format.h"
#include "compress/search/window_matches.h"

namespace tegulo {
namespace {

// Bits from bytes read at the read position when the last one is used up.
struct TBitReader {
  std::span<const std::uint8_t> s;
  std::size_t in = 0;
  unsigned bits = 0;
  int left = 0;
  bool out = false;  // a bit or byte was needed past the packed data
  unsigned Bit() {
    if (left == 0) {
      if (in >= s.size()) {
        out = true;
        return 0;
      }
      bits = s[in++];
      left = 8;
    }
    --left;
    return (bits >> static_cast<unsigned>(left)) & 1U;
  }
  unsigned Bits(int n) {
    unsigned v = 0;
    for (int i = 0; i < n; ++i) v = v << 1U | Bit();
    return v;
  }
  unsigned Byte() {
    if (in >= s.size()) {
      out = true;
      return 0;
    }
    return s[in++];
  }
};

// The copy length of a length code, 0 for a literal run (10111) and 9 for 1111 (then a byte).
std::uint32_t CopyLength(TBitReader& r) {
  if (r.Bit() == 0) {               // 10...
    if (r.Bit() == 0) {             // 100..
      if (r.Bit() == 0) return 4;   // 1000
      return r.Bit() == 0 ? 6 : 7;  // 1001x
    }
    if (r.Bit() == 0) return 5;   // 1010
    return r.Bit() == 0 ? 8 : 0;  // 1011x
  }
  if (r.Bit() == 0) return 2;   // 110
  return r.Bit() == 0 ? 3 : 9;  // 111x
}

std::uint32_t Distance(TBitReader& r) {
  unsigned high = 0;
  if (r.Bit() != 0) {
    const unsigned a = r.Bit();
    if (r.Bit() == 0) {
      high = a != 0 ? 1 : 2 + r.Bit();
    } else {
      const unsigned c = r.Bit();
      high = r.Bit() != 0 ? 4 + 2 * a + c : 8 + 4 * a + 2 * c + r.Bit();
    }
  }
  return high * 256 + r.Byte() + 1;
}

enum class TStep { kGo, kEnd, kBroken, kOut };

struct TDecoder {
  TBitReader r;
  std::uint8_t* o;
  std::size_t size;
  std::size_t pos = 0;
  std::size_t blocks = 0;

  TStep Literals(std::size_t n) {
    if (n > size - pos) return TStep::kBroken;
    if (n > r.s.size() - r.in) return TStep::kOut;
    std::copy_n(r.s.data() + r.in, n, o + pos);
    r.in += n;
    pos += n;
    return TStep::kGo;
  }
  TStep Copy(std::uint32_t length, std::uint32_t distance) {
    if (r.out) return TStep::kOut;
    if (distance > pos || length > size - pos) return TStep::kBroken;
    for (std::uint32_t k = 0; k < length; ++k, ++pos) o[pos] = o[pos - distance];
    return TStep::kGo;
  }
  TStep Token() {
    if (r.Bit() == 0) return Literals(1);
    std::uint32_t length = CopyLength(r);
    if (length == 0) return Literals((r.Bits(4) + 3) * 4);
    if (length == 2) return Copy(2, r.Byte() + 1);
    if (length == 9) {
      const unsigned k = r.Byte();
      if (k == 0) {
        ++blocks;
        if (r.out) return TStep::kOut;
        return r.Bit() != 0 ? TStep::kGo : TStep::kEnd;
      }
      length = k + 8;
    }
    const std::uint32_t distance = Distance(r);
    return Copy(length, distance);
  }
};

}  // namespace

std::uint32_t DecompressRNC2(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* notValid,
                             std::size_t* blocks) {
  bool broken = false;
  const auto start = rnc::StartDecode(s, 2, o, &broken);
  const auto used = static_cast<std::uint32_t>(rnc::HeaderExtent(s));
  if (blocks != nullptr) *blocks = 0;
  if (!start) {
    *notValid = broken;
    return used;
  }
  TDecoder d{{start->packed.data}, o.data(), start->header.rawSize};
  const unsigned lockKey = d.r.Bits(2);
  TStep step = (lockKey & 1U) != 0 ? TStep::kBroken : TStep::kGo;  // the key bit: encrypted
  while (step == TStep::kGo) step = d.Token();
  if (blocks != nullptr) *blocks = d.blocks;
  if (step == TStep::kOut || d.r.out) {
    // Data needed past the packed size: a stream cut short by the end of the bytes, or one
    // whose packed size is too small.
    *notValid = start->packed.whole;
  } else {
    *notValid = step == TStep::kBroken || d.pos != d.size ||
                !rnc::FinishDecode(*start, d.r.in, {o.data(), d.size});
  }
  return used;
}

std::uint32_t DecompressRNC2(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* notValid) {
  return DecompressRNC2(s, o, notValid, nullptr);
}

}  // namespace tegulo
