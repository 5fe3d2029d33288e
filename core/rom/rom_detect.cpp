// Telling ROM layouts apart: the GBA header check and the scored SNES internal headers.
#include <algorithm>
#include <array>
#include <cctype>

#include "rom/rom_layout.h"

namespace tegulo {
namespace {

constexpr std::size_t kGbaHeaderEnd = 0xC0;
constexpr std::size_t kGbaMaxSize = 32u << 20;
constexpr std::size_t kCopierHeader = 512;

bool IsGba(std::span<const std::uint8_t> rom) {
  if (rom.size() < kGbaHeaderEnd || rom.size() > kGbaMaxSize || rom[0xB2] != 0x96) return false;
  std::uint8_t chk = 0;
  for (std::size_t i = 0xA0; i <= 0xBC; ++i) chk = static_cast<std::uint8_t>(chk - rom[i]);
  return static_cast<std::uint8_t>(chk - 0x19) == rom[0xBD];
}

std::size_t CopierHeader(std::size_t size) { return size % 1024 == kCopierHeader ? 512 : 0; }

std::uint16_t Le16(std::span<const std::uint8_t> s, std::size_t at) {
  return static_cast<std::uint16_t>(s[at] | s[at + 1] << 8);
}

// The sum of image[begin, end), the four check bytes at `checks` counted as FF FF 00 00.
std::uint64_t BlockSum(std::span<const std::uint8_t> image, std::size_t begin, std::size_t end,
                       std::size_t checks) {
  std::uint64_t sum = 0;
  for (std::size_t i = begin; i < end; ++i) sum += image[i];
  if (checks >= begin && checks + 4 <= end) {
    for (std::size_t i = checks; i < checks + 4; ++i) sum -= image[i];
    sum += 0x1FE;
  }
  return sum;
}

// The sum of image[begin, end) repeated until it is `target` bytes long (target a power of
// two, at least the length): the largest power of two first, the rest mirrored the same way.
std::uint64_t MirroredSum(std::span<const std::uint8_t> image, std::size_t begin, std::size_t end,
                          std::uint64_t target, std::size_t checks) {
  if (begin >= end) return 0;
  std::uint64_t q = 1;
  while (q * 2 <= end - begin) q *= 2;
  const std::uint64_t first = BlockSum(image, begin, begin + q, checks);
  if (q == end - begin) return first * (target / q);
  return (first + MirroredSum(image, begin + q, end, q, checks)) * (target / (2 * q));
}

struct TCandidate {
  TMapping mapping;
  std::size_t at;  // image offset of the header
};

bool ModeFits(TMapping m, std::uint8_t mode) {
  if ((mode & 0xE0) != 0x20) return false;
  const int n = mode & 0x0F;
  switch (m) {
    case TMapping::LoRom: return n == 0 || n == 2 || n == 3;
    case TMapping::HiRom: return n == 1 || n == 0xA;
    case TMapping::ExHiRom: return n == 5;
    default: return false;
  }
}

bool TitlePrintable(std::span<const std::uint8_t> title) {
  return std::all_of(title.begin(), title.end(), [](std::uint8_t c) {
    return (c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xDF);
  });
}

bool SizeFits(std::uint8_t n, std::size_t size) {
  return n >= 5 && n <= 0x0D && (std::uint64_t{1024} << n) >= size &&
         (std::uint64_t{512} << n) < size;
}

// A header counts only when its checksum pair, its map-mode byte and its size byte all agree
// with the place it was found at and the file: one plausible byte is chance in 1 of 20
// random files. Among those that count, the computed checksum weighs most, then the title
// and the reset vector. 0 for a header that does not count.
int Score(std::span<const std::uint8_t> image, const TCandidate& c) {
  const auto h = image.subspan(c.at, 0x40);
  const std::uint16_t complement = Le16(h, 0x1C);
  const std::uint16_t checksum = Le16(h, 0x1E);
  if ((complement ^ checksum) != 0xFFFF || !ModeFits(c.mapping, h[0x15]) ||
      !SizeFits(h[0x17], image.size())) {
    return 0;
  }
  int score = 4;
  if (SnesChecksum(image, c.at) == checksum) score += 8;
  if (TitlePrintable(h.first(21))) score += 1;
  if (Le16(h, 0x3C) >= 0x8000) score += 1;
  return score;
}

// The interleaved-dump sign: a HiROM mode byte in a header at $7FC0 whose checksum pair holds.
bool InterleavedHiRom(std::span<const std::uint8_t> image) {
  if (image.size() < 0x8000) return false;
  const auto h = image.subspan(0x7FC0, 0x40);
  return (Le16(h, 0x1C) ^ Le16(h, 0x1E)) == 0xFFFF && ModeFits(TMapping::HiRom, h[0x15]) &&
         SizeFits(h[0x17], image.size());
}

}  // namespace

std::uint16_t SnesChecksum(std::span<const std::uint8_t> image, std::size_t headerAt) {
  std::uint64_t target = 1;
  while (target < image.size()) target *= 2;
  return static_cast<std::uint16_t>(MirroredSum(image, 0, image.size(), target, headerAt + 0x1C) &
                                    0xFFFF);
}

TRomLayout LayoutWith(std::span<const std::uint8_t> rom, TMapping m) {
  TRomLayout layout{m, 0, rom.size(), {}};
  if (m != TMapping::None && m != TMapping::Gba) layout.copierHeader = CopierHeader(rom.size());
  return layout;
}

TRomLayout DetectLayout(std::span<const std::uint8_t> rom) {
  if (IsGba(rom)) return LayoutWith(rom, TMapping::Gba);
  const std::size_t skip = CopierHeader(rom.size());
  const auto image = rom.subspan(skip);
  const std::array<TCandidate, 3> candidates = {
      {{TMapping::LoRom, 0x7FC0}, {TMapping::HiRom, 0xFFC0}, {TMapping::ExHiRom, 0x40FFC0}}};
  TMapping best = TMapping::None;
  int bestScore = 0;
  for (const TCandidate& c : candidates) {
    if (c.at + 0x40 > image.size()) continue;
    if (c.mapping == TMapping::ExHiRom && image.size() <= (4u << 20)) continue;
    const int score = Score(image, c);
    if (score > bestScore) {
      bestScore = score;
      best = c.mapping;
    }
  }
  TRomLayout layout = LayoutWith(rom, TMapping::None);
  if (bestScore == 0 && InterleavedHiRom(image)) {
    layout.note = "the ROM looks like an interleaved HiROM dump (a HiROM header at $7FC0)";
    return layout;
  }
  if (bestScore == 0) return layout;
  return LayoutWith(rom, best);
}

}  // namespace tegulo
