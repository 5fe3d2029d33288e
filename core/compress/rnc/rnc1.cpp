// "RNC1" (ProPack method 1): chunks of three canonical Huffman tables (literal-run lengths,
// distances, copy lengths), a command count and the commands. Its tables and decoder.
#include <algorithm>

#include "compress/rnc/rnc1_bits.h"
#include "compress/rnc/rnc_format.h"

namespace tegulo::rnc1 {

bool AssignCodes(TTable& t) {
  unsigned code = 0;
  for (int len = 1; len <= kMaxCodeLength; ++len) {
    for (int s = 0; s < t.count; ++s) {
      if (t.lengths[static_cast<std::size_t>(s)] != len) continue;
      if (code >= (1U << static_cast<unsigned>(len))) return false;
      t.codes[static_cast<std::size_t>(s)] = static_cast<std::uint16_t>(code++);
    }
    code <<= 1U;
  }
  return true;
}

TTable BuildTable(std::span<const std::uint32_t> counts) {
  TTable t;
  // Huffman's merging over the used symbols; each merge deepens the leaves under both.
  std::array<std::uint64_t, kMaxSymbols> weight{};
  std::array<int, kMaxSymbols> group{};  // the merged group each symbol belongs to
  std::array<bool, kMaxSymbols> alive{};
  int used = 0;
  for (std::size_t s = 0; s < counts.size() && s < kMaxSymbols; ++s) {
    if (counts[s] == 0) continue;
    weight[s] = counts[s];
    group[s] = static_cast<int>(s);
    alive[s] = true;
    t.count = static_cast<int>(s) + 1;
    ++used;
  }
  if (used == 1) t.lengths[static_cast<std::size_t>(t.count - 1)] = 1;
  for (int merges = used - 1; merges > 0; --merges) {
    int a = -1;
    int b = -1;
    for (int g = 0; g < kMaxSymbols; ++g) {
      if (!alive[static_cast<std::size_t>(g)]) continue;
      if (a < 0 || weight[static_cast<std::size_t>(g)] < weight[static_cast<std::size_t>(a)]) {
        b = a;
        a = g;
      } else if (b < 0 ||
                 weight[static_cast<std::size_t>(g)] < weight[static_cast<std::size_t>(b)]) {
        b = g;
      }
    }
    for (int s = 0; s < t.count; ++s) {
      const int g = group[static_cast<std::size_t>(s)];
      if (counts[static_cast<std::size_t>(s)] != 0 && (g == a || g == b)) {
        ++t.lengths[static_cast<std::size_t>(s)];
        group[static_cast<std::size_t>(s)] = a;
      }
    }
    weight[static_cast<std::size_t>(a)] += weight[static_cast<std::size_t>(b)];
    alive[static_cast<std::size_t>(b)] = false;
  }
  AssignCodes(t);
  return t;
}

}  // namespace tegulo::rnc1

namespace tegulo {
namespace {

using rnc1::kMaxCodeLength;

struct TBitReader {
  std::span<const std::uint8_t> s;
  std::size_t in = 0;
  unsigned bits = 0;
  int left = 0;
  bool out = false;  // a word or byte was needed past the packed data
  unsigned Bit() {
    if (left == 0) {
      if (s.size() - in < 2) {
        out = true;
        in = s.size();
        return 0;
      }
      bits = s[in] | static_cast<unsigned>(s[in + 1]) << 8U;
      in += 2;
      left = 16;
    }
    --left;
    const unsigned b = bits & 1U;
    bits >>= 1U;
    return b;
  }
  std::uint32_t Field(int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i) v |= Bit() << static_cast<unsigned>(i);
    return v;
  }
};

// A table for decoding: per code length, the first code, the count and where its symbols
// start in `symbols`.
struct TDecodeTable {
  std::array<unsigned, kMaxCodeLength + 1> first{};
  std::array<unsigned, kMaxCodeLength + 1> count{};
  std::array<unsigned, kMaxCodeLength + 1> start{};
  std::array<std::uint8_t, 32> symbols{};
};

// Reads a table; false where its lengths over-fill the code space.
bool ReadTable(TBitReader& r, TDecodeTable& t) {
  const auto n = static_cast<int>(r.Field(5));
  std::array<std::uint8_t, 32> lengths{};
  t.count.fill(0);
  for (int s = 0; s < n; ++s) {
    lengths[static_cast<std::size_t>(s)] = static_cast<std::uint8_t>(r.Field(4));
    ++t.count[lengths[static_cast<std::size_t>(s)]];
  }
  unsigned code = 0;
  unsigned at = 0;
  for (int len = 1; len <= kMaxCodeLength; ++len) {
    const auto l = static_cast<std::size_t>(len);
    t.first[l] = code;
    t.start[l] = at;
    for (int s = 0; s < n; ++s) {
      if (lengths[static_cast<std::size_t>(s)] == len)
        t.symbols[at++] = static_cast<std::uint8_t>(s);
    }
    code += t.count[l];
    if (code > (1U << l)) return false;
    code <<= 1U;
  }
  return true;
}

// The value of the next symbol of `t`; false for a code the table does not hold.
bool ReadValue(TBitReader& r, const TDecodeTable& t, std::uint32_t& v) {
  unsigned code = 0;
  for (std::size_t len = 1; len <= kMaxCodeLength; ++len) {
    code = code << 1U | r.Bit();
    if (code - t.first[len] < t.count[len]) {
      const unsigned s = t.symbols[t.start[len] + code - t.first[len]];
      v = s < 2 ? s : (1U << (s - 1)) | r.Field(static_cast<int>(s - 1));
      return true;
    }
  }
  return false;
}

enum class TEnd { kDone, kBroken, kOut };

struct TDecoder {
  TBitReader r;
  std::uint8_t* o;
  std::size_t size;
  std::size_t pos = 0;
  std::size_t chunks = 0;
  std::array<TDecodeTable, 3> tables{};

  bool Run(std::uint32_t n, TEnd& end) {
    if (n > size - pos) {
      end = TEnd::kBroken;
      return false;
    }
    if (n > r.s.size() - r.in) {
      end = TEnd::kOut;
      return false;
    }
    std::copy_n(r.s.data() + r.in, n, o + pos);
    r.in += n;
    pos += n;
    return true;
  }
  bool Copy(TEnd& end) {
    std::uint32_t d = 0;
    std::uint32_t len = 0;
    if (!ReadValue(r, tables[1], d) || !ReadValue(r, tables[2], len)) {
      end = TEnd::kBroken;
      return false;
    }
    ++d;
    len += 2;
    if (r.out) {
      end = TEnd::kOut;
      return false;
    }
    if (d > pos || len > size - pos) {
      end = TEnd::kBroken;
      return false;
    }
    std::uint8_t* to = o + pos;
    const std::uint8_t* from = to - d;
    for (std::uint32_t k = 0; k < len; ++k) to[k] = from[k];
    pos += len;
    return true;
  }
  // One chunk; false at its end when decoding stops.
  bool Chunk(TEnd& end) {
    for (TDecodeTable& t : tables) {
      if (!ReadTable(r, t)) {
        end = TEnd::kBroken;
        return false;
      }
    }
    const std::uint32_t commands = r.Field(16);
    if (commands == 0) end = TEnd::kBroken;
    for (std::uint32_t c = 1; c <= commands; ++c) {
      std::uint32_t run = 0;
      if (!ReadValue(r, tables[0], run)) end = TEnd::kBroken;
      if (end != TEnd::kDone || !Run(run, end)) break;
      if (r.out) end = TEnd::kOut;
      if (c == commands || end != TEnd::kDone || !Copy(end)) break;
    }
    if (r.out && end == TEnd::kDone) end = TEnd::kOut;
    ++chunks;
    return end == TEnd::kDone && pos < size;
  }
};

}  // namespace

std::uint32_t DecompressRNC1(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* notValid,
                             std::size_t* chunks) {
  bool broken = false;
  const auto start = rnc::StartDecode(s, 1, o, &broken);
  const auto used = static_cast<std::uint32_t>(rnc::HeaderExtent(s));
  if (chunks != nullptr) *chunks = 0;
  if (!start) {
    *notValid = broken;
    return used;
  }
  TDecoder d{{start->packed.data}, o.data(), start->header.rawSize};
  TEnd end = (d.r.Field(2) & 2U) != 0 ? TEnd::kBroken : TEnd::kDone;  // the key bit: encrypted
  if (d.r.out) end = TEnd::kOut;
  if (end == TEnd::kDone) {
    while (d.pos < d.size && d.Chunk(end)) {
    }
  }
  if (chunks != nullptr) *chunks = d.chunks;
  if (end == TEnd::kOut || d.r.out) {
    // Data needed past the packed size: a stream cut short by the end of the bytes, or one
    // whose packed size is too small.
    *notValid = start->packed.whole;
  } else {
    const std::uint8_t stated = start->header.chunks;
    *notValid = end == TEnd::kBroken || d.pos != d.size ||
                (stated != 0 && stated != (d.chunks & 0xFFU)) ||
                !rnc::FinishDecode(*start, d.r.in, {o.data(), d.size});
  }
  return used;
}

std::uint32_t DecompressRNC1(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* notValid) {
  return DecompressRNC1(s, o, notValid, nullptr);
}

}  // namespace tegulo
