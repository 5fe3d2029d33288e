// libFuzzer target: layout detection and pointer search on any bytes. A detected SNES layout
// has a header whose checks agree; every place found holds an address of the target, a
// rewritten pointer leads to the new place, and nothing reads outside the image.
#include <optional>
#include <vector>

#include "base/uCommon.h"
#include "fuzz_input.h"
#include "rom/pointer_search.h"
#include "rom/rom_layout.h"

using namespace tegulo;
using tegulo::fuzz::Check;

namespace {

constexpr std::size_t kHeaderImage = 0x40000;  // 256 KiB: the smallest size byte fits it

std::uint16_t Le16(std::span<const std::uint8_t> s, std::size_t at) {
  return static_cast<std::uint16_t>(s[at] | s[at + 1] << 8);
}

// The header of a detected SNES layout must pass the checks that told it.
void CheckDetected(std::span<const std::uint8_t> rom, const TRomLayout& layout) {
  Check(layout.size == rom.size());
  const std::size_t at = layout.mapping == TMapping::LoRom     ? 0x7FC0
                         : layout.mapping == TMapping::HiRom   ? 0xFFC0
                         : layout.mapping == TMapping::ExHiRom ? 0x40FFC0
                                                               : 0;
  if (at == 0) return;
  const auto image = rom.subspan(layout.copierHeader);
  Check(at + 0x40 <= image.size());
  const auto h = image.subspan(at, 0x40);
  Check((Le16(h, 0x1C) ^ Le16(h, 0x1E)) == 0xFFFF);
  Check((h[0x15] & 0xE0) == 0x20);
  const std::uint8_t n = h[0x17];
  Check(n >= 5 && n <= 0x0D && (std::uint64_t{1024} << n) >= image.size());
}

void CheckPointers(std::span<const std::uint8_t> rom, const TRomLayout& layout, std::int64_t target,
                   const TPointerSearch& search) {
  std::vector<TPointerHit> hits;
  try {
    hits = FindPointers(rom, layout, target, search);
  } catch (const TError&) {
    return;  // no layout, no address for the target, or too many places
  }
  std::vector<std::uint8_t> copy(rom.begin(), rom.end());
  for (const TPointerHit& hit : hits) {
    Check(hit.at >= 0 && static_cast<std::size_t>(hit.at) + hit.Length() <= rom.size());
    Check(FileOffset(layout, hit.value) == target);
    ConfirmedPointer(rom, layout, hit, search);
    const std::optional<std::uint32_t> moved = MovedValue(layout, hit, target);
    Check(moved.has_value() && FileOffset(layout, *moved) == target);
    WritePointer(copy, hit, *moved);
    const auto again = PointerAt(copy, layout, hit.at, target, search);
    Check(again.has_value());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tegulo::fuzz::TFuzzInput in(data, size);
  const std::uint32_t mode = in.Take(1);
  const auto target = static_cast<std::int64_t>(in.Take(3));
  const std::uint32_t words = in.Take(2);
  const std::uint32_t banks = in.Take(2);
  const auto rest = in.Rest();
  // With bit 5 the first 64 bytes are a header placed in a 256 KiB image (at $7FC0 or, with
  // bit 6, at $FFC0) and the rest its start, so that detection meets headers that nearly pass.
  std::vector<std::uint8_t> rom(rest.begin(), rest.end());
  if ((mode & 0x20) != 0) {
    rom.assign(kHeaderImage, 0);
    const std::size_t at = (mode & 0x40) != 0 ? 0xFFC0 : 0x7FC0;
    const std::size_t n = std::min<std::size_t>(rest.size(), 0x40);
    std::copy_n(rest.begin(), n, rom.begin() + static_cast<std::ptrdiff_t>(at));
    if (rest.size() > n) {
      std::copy_n(rest.begin() + static_cast<std::ptrdiff_t>(n),
                  std::min<std::size_t>(rest.size() - n, at), rom.begin());
    }
  }
  const TRomLayout detected = DetectLayout(rom);
  CheckDetected(rom, detected);

  static constexpr TMapping kMappings[] = {TMapping::None,  TMapping::Gba,     TMapping::LoRom,
                                           TMapping::HiRom, TMapping::ExHiRom, TMapping::None};
  const TRomLayout layout =
      (mode & 7) == 0 || (mode & 7) > 5 ? detected : LayoutWith(rom, kMappings[mode & 7]);
  TPointerSearch search;
  search.unaligned = (mode & 8) != 0;
  if ((mode & 0x10) != 0 && words < banks) search.split = TSplitTable{words, banks};
  CheckPointers(rom, layout, target, search);
  return 0;
}
