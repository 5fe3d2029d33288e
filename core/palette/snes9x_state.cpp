// Snes9x snapshots: a text header, then named blocks; CGRAM is inside the PPU block, as
// big-endian words.
#include <algorithm>

#include "palette/state_bytes.h"
#include "palette/state_parts.h"
#include "palette/state_readers.h"

namespace tegulo {
namespace {

constexpr std::string_view kMagic = "#!s9xsnp:";
constexpr int kFirstVersion = 6;
constexpr int kLastVersion = 12;
constexpr std::size_t kBlockHeader = 11;
const char* const kCutShort = "the Snes9x snapshot is cut short";

bool IsDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }

int Decimal(std::span<const std::uint8_t> digits) {
  int v = 0;
  for (const std::uint8_t c : digits) {
    if (!IsDigit(c)) return -1;
    v = v * 10 + (c - '0');
  }
  return v;
}

}  // namespace

std::span<const std::uint8_t> TSnes9xBlocks::Find(std::string_view name) const {
  for (const TBlock& b : blocks) {
    if (name.size() == 3 && std::equal(name.begin(), name.end(), b.name.begin())) return b.data;
  }
  return {};
}

TSnes9xBlocks Snes9xBlocks(std::span<const std::uint8_t> stream) {
  TByteCursor in(stream, kCutShort);
  const auto header = in.Take(kMagic.size() + 5);
  if (!StartsWith(header, kMagic) || header[13] != '\n') {
    throw TError("the Snes9x snapshot header is damaged");
  }
  TSnes9xBlocks out;
  out.version = Decimal(header.subspan(kMagic.size(), 4));
  if (out.version < 0) throw TError("the Snes9x snapshot header is damaged");
  if (out.version < kFirstVersion || out.version > kLastVersion) {
    throw TError("Snes9x snapshot version " + std::to_string(out.version) +
                 " is not supported (6 to 12 are)");
  }
  // A damaged or cut block ends the walk: the blocks before it stay usable, and `damage`
  // tells why a later one is missing.
  try {
    while (in.Left() > 0) {
      const auto h = in.Take(kBlockHeader);
      if (h[3] != ':' || h[10] != ':') throw TError("a Snes9x snapshot block header is damaged");
      std::size_t length = 0;
      if (h[4] == '-') {
        length = U32BeAt(h, 6);
      } else {
        const int n = Decimal(h.subspan(4, 6));
        if (n < 0) throw TError("a Snes9x snapshot block header is damaged");
        length = static_cast<std::size_t>(n);
      }
      TSnes9xBlocks::TBlock b;
      std::copy_n(h.begin(), 3, b.name.begin());
      b.data = in.Take(length);
      out.blocks.push_back(b);
    }
  } catch (const TError& e) {
    out.damage = e.what();
  }
  return out;
}

TPalette Snes9xPalette(std::span<const std::uint8_t> stream) {
  const TSnes9xBlocks s = Snes9xBlocks(stream);
  // CGSavedByte came in with version 11, just before CGDATA.
  const std::size_t cgramAt = s.version >= 11 ? 64 : 63;
  for (const TSnes9xBlocks::TBlock& b : s.blocks) {
    if (std::string_view(b.name.data(), 3) != "PPU") continue;
    if (b.data.size() < cgramAt + 512) throw TError("the Snes9x PPU block is too short");
    return ConsoleWordsBe(b.data.subspan(cgramAt, 512));
  }
  if (!s.damage.empty()) throw TError(s.damage);
  throw TError("the Snes9x snapshot has no PPU block");
}

}  // namespace tegulo
