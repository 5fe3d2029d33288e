// Writers of the second set of SNES formats.
#include "snes2_writers.h"

#include <algorithm>
#include <array>
#include <functional>
#include <queue>

namespace tegulo::gen {
namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFFU;
constexpr int kChainDepth = 48;

// A copy found at a position: `length` bytes from `distance` back.
struct TMatch {
  std::uint32_t length = 0;
  std::uint32_t distance = 0;
};

// The matches at every position of the data, nearest first, each longer than the one before
// (so every shorter length is best taken from the nearest match that reaches it), over hash
// chains of byte pairs. `zeroPrefix` zero bytes before the data may be copied from.
class TMatchList {
public:
  TMatchList(std::span<const std::uint8_t> data, std::uint32_t minLength, std::uint32_t maxLength,
             std::uint32_t maxDistance, std::uint32_t zeroPrefix) {
    std::vector<std::uint8_t> buf(zeroPrefix, 0);
    buf.insert(buf.end(), data.begin(), data.end());
    std::vector<std::uint32_t> head(1U << 16U, kNone);
    std::vector<std::uint32_t> prev(buf.size(), kNone);
    start_.reserve(data.size() + 1);
    for (std::size_t i = 0; i + 1 < buf.size(); ++i) {
      const std::uint32_t key = buf[i] | buf[i + 1] << 8U;
      if (i >= zeroPrefix) {
        start_.push_back(static_cast<std::uint32_t>(all_.size()));
        const std::size_t room = std::min<std::size_t>(maxLength, buf.size() - i);
        std::uint32_t best = minLength - 1;
        int depth = 0;
        for (std::uint32_t j = head[key]; j != kNone && depth < kChainDepth; j = prev[j], ++depth) {
          const std::size_t d = i - j;
          if (d > maxDistance) break;
          std::uint32_t len = 0;
          while (len < room && buf[j + len] == buf[i + len]) ++len;
          if (len > best) {
            best = len;
            all_.push_back({len, static_cast<std::uint32_t>(d)});
            if (len == room) break;
          }
        }
      }
      prev[i] = head[key];
      head[key] = static_cast<std::uint32_t>(i);
    }
    while (start_.size() < data.size() + 1)
      start_.push_back(static_cast<std::uint32_t>(all_.size()));
  }
  std::span<const TMatch> At(std::size_t i) const {
    return std::span(all_).subspan(start_[i], start_[i + 1] - start_[i]);
  }
  TMatch Longest(std::size_t i) const {
    const auto m = At(i);
    return m.empty() ? TMatch{} : m.back();
  }

private:
  std::vector<TMatch> all_;
  std::vector<std::uint32_t> start_;
};

// Bits of a copy in a format, 0 where the format cannot write it.
using TCopyBits = std::function<std::uint32_t(std::uint32_t length, std::uint32_t distance)>;

// The tokens of a parse: greedy (the longest match where it saves bits), lazy (a literal first
// when the next position has a longer match) or fewest bits for the given costs.
std::vector<TToken> Parse(const TMatchList& m, std::size_t n, TParse parse,
                          std::uint32_t literalBits, const TCopyBits& bits) {
  std::vector<TToken> tokens;
  if (parse != TParse::kOptimal) {
    for (std::size_t i = 0; i < n;) {
      const TMatch here = m.Longest(i);
      const bool later =
          parse == TParse::kLazy && i + 1 < n && m.Longest(i + 1).length > here.length;
      // A match is taken where it costs fewer bits than its bytes as literals.
      const std::uint32_t b = here.length == 0 ? 0 : bits(here.length, here.distance);
      if (later || b == 0 || b >= literalBits * here.length) {
        tokens.push_back({});
        ++i;
      } else {
        tokens.push_back({here.length, here.distance});
        i += here.length;
      }
    }
    return tokens;
  }
  std::vector<std::uint64_t> cost(n + 1, 0);
  std::vector<TToken> take(n);
  for (std::size_t i = n; i-- > 0;) {
    cost[i] = literalBits + cost[i + 1];
    take[i] = {};
    std::uint32_t shorter = 0;
    for (const TMatch& match : m.At(i)) {
      for (std::uint32_t len = std::max<std::uint32_t>(shorter + 1, 2); len <= match.length;
           ++len) {
        const std::uint32_t b = bits(len, match.distance);
        if (b != 0 && b + cost[i + len] < cost[i]) {
          cost[i] = b + cost[i + len];
          take[i] = {len, match.distance};
        }
      }
      shorter = match.length;
    }
  }
  for (std::size_t i = 0; i < n; i += std::max<std::uint32_t>(take[i].length, 1)) {
    tokens.push_back(take[i]);
  }
  return tokens;
}

// Bits in units of 1 or 2 bytes (2: little-endian words), each unit placed at the end of the
// output when its first bit is needed (`eager`: as soon as the unit before is full).
class TBitUnits {
public:
  TBitUnits(std::vector<std::uint8_t>& out, int bytes, bool msbFirst, bool eager)
      : out_(out),
        bits_(bytes * 8),
        bytes_(bytes),
        msbFirst_(msbFirst),
        eager_(eager),
        used_(bytes * 8) {
    if (eager_) Reserve();
  }
  void Put(unsigned bit) {
    if (used_ == bits_) Reserve();
    const int pos = msbFirst_ ? bits_ - 1 - used_ : used_;
    if (bit != 0)
      out_[at_ + static_cast<std::size_t>(pos / 8)] |= static_cast<std::uint8_t>(1U << (pos % 8));
    ++used_;
    if (eager_ && used_ == bits_) Reserve();
  }
  // n bits of v, its bit n - 1 first or its bit 0 first.
  void Field(std::uint32_t v, int n, bool highFirst) {
    for (int k = 0; k < n; ++k) Put(v >> (highFirst ? n - 1 - k : k) & 1U);
  }

private:
  void Reserve() {
    at_ = out_.size();
    out_.insert(out_.end(), static_cast<std::size_t>(bytes_), 0);
    used_ = 0;
  }
  std::vector<std::uint8_t>& out_;
  int bits_;
  int bytes_;
  bool msbFirst_;
  bool eager_;
  int used_;
  std::size_t at_ = 0;
};

int Log2(std::uint32_t v) {
  int k = 0;
  while (v >> (k + 1) != 0) ++k;
  return k;
}

std::uint16_t Crc16(std::span<const std::uint8_t> bytes) {
  std::uint16_t crc = 0;
  for (std::uint8_t b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc & 1U) != 0 ? (crc >> 1U) ^ 0xA001U : crc >> 1U;
  }
  return crc;
}

void PutBE(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
  for (int k = bytes - 1; k >= 0; --k) out.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
}

std::vector<std::uint8_t> RncStream(int method, std::span<const std::uint8_t> data,
                                    std::span<const std::uint8_t> packed, std::uint8_t byte17) {
  std::vector<std::uint8_t> s = {'R', 'N', 'C', static_cast<std::uint8_t>(method)};
  PutBE(s, static_cast<std::uint32_t>(data.size()), 4);
  PutBE(s, static_cast<std::uint32_t>(packed.size()), 4);
  PutBE(s, Crc16(data), 2);
  PutBE(s, Crc16(packed), 2);
  s.push_back(0);
  s.push_back(byte17);
  s.insert(s.end(), packed.begin(), packed.end());
  return s;
}

// ---- Koei ----

std::uint32_t KoeiLengthBits(std::uint32_t len) {
  if (len >= 129) return 14;
  return 2 * static_cast<std::uint32_t>(Log2(len - 1)) + 1;
}

std::uint32_t KoeiDistanceBits(std::uint32_t d) {
  if (d <= 4) return 6;
  if (d <= 8) return 7;
  if (d <= 32) return 8;
  if (d <= 128) return 9;
  return 3 + static_cast<std::uint32_t>(Log2(d - 1));  // 129..256: 10, ..., 2049..4096: 14
}

// The distance code as a number and its bit count.
std::pair<std::uint32_t, int> KoeiDistanceCode(std::uint32_t d) {
  if (d <= 4) return {d - 1, 6};
  if (d <= 8) return {8 + d - 5, 7};
  if (d <= 32) return {0x18 + d - 9, 8};
  if (d <= 128) return {0x60 + d - 33, 9};
  const int extra = Log2(d - 1);                                    // 7..11
  const std::uint32_t top = static_cast<std::uint32_t>(extra) - 4;  // 3..7
  return {top << static_cast<unsigned>(extra) | (d - 1 - (1U << static_cast<unsigned>(extra))),
          extra + 3};
}

class TKoeiWriter {
public:
  TKoeiWriter() : out_{0, 0}, flags_(out_, 1, true, false) {}
  void Literal(std::uint8_t v) {
    flags_.Put(1);
    out_.push_back(v);
  }
  void Copy(std::uint32_t len, std::uint32_t d) {
    flags_.Put(0);
    LengthCode(len);
    const auto [code, n] = KoeiDistanceCode(d);
    for (int k = n - 1; k >= 0; --k) Code(code >> static_cast<unsigned>(k) & 1U);
  }
  std::vector<std::uint8_t> Finish(bool keepLastPlace) {
    flags_.Put(0);
    for (int k = 0; k < 7; ++k) Code(0);
    for (int k = 0; k < 7; ++k) Code(1);
    if (!keepLastPlace && next_ + 2 == out_.size()) out_.resize(next_);
    return std::move(out_);
  }

private:
  void LengthCode(std::uint32_t len) {
    if (len >= 129) {
      for (int k = 0; k < 7; ++k) Code(0);
      for (int k = 6; k >= 0; --k) Code((len - 129) >> static_cast<unsigned>(k) & 1U);
      return;
    }
    const int c = Log2(len - 1);  // len 2: 0; 3..4: 1; ...; 65..128: 6
    for (int k = 0; k < c; ++k) Code(0);
    Code(1);
    const std::uint32_t x = len - (1U << static_cast<unsigned>(c)) - 1;
    for (int k = c - 1; k >= 0; --k) Code(x >> static_cast<unsigned>(k) & 1U);
  }
  // A code bit: the word is loaded where the place was reserved, the next place reserved now.
  void Code(unsigned bit) {
    if (used_ == 16) {
      at_ = next_;
      next_ = out_.size();
      out_.insert(out_.end(), 2, 0);
      used_ = 0;
    }
    const int pos = 15 - used_;
    if (bit != 0)
      out_[at_ + static_cast<std::size_t>(pos / 8)] |= static_cast<std::uint8_t>(1U << (pos % 8));
    ++used_;
  }
  std::vector<std::uint8_t> out_;
  TBitUnits flags_;
  std::size_t at_ = 0;
  std::size_t next_ = 0;
  int used_ = 16;
};

// ---- Konami ----

struct TKonamiCmd {
  enum TKind : std::uint8_t { kRaw, kCopy, kFill, kZeros, kPairs } kind = kRaw;
  std::uint32_t covers = 0;  // output bytes
  std::uint32_t arg = 0;     // copy: distance; fill: the byte
};

std::uint32_t KonamiCost(const TKonamiCmd& c, TKonamiKind kind) {
  switch (c.kind) {
    case TKonamiCmd::kRaw: return 1 + c.covers;
    case TKonamiCmd::kPairs: return 1 + c.covers / 2;
    case TKonamiCmd::kZeros: return kind != TKonamiKind::k1 && c.covers > 32 ? 2 : 1;
    default: return 2;
  }
}

std::uint32_t Run(std::span<const std::uint8_t> d, std::size_t i, std::uint32_t most) {
  std::uint32_t n = 1;
  while (n < most && i + n < d.size() && d[i + n] == d[i]) ++n;
  return n;
}

std::uint32_t Pairs(std::span<const std::uint8_t> d, std::size_t i) {
  std::uint32_t n = 0;
  while (n < 33 && i + 2 * n + 1 < d.size() && d[i + 2 * n] == 0) ++n;
  return n;
}

std::vector<TKonamiCmd> KonamiGreedy(std::span<const std::uint8_t> d, const TMatchList& m,
                                     TKonamiKind kind) {
  std::vector<TKonamiCmd> cmds;
  const std::uint32_t zeroMost = kind == TKonamiKind::k1 ? 33 : 257;
  for (std::size_t i = 0; i < d.size();) {
    TKonamiCmd best;
    const std::uint32_t run = Run(d, i, d[i] == 0 ? zeroMost : 33);
    if (run >= 2) best = {d[i] == 0 ? TKonamiCmd::kZeros : TKonamiCmd::kFill, run, d[i]};
    const TMatch copy = m.Longest(i);
    if (copy.length > best.covers) best = {TKonamiCmd::kCopy, copy.length, copy.distance};
    if (best.covers < 2) {
      if (!cmds.empty() && cmds.back().kind == TKonamiCmd::kRaw && cmds.back().covers < 31) {
        ++cmds.back().covers;
      } else {
        cmds.push_back({TKonamiCmd::kRaw, 1, 0});
      }
      ++i;
      continue;
    }
    cmds.push_back(best);
    i += best.covers;
  }
  return cmds;
}

std::vector<TKonamiCmd> KonamiShortest(std::span<const std::uint8_t> d, const TMatchList& m,
                                       TKonamiKind kind) {
  const std::size_t n = d.size();
  std::vector<std::uint32_t> cost(n + 1, 0);
  std::vector<TKonamiCmd> take(n);
  for (std::size_t i = n; i-- > 0;) {
    cost[i] = kNone;
    const auto consider = [&](const TKonamiCmd& c) {
      const std::uint32_t total = KonamiCost(c, kind) + cost[i + c.covers];
      if (total < cost[i]) {
        cost[i] = total;
        take[i] = c;
      }
    };
    for (std::uint32_t len = 1; len <= 31 && i + len <= n; ++len)
      consider({TKonamiCmd::kRaw, len, 0});
    const TMatch copy = m.Longest(i);
    for (std::uint32_t len = 2; len <= copy.length; ++len)
      consider({TKonamiCmd::kCopy, len, copy.distance});
    const bool zero = d[i] == 0;
    const std::uint32_t run = Run(d, i, zero ? (kind == TKonamiKind::k1 ? 33 : 257) : 33);
    for (std::uint32_t len = 2; len <= run; ++len) {
      consider({zero ? TKonamiCmd::kZeros : TKonamiCmd::kFill, len, d[i]});
    }
    const std::uint32_t pairs = Pairs(d, i);
    for (std::uint32_t k = 2; k <= pairs; ++k) consider({TKonamiCmd::kPairs, 2 * k, 0});
  }
  std::vector<TKonamiCmd> cmds;
  for (std::size_t i = 0; i < n; i += take[i].covers) cmds.push_back(take[i]);
  return cmds;
}

void PutKonami(std::vector<std::uint8_t>& s, const TKonamiCmd& c, std::span<const std::uint8_t> d,
               std::size_t at, TKonamiKind kind) {
  const auto byte = [&](std::uint32_t v) { s.push_back(static_cast<std::uint8_t>(v)); };
  switch (c.kind) {
    case TKonamiCmd::kRaw:
      byte(0x80 | c.covers);
      s.insert(s.end(), d.begin() + static_cast<std::ptrdiff_t>(at),
               d.begin() + static_cast<std::ptrdiff_t>(at + c.covers));
      break;
    case TKonamiCmd::kCopy: {
      // The source's place in the ring: output byte k sits at (0x3DF + k) mod 0x400.
      const std::uint32_t ring = (0x3DFU + static_cast<std::uint32_t>(at) - c.arg) & 0x3FFU;
      const std::uint32_t word = (c.covers - 2) << 10U | ring;
      byte(word >> 8U);
      byte(word);
      break;
    }
    case TKonamiCmd::kFill:
      byte(0xC0 | (c.covers - 2));
      byte(c.arg);
      break;
    case TKonamiCmd::kZeros:
      if (kind != TKonamiKind::k1 && c.covers > 32) {
        byte(0xFF);
        byte(c.covers - 2);
      } else {
        byte(0xE0 | (c.covers - 2));
      }
      break;
    case TKonamiCmd::kPairs:
      byte(0xA0 | (c.covers / 2 - 2));
      for (std::uint32_t k = 0; k < c.covers / 2; ++k) s.push_back(d[at + 2 * k + 1]);
      break;
  }
}

// ---- RNC1 ----

// A value's symbol (0, 1, or 1 + its highest bit) and the bits below its highest.
int RncSymbol(std::uint32_t v) { return v < 2 ? static_cast<int>(v) : Log2(v) + 1; }

struct TCode {
  std::uint32_t code = 0;
  int length = 0;
};

// Code lengths (at most 15) for the symbol counts: Huffman's, or one length for all.
std::vector<int> CodeLengths(const std::vector<std::uint32_t>& counts, bool flat) {
  std::vector<int> lengths(counts.size(), 0);
  std::vector<int> used;
  for (std::size_t s = 0; s < counts.size(); ++s) {
    if (counts[s] != 0) used.push_back(static_cast<int>(s));
  }
  if (used.size() == 1) lengths[static_cast<std::size_t>(used[0])] = 1;
  if (used.size() <= 1) return lengths;
  if (flat) {
    const int len = Log2(static_cast<std::uint32_t>(used.size() - 1)) + 1;
    for (int s : used) lengths[static_cast<std::size_t>(s)] = len;
    return lengths;
  }
  std::vector<std::uint64_t> weight(counts.begin(), counts.end());
  for (;;) {
    // Huffman's tree over (weight, node); leaves 0..n-1, inner nodes after.
    using TNode = std::pair<std::uint64_t, int>;
    std::priority_queue<TNode, std::vector<TNode>, std::greater<>> queue;
    std::vector<int> parent(2 * counts.size(), -1);
    for (int s : used) queue.push({weight[static_cast<std::size_t>(s)], s});
    int next = static_cast<int>(counts.size());
    while (queue.size() > 1) {
      const TNode a = queue.top();
      queue.pop();
      const TNode b = queue.top();
      queue.pop();
      parent[static_cast<std::size_t>(a.second)] = next;
      parent[static_cast<std::size_t>(b.second)] = next;
      queue.push({a.first + b.first, next++});
    }
    int deepest = 0;
    for (int s : used) {
      int depth = 0;
      for (int at = s; parent[static_cast<std::size_t>(at)] != -1;
           at = parent[static_cast<std::size_t>(at)])
        ++depth;
      lengths[static_cast<std::size_t>(s)] = depth;
      deepest = std::max(deepest, depth);
    }
    if (deepest <= 15) return lengths;
    for (int s : used)
      weight[static_cast<std::size_t>(s)] = (weight[static_cast<std::size_t>(s)] + 1) / 2;
  }
}

// Canonical codes: by length, then symbol; each the one before plus one, shifted left where
// the length grows.
std::vector<TCode> CanonicalCodes(const std::vector<int>& lengths) {
  std::vector<int> order;
  for (std::size_t s = 0; s < lengths.size(); ++s) {
    if (lengths[s] != 0) order.push_back(static_cast<int>(s));
  }
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return lengths[static_cast<std::size_t>(a)] < lengths[static_cast<std::size_t>(b)];
  });
  std::vector<TCode> codes(lengths.size());
  std::uint32_t code = 0;
  int last = 0;
  for (std::size_t k = 0; k < order.size(); ++k) {
    const int len = lengths[static_cast<std::size_t>(order[k])];
    if (k != 0) code = (code + 1) << static_cast<unsigned>(len - last);
    last = len;
    codes[static_cast<std::size_t>(order[k])] = {code, len};
  }
  return codes;
}

struct TRncCommand {
  std::uint32_t literals = 0;  // the run before the copy
  TToken copy;                 // length 0 for a chunk's last run
};

class TRnc1Chunk {
public:
  TRnc1Chunk(std::span<const TRncCommand> commands, bool flat) : commands_(commands) {
    std::array<std::vector<std::uint32_t>, 3> counts;
    for (auto& c : counts) c.assign(17, 0);
    for (const TRncCommand& c : commands) {
      ++counts[0][static_cast<std::size_t>(RncSymbol(c.literals))];
      if (c.copy.length == 0) continue;
      ++counts[1][static_cast<std::size_t>(RncSymbol(c.copy.distance - 1))];
      ++counts[2][static_cast<std::size_t>(RncSymbol(c.copy.length - 2))];
    }
    for (std::size_t t = 0; t < 3; ++t) {
      lengths_[t] = CodeLengths(counts[t], flat);
      while (!lengths_[t].empty() && lengths_[t].back() == 0) lengths_[t].pop_back();
      codes_[t] = CanonicalCodes(lengths_[t]);
    }
  }
  void Write(TBitUnits& bits, std::vector<std::uint8_t>& out, std::span<const std::uint8_t> data,
             std::size_t& at) const {
    for (const auto& lengths : lengths_) {
      bits.Field(static_cast<std::uint32_t>(lengths.size()), 5, false);
      for (int len : lengths) bits.Field(static_cast<std::uint32_t>(len), 4, false);
    }
    bits.Field(static_cast<std::uint32_t>(commands_.size()), 16, false);
    for (const TRncCommand& c : commands_) {
      Value(bits, 0, c.literals);
      out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                 data.begin() + static_cast<std::ptrdiff_t>(at + c.literals));
      at += c.literals;
      if (c.copy.length == 0) continue;
      Value(bits, 1, c.copy.distance - 1);
      Value(bits, 2, c.copy.length - 2);
      at += c.copy.length;
    }
  }

private:
  void Value(TBitUnits& bits, std::size_t table, std::uint32_t v) const {
    const int s = RncSymbol(v);
    const TCode code = codes_[table][static_cast<std::size_t>(s)];
    bits.Field(code.code, code.length, true);
    if (s >= 2) bits.Field(v - (1U << static_cast<unsigned>(s - 1)), s - 1, false);
  }
  std::span<const TRncCommand> commands_;
  std::array<std::vector<int>, 3> lengths_;
  std::array<std::vector<TCode>, 3> codes_;
};

// ---- RNC2 ----

void Rnc2Distance(TBitUnits& bits, std::vector<std::uint8_t>& out, std::uint32_t d) {
  const std::uint32_t h = (d - 1) >> 8U;
  if (h == 0) {
    bits.Put(0);
  } else if (h == 1) {
    bits.Field(0b110, 3, true);
  } else if (h < 4) {
    bits.Field(0b1000 | (h - 2), 4, true);
  } else if (h < 8) {
    const std::uint32_t t = h - 4;
    bits.Field(0b10101 | (t >> 1U) << 3U | (t & 1U) << 1U, 5, true);
  } else {
    const std::uint32_t t = h - 8;
    bits.Field(0b101000 | (t >> 2U) << 4U | (t >> 1U & 1U) << 2U | (t & 1U), 6, true);
  }
  out.push_back(static_cast<std::uint8_t>(d - 1));
}

std::uint32_t Rnc2HighBits(std::uint32_t d) {
  const std::uint32_t h = (d - 1) >> 8U;
  return h == 0 ? 1 : h == 1 ? 3 : h < 4 ? 4 : h < 8 ? 5 : 6;
}

}  // namespace

std::vector<std::uint8_t> WriteLCLZ14(std::span<const std::uint8_t> data, TParse parse,
                                      std::uint32_t zeroPrefix) {
  const TMatchList m(data, 3, 18, 4095, zeroPrefix);
  const auto tokens = Parse(m, data.size(), parse, 9,
                            [](std::uint32_t len, std::uint32_t) { return len >= 3 ? 17U : 0U; });
  std::vector<std::uint8_t> s = {static_cast<std::uint8_t>(data.size()),
                                 static_cast<std::uint8_t>(data.size() >> 8U)};
  TBitUnits flags(s, 1, false, false);
  std::size_t at = 0;
  for (const TToken& t : tokens) {
    flags.Put(t.length == 0 ? 1 : 0);
    if (t.length == 0) {
      s.push_back(data[at++]);
      continue;
    }
    const std::uint32_t word = (t.length - 3) | t.distance << 4U;
    s.push_back(static_cast<std::uint8_t>(word));
    s.push_back(static_cast<std::uint8_t>(word >> 8U));
    at += t.length;
  }
  return s;
}

std::vector<std::uint8_t> WriteKonami(std::span<const std::uint8_t> data, TKonamiKind kind,
                                      bool shortest) {
  std::vector<std::uint8_t> d(data.begin(), data.end());
  if (kind == TKonamiKind::k2R) {
    if (d.size() % 16 != 0) return {};
    for (std::size_t b = 0; b < d.size(); b += 16) {
      for (std::size_t j = 0; j < 8; ++j) {
        d[b + j] = data[b + 2 * j];
        d[b + 8 + j] = data[b + 2 * j + 1];
      }
    }
  }
  // Copies read a 1024-byte ring whose unwritten places hold zeros.
  const TMatchList m(d, 2, 33, 1024, 1024);
  const auto cmds = shortest ? KonamiShortest(d, m, kind) : KonamiGreedy(d, m, kind);
  std::vector<std::uint8_t> s = {0, 0};
  std::size_t at = 0;
  for (const TKonamiCmd& c : cmds) {
    PutKonami(s, c, d, at, kind);
    at += c.covers;
  }
  if (s.size() > (kind == TKonamiKind::k1 ? 0xFFFFU : 0x7FFFU)) return {};
  const std::uint32_t header =
      static_cast<std::uint32_t>(s.size()) | (kind == TKonamiKind::k2R ? 0x8000U : 0U);
  s[0] = static_cast<std::uint8_t>(header);
  s[1] = static_cast<std::uint8_t>(header >> 8U);
  return s;
}

std::vector<std::uint8_t> WriteLCLZ17(std::span<const std::uint8_t> data, TParse parse,
                                      bool longThird) {
  const TMatchList m(data, 2, 256, 8192, 0);
  const auto tokens = Parse(m, data.size(), parse, 9, [&](std::uint32_t len, std::uint32_t d) {
    if (len <= 5 && d <= 256) return 12U;
    return !longThird && len >= 3 && len <= 9 ? 18U : 26U;
  });
  std::vector<std::uint8_t> s;
  TBitUnits bits(s, 2, false, true);
  std::size_t at = 0;
  const auto longCopy = [&](std::uint32_t lo, std::uint32_t hi, int third) {
    bits.Put(0);
    bits.Put(1);
    s.push_back(static_cast<std::uint8_t>(lo));
    s.push_back(static_cast<std::uint8_t>(hi));
    if (third >= 0) s.push_back(static_cast<std::uint8_t>(third));
  };
  for (const TToken& t : tokens) {
    if (t.length == 0) {
      bits.Put(1);
      s.push_back(data[at++]);
      continue;
    }
    at += t.length;
    if (t.length <= 5 && t.distance <= 256) {
      bits.Put(0);
      bits.Put(0);
      bits.Field(t.length - 2, 2, true);
      s.push_back(static_cast<std::uint8_t>(0x100 - t.distance));
      continue;
    }
    const std::uint32_t far = (0x2000 - t.distance) & 0x1FFFU;
    const std::uint32_t hi = (far >> 8U) << 3U;
    if (!longThird && t.length >= 3 && t.length <= 9) {
      longCopy(far & 0xFFU, hi | (t.length - 2), -1);
    } else {
      longCopy(far & 0xFFU, hi, static_cast<int>(t.length - 1));
    }
  }
  longCopy(0, longThird ? 0 : 0xF0, 0);
  return s;
}

std::vector<std::uint8_t> WriteKoei(std::span<const std::uint8_t> data, TParse parse,
                                    bool keepLastPlace) {
  const TMatchList m(data, 2, 255, 4096, 0);
  const auto tokens = Parse(m, data.size(), parse, 9, [](std::uint32_t len, std::uint32_t d) {
    return 1 + KoeiLengthBits(len) + KoeiDistanceBits(d);
  });
  TKoeiWriter w;
  std::size_t at = 0;
  for (const TToken& t : tokens) {
    if (t.length == 0) {
      w.Literal(data[at++]);
    } else {
      w.Copy(t.length, t.distance);
      at += t.length;
    }
  }
  return w.Finish(keepLastPlace);
}

std::vector<std::uint8_t> WriteRNC2(std::span<const std::uint8_t> data, TParse parse,
                                    std::uint8_t blockByte, bool runs) {
  const TMatchList m(data, 2, 255, 4096, 0);
  const auto tokens = Parse(m, data.size(), parse, 9, [](std::uint32_t len, std::uint32_t d) {
    if (len == 2) return d <= 256 ? 11U : 0U;
    const std::uint32_t code = len == 3 || len == 4 || len == 5 ? 4 : len <= 8 ? 5 : 12;
    return code + Rnc2HighBits(d) + 8;
  });
  std::vector<std::uint8_t> packed;
  TBitUnits bits(packed, 1, true, false);
  bits.Put(0);  // lock
  bits.Put(0);  // key
  std::size_t at = 0;
  for (std::size_t k = 0; k < tokens.size();) {
    const TToken& t = tokens[k];
    if (t.length == 0) {
      std::size_t literals = 0;
      while (k + literals < tokens.size() && tokens[k + literals].length == 0) ++literals;
      if (runs && literals >= 12) {
        const std::size_t n = std::min<std::size_t>(72, literals & ~std::size_t{3});
        bits.Field(0b10111, 5, true);
        bits.Field(static_cast<std::uint32_t>(n / 4 - 3), 4, true);
        packed.insert(packed.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                      data.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
        k += n;
        continue;
      }
      bits.Put(0);
      packed.push_back(data[at++]);
      ++k;
      continue;
    }
    static constexpr std::array<std::pair<std::uint32_t, int>, 9> kLengthCodes = {{{0, 0},
                                                                                   {0, 0},
                                                                                   {0b110, 3},
                                                                                   {0b1110, 4},
                                                                                   {0b1000, 4},
                                                                                   {0b1010, 4},
                                                                                   {0b10010, 5},
                                                                                   {0b10011, 5},
                                                                                   {0b10110, 5}}};
    if (t.length == 2) {
      bits.Field(0b110, 3, true);
      packed.push_back(static_cast<std::uint8_t>(t.distance - 1));
    } else if (t.length <= 8) {
      bits.Field(kLengthCodes[t.length].first, kLengthCodes[t.length].second, true);
      Rnc2Distance(bits, packed, t.distance);
    } else {
      bits.Field(0b1111, 4, true);
      packed.push_back(static_cast<std::uint8_t>(t.length - 8));
      Rnc2Distance(bits, packed, t.distance);
    }
    at += t.length;
    ++k;
  }
  bits.Field(0b1111, 4, true);
  packed.push_back(0);
  bits.Put(0);
  return RncStream(2, data, packed, blockByte);
}

std::vector<std::uint8_t> WriteRNC1(std::span<const std::uint8_t> data, TParse parse,
                                    bool flatTables, std::size_t chunkSize) {
  const TMatchList m(data, 2, 255, 32768, 0);
  // Rough costs: a literal a byte and a bit, a copy by the sizes of its values.
  const auto tokens = Parse(m, data.size(), parse, 9, [](std::uint32_t len, std::uint32_t d) {
    return 6 + static_cast<std::uint32_t>(Log2(len - 1) + Log2(d)) * 2;
  });
  // Commands: the literals before each copy; chunks cut after a copy once they hold enough.
  std::vector<TRncCommand> commands;
  std::vector<std::size_t> chunkEnds;
  std::uint32_t literals = 0;
  std::size_t inChunk = 0;
  for (const TToken& t : tokens) {
    if (t.length == 0) {
      ++literals;
      ++inChunk;
      continue;
    }
    commands.push_back({literals, t});
    inChunk += t.length;
    literals = 0;
    if (inChunk >= chunkSize) {
      commands.push_back({});  // the chunk's last run: none
      chunkEnds.push_back(commands.size());
      inChunk = 0;
    }
  }
  if (chunkEnds.empty() || literals != 0 || chunkEnds.back() != commands.size()) {
    commands.push_back({literals, {}});
    chunkEnds.push_back(commands.size());
  }
  std::vector<std::uint8_t> packed;
  TBitUnits bits(packed, 2, false, false);
  bits.Put(0);  // lock
  bits.Put(0);  // key
  std::size_t at = 0;
  std::size_t from = 0;
  for (std::size_t end : chunkEnds) {
    const TRnc1Chunk chunk{std::span<const TRncCommand>(commands).subspan(from, end - from),
                           flatTables};
    chunk.Write(bits, packed, data, at);
    from = end;
  }
  return RncStream(1, data, packed, flatTables ? 0 : static_cast<std::uint8_t>(chunkEnds.size()));
}

}  // namespace tegulo::gen
