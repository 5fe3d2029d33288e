// "RLE-30": blocks of a flag byte, then a run (one byte, 3..130 times) or 1..128 literal
// bytes; and its optimal compressor.
#include <algorithm>
#include <deque>

#include "base/stream_view.h"
#include "compress/bios/bios_header.h"
#include "compress/bios/bios_schemes.h"

namespace tegulo {

namespace {

// The output of the block walk: the decoder's writes the bytes, the extent's writes nothing.
struct TWriteBlocks {
  TDecodeBuffer& output;
  void Run(std::size_t o, std::size_t len, std::uint8_t v) {
    std::fill_n(output.begin() + static_cast<std::ptrdiff_t>(o), len, v);
  }
  void Copy(std::size_t o, std::span<const std::uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), output.begin() + static_cast<std::ptrdiff_t>(o));
  }
};
struct TSkipBlocks {
  static void Run(std::size_t /*o*/, std::size_t /*len*/, std::uint8_t /*v*/) {}
  static void Copy(std::size_t /*o*/, std::span<const std::uint8_t> /*bytes*/) {}
};

// The blocks up to the announced size (the output holds it); returns the bytes consumed.
template <class TOutput>
std::uint32_t WalkBlocks(std::span<const std::uint8_t> stream, std::size_t size, TOutput put) {
  const std::size_t n = stream.size();
  std::size_t in = 4;
  std::size_t o = 0;
  while (o < size) {
    if (in >= n) return static_cast<std::uint32_t>(n);
    const unsigned flag = stream[in++];
    const bool run = (flag & 0x80u) != 0;
    const std::size_t len = std::min<std::size_t>((flag & 0x7Fu) + (run ? 3u : 1u), size - o);
    if (run) {
      if (in >= n) return static_cast<std::uint32_t>(n);
      put.Run(o, len, stream[in++]);
      o += len;
      continue;
    }
    const std::size_t have = std::min(len, n - in);
    put.Copy(o, stream.subspan(in, have));
    in += have;
    o += have;
    if (have < len) return static_cast<std::uint32_t>(n);
  }
  return static_cast<std::uint32_t>(std::min(in, n));
}

}  // namespace

std::uint32_t DecompressRLE30(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                              bool* notValid) {
  const std::uint32_t header = ReadLePadded(stream, 0, 4);
  if (notValid != nullptr) *notValid = (header & 0xFFu) != bios::kTypeRLE30;
  const std::size_t size = header >> 8;
  if (output.size() < size) output.resize(size);
  return WalkBlocks(stream, size, TWriteBlocks{output});
}

std::size_t StreamExtentRLE30(std::span<const std::uint8_t> stream) {
  return WalkBlocks(stream, ReadLePadded(stream, 0, 4) >> 8, TSkipBlocks{});
}

std::vector<std::uint8_t> CompressRLE30(std::span<const std::uint8_t> data,
                                        const TCompressOptions& /*options*/) {
  CheckBiosSize("RLE-30", data.size());
  const std::size_t n = data.size();
  // cost[i]: fewest bytes for data[i..]; step[i]: the first block's length, negative for a
  // run. A literal block of k costs 1 + k, so its best end j minimises cost[j] + j over
  // i+1..i+128: a sliding minimum. Among blocks of equal cost the longest is taken, so a
  // stretch longer than one block starts with a full one, as the BIOS tools write it.
  std::vector<std::uint32_t> cost(n + 1, 0);
  std::vector<std::int16_t> step(n, 1);
  std::vector<std::uint32_t> runLen(n + 1, 0);
  std::deque<std::size_t> window;  // ends j, cost[j] + j increasing from the front
  for (std::size_t i = n; i-- > 0;) {
    runLen[i] = i + 1 < n && data[i + 1] == data[i] ? runLen[i + 1] + 1 : 1;
    const std::size_t j = i + 1;
    while (!window.empty() && cost[window.back()] + window.back() > cost[j] + j) window.pop_back();
    window.push_back(j);
    while (window.front() > i + 128) window.pop_front();
    const std::size_t lit = window.front();
    std::uint32_t best = static_cast<std::uint32_t>(1 + cost[lit] + lit - i);
    std::int16_t choice = static_cast<std::int16_t>(lit - i);
    const std::size_t longest = std::min<std::size_t>(runLen[i], 130);
    for (std::size_t len = 3; len <= longest; ++len) {
      if (2 + cost[i + len] <= best) {
        best = 2 + cost[i + len];
        choice = static_cast<std::int16_t>(-static_cast<int>(len));
      }
    }
    cost[i] = best;
    step[i] = choice;
  }
  std::vector<std::uint8_t> out = BiosHeader(bios::kTypeRLE30, n);
  out.reserve(4 + cost[0]);
  for (std::size_t i = 0; i < n;) {
    if (step[i] < 0) {
      const std::size_t len = static_cast<std::size_t>(-step[i]);
      out.push_back(static_cast<std::uint8_t>(0x80u | (len - 3)));
      out.push_back(data[i]);
      i += len;
      continue;
    }
    const std::size_t len = static_cast<std::size_t>(step[i]);
    out.push_back(static_cast<std::uint8_t>(len - 1));
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(i),
               data.begin() + static_cast<std::ptrdiff_t>(i + len));
    i += len;
  }
  return out;
}

}  // namespace tegulo

namespace tegulo {
namespace {

bool HasFourEqual(std::span<const std::uint8_t> block) {
  for (std::size_t k = 3; k < block.size(); ++k) {
    if (block[k] == block[k - 1] && block[k] == block[k - 2] && block[k] == block[k - 3]) {
      return true;
    }
  }
  return false;
}

// The blocks one after another, refused where no encoder writes them: two runs of one byte
// or two literal blocks in a row that one block would hold, or four equal literals. Where
// the two do not fit one block, any split is an encoder's choice: some fill the first block,
// an optimal parse from the end may fill the last.
struct TBlockCheck {
  std::span<const std::uint8_t> s;
  TStreamStats& st;
  std::size_t in = 4;
  std::size_t out = 0;
  int lastRun = -1;             // the byte of the run before, -1 after literals
  std::size_t lastRunLen = 0;   // and its length
  std::size_t lastLiteral = 0;  // the length of the literal block before, 0 after a run

  bool Run(std::size_t len) {
    if (s[in] == lastRun && lastRunLen + len <= 130) return false;
    lastRun = s[in];
    lastRunLen = len;
    lastLiteral = 0;
    ++in;
    ++st.references;
    st.referenceBytes += static_cast<std::uint32_t>(len);
    return true;
  }

  bool Literals(std::size_t len) {
    if (lastLiteral + len <= 128 && lastLiteral != 0) return false;
    if (HasFourEqual(s.subspan(in, len))) return false;
    for (std::size_t k = 0; k < len; ++k) st.MarkLiteral(static_cast<std::uint32_t>(out + k));
    lastLiteral = len;
    lastRun = -1;
    in += len;
    st.literals += static_cast<std::uint32_t>(len);
    return true;
  }
};

}  // namespace

std::optional<TScanHit> CheckRLE30Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                      std::uint32_t minSize, TStreamStats* stats) {
  TStreamStats local;
  const auto size = BiosHeaderAt(rom, pos, bios::kTypeRLE30, minSize);
  if (!size) return std::nullopt;
  TBlockCheck check{rom.subspan(pos), FreshStats(stats, local)};
  while (check.out < *size) {
    const std::span<const std::uint8_t> s = check.s;
    if (check.in >= s.size()) return std::nullopt;
    const unsigned flag = s[check.in++];
    const bool run = (flag & 0x80u) != 0;
    const std::size_t len = (flag & 0x7Fu) + (run ? 3 : 1);
    if (check.out + len > *size || check.in + (run ? 1 : len) > s.size()) return std::nullopt;
    if (!(run ? check.Run(len) : check.Literals(len))) return std::nullopt;
    check.out += len;
  }
  check.st.comprSize = static_cast<std::uint32_t>(check.in);
  // Blocks an encoder writes, ending exactly at the size: the facts decide.
  check.st.factsMinOutput = kStrictFactsMinOutput;
  return TScanHit{pos, kSchemeRLE30, *size, static_cast<std::uint32_t>(check.in), 0};
}

}  // namespace tegulo
