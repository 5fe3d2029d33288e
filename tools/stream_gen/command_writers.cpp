// Writers of the SNES command formats.
#include "command_writers.h"

#include <algorithm>
#include <array>
#include <vector>

namespace tegulo::gen {
namespace {

constexpr std::size_t kMaxCount = 1024;
constexpr std::uint32_t kNone = 0xFFFFFFFFU;
constexpr int kChain = 32;

enum TOp : int { kCopy = 0, kByteFill = 1, kWordFill = 2, kRising = 3, kRepeat = 4 };

std::uint8_t Reversed(std::uint8_t b) {
  std::uint8_t r = 0;
  for (int k = 0; k < 8; ++k) r = static_cast<std::uint8_t>(r | ((b >> k) & 1U) << (7 - k));
  return r;
}

// One command: its number, the bytes of output it writes, its argument (a byte, a word or
// an address) and the argument's size.
struct TCommand {
  int cmd = kCopy;
  std::size_t covers = 0;
  std::uint32_t arg = 0;
  int argBytes = 0;
};

std::size_t Count(const TCommand& c, TCommandKind kind) {
  return kind == TCommandKind::kHAL && c.cmd == kWordFill ? c.covers / 2 : c.covers;
}

std::size_t Cost(const TCommand& c, TCommandKind kind) {
  const std::size_t header = Count(c, kind) <= 32 ? 1 : 2;
  return header + static_cast<std::size_t>(c.cmd == kCopy ? c.covers : c.argBytes);
}

// The longest source of each repeat kind at each position, over hash chains of the bytes a
// source would give.
class TRepeats {
public:
  TRepeats(std::span<const std::uint8_t> data, TCommandKind kind) : data_(data), kind_(kind) {
    for (auto& h : head_) h.assign(std::size_t{1} << 16U, kNone);
    for (auto& p : prev_) p.assign(data.size(), kNone);
  }
  // The candidates at i; sources before i are inserted first.
  void Candidates(std::size_t i, std::vector<TCommand>& out) {
    for (; inserted_ < i; ++inserted_) Insert(inserted_);
    if (i + 3 > data_.size()) return;
    const std::uint32_t key = Key(data_[i], data_[i + 1], data_[i + 2]);
    for (int form = 0; form < Forms(); ++form) {
      std::size_t best = 0;
      std::uint32_t bestAt = 0;
      std::size_t bestNear = 0;
      std::uint32_t nearAt = 0;
      int depth = 0;
      for (std::uint32_t a = head_[form][key]; a != kNone && depth < kChain;
           a = prev_[form][a], ++depth) {
        const std::size_t len = Length(form, a, i);
        if (len > best) {
          best = len;
          bestAt = a;
        }
        if (len > bestNear && i - a <= 255) {
          bestNear = len;
          nearAt = a;
        }
        if (best == std::min(kMaxCount, data_.size() - i) && (bestNear == best || i - a > 255)) {
          break;  // none can be longer
        }
      }
      if (best >= 3) out.push_back(Repeat(form, best, bestAt));
      // LC_LZ5: a plain repeat within 255 bytes costs a byte less.
      if (form == 0 && kind_ == TCommandKind::kLCLZ5 && bestNear >= 2) {
        out.push_back({6, bestNear, static_cast<std::uint32_t>(i - nearAt), 1});
      }
    }
  }

private:
  // 0 plain; 1 LC_LZ5's complemented or HAL's bit-reversed; 2 HAL's backward.
  int Forms() const {
    if (kind_ == TCommandKind::kLCLZ2 || kind_ == TCommandKind::kLCLZ1) return 1;
    return kind_ == TCommandKind::kHAL ? 3 : 2;
  }
  static std::uint32_t Key(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
    return ((a * 2654435761U) ^ (b * 40503U) ^ (c * 97U)) & 0xFFFFU;
  }
  std::uint8_t Source(int form, std::size_t a, std::size_t k) const {
    if (form == 0) return data_[a + k];
    if (form == 2) return data_[a - k];
    return kind_ == TCommandKind::kLCLZ5 ? static_cast<std::uint8_t>(data_[a + k] ^ 0xFF)
                                         : Reversed(data_[a + k]);
  }
  void Insert(std::size_t a) {
    for (int form = 0; form < Forms(); ++form) {
      if (form == 2 ? a < 2 : a + 3 > data_.size()) continue;
      const std::uint32_t key = Key(Source(form, a, 0), Source(form, a, 1), Source(form, a, 2));
      prev_[form][a] = head_[form][key];
      head_[form][key] = static_cast<std::uint32_t>(a);
    }
  }
  std::size_t Length(int form, std::size_t a, std::size_t i) const {
    std::size_t room = std::min(kMaxCount, data_.size() - i);
    if (form == 2) room = std::min(room, a + 1);
    std::size_t len = 0;
    while (len < room && Source(form, a, len) == data_[i + len]) ++len;
    return len;
  }
  TCommand Repeat(int form, std::size_t len, std::uint32_t a) const {
    const bool littleEndian = kind_ == TCommandKind::kLCLZ5 || kind_ == TCommandKind::kLCLZ1;
    const std::uint32_t arg = littleEndian ? (a & 0xFF) << 8 | a >> 8 : a;
    return {kRepeat + form, len, arg, 2};
  }

  std::span<const std::uint8_t> data_;
  TCommandKind kind_;
  std::array<std::vector<std::uint32_t>, 3> head_;
  std::array<std::vector<std::uint32_t>, 3> prev_;
  std::size_t inserted_ = 0;
};

// The fills at i, each as long as it goes.
void Fills(std::span<const std::uint8_t> d, std::size_t i, TCommandKind kind,
           std::vector<TCommand>& out) {
  const std::size_t room =
      std::min(d.size() - i, kind == TCommandKind::kHAL ? 2 * kMaxCount : kMaxCount);
  std::size_t same = 1;
  while (same < std::min(room, kMaxCount) && d[i + same] == d[i]) ++same;
  out.push_back({kByteFill, same, d[i], 1});
  std::size_t rising = 1;
  while (rising < std::min(room, kMaxCount) &&
         d[i + rising] == static_cast<std::uint8_t>(d[i] + rising)) {
    ++rising;
  }
  if (rising >= 2) out.push_back({kRising, rising, d[i], 1});
  if (room >= 2) {
    std::size_t word = 2;
    while (word < room && d[i + word] == d[i + word - 2]) ++word;
    if (kind == TCommandKind::kHAL) word &= ~std::size_t{1};
    if (word >= 3 || (kind == TCommandKind::kHAL && word >= 2)) {
      out.push_back({kWordFill, word, static_cast<std::uint32_t>(d[i] << 8 | d[i + 1]), 2});
    }
  }
}

void Put(std::vector<std::uint8_t>& s, const TCommand& c, TCommandKind kind,
         std::span<const std::uint8_t> data, std::size_t at) {
  const std::size_t n = Count(c, kind) - 1;
  if (n < 32) {
    s.push_back(static_cast<std::uint8_t>(c.cmd << 5 | n));
  } else {
    s.push_back(static_cast<std::uint8_t>(0xE0 | c.cmd << 2 | n >> 8));
    s.push_back(static_cast<std::uint8_t>(n));
  }
  if (c.cmd == kCopy) {
    s.insert(s.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
             data.begin() + static_cast<std::ptrdiff_t>(at + c.covers));
  } else if (c.argBytes == 1) {
    s.push_back(static_cast<std::uint8_t>(c.arg));
  } else {
    s.push_back(static_cast<std::uint8_t>(c.arg >> 8));
    s.push_back(static_cast<std::uint8_t>(c.arg));
  }
}

// Every shorter form of a candidate is a command too (HAL's word fill in pairs).
bool Shortens(const TCommand& c, std::size_t len, TCommandKind kind) {
  if (kind == TCommandKind::kHAL && c.cmd == kWordFill) return len % 2 == 0 && len >= 2;
  if (c.cmd == kWordFill) return len >= 3;
  if (c.cmd >= kRepeat && c.argBytes == 2) return len >= 3;
  return len >= 1;
}

std::vector<TCommand> Greedy(std::span<const std::uint8_t> data, TCommandKind kind) {
  std::vector<TCommand> commands;
  TRepeats repeats(data, kind);
  std::vector<TCommand> found;
  std::size_t copyFrom = 0;
  const auto flush = [&](std::size_t to) {
    while (copyFrom < to) {
      const std::size_t n = std::min(kMaxCount, to - copyFrom);
      commands.push_back({kCopy, n, 0, 0});
      copyFrom += n;
    }
  };
  for (std::size_t i = 0; i < data.size();) {
    found.clear();
    Fills(data, i, kind, found);
    repeats.Candidates(i, found);
    const TCommand* best = nullptr;
    for (const TCommand& c : found) {
      // Worth a command when it writes more bytes than it costs, plus one.
      if (c.covers < Cost(c, kind) + 2) continue;
      if (best == nullptr || c.covers > best->covers) best = &c;
    }
    if (best == nullptr) {
      ++i;
      continue;
    }
    flush(i);
    commands.push_back(*best);
    i += best->covers;
    copyFrom = i;
  }
  flush(data.size());
  return commands;
}

std::vector<TCommand> Shortest(std::span<const std::uint8_t> data, TCommandKind kind) {
  const std::size_t n = data.size();
  std::vector<std::vector<TCommand>> at(n);
  TRepeats repeats(data, kind);
  for (std::size_t i = 0; i < n; ++i) {
    Fills(data, i, kind, at[i]);
    repeats.Candidates(i, at[i]);
  }
  std::vector<std::size_t> cost(n + 1, 0);
  std::vector<TCommand> take(n);
  for (std::size_t i = n; i-- > 0;) {
    cost[i] = SIZE_MAX;
    const auto consider = [&](const TCommand& c) {
      const std::size_t total = Cost(c, kind) + cost[i + c.covers];
      if (total < cost[i]) {
        cost[i] = total;
        take[i] = c;
      }
    };
    // Longer forms first: a tie keeps the longer command.
    for (const TCommand& c : at[i]) {
      for (std::size_t len = c.covers; len >= 1; --len) {
        if (!Shortens(c, len, kind)) continue;
        TCommand shorter = c;
        shorter.covers = len;
        consider(shorter);
      }
    }
    for (std::size_t len = std::min(kMaxCount, n - i); len >= 1; --len)
      consider({kCopy, len, 0, 0});
  }
  std::vector<TCommand> commands;
  for (std::size_t i = 0; i < n; i += take[i].covers) commands.push_back(take[i]);
  return commands;
}

}  // namespace

std::vector<std::uint8_t> WriteCommands(std::span<const std::uint8_t> data, TCommandKind kind,
                                        bool optimal) {
  const std::vector<TCommand> commands = optimal ? Shortest(data, kind) : Greedy(data, kind);
  std::vector<std::uint8_t> s;
  std::size_t at = 0;
  for (const TCommand& c : commands) {
    Put(s, c, kind, data, at);
    at += c.covers;
  }
  s.push_back(0xFF);
  return s;
}

}  // namespace tegulo::gen
