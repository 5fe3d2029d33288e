// Free-space search: one pass over the ROM, region by region.
#include "rom/free_space.h"

#include <algorithm>

namespace tegulo {
namespace {

bool Matches(TFillKind kind, std::uint8_t b) {
  switch (kind) {
    case TFillKind::Ff: return b == 0xFF;
    case TFillKind::Zero: return b == 0x00;
    case TFillKind::Any: return b == 0xFF || b == 0x00;
  }
  return false;
}

// The ends of the slices runs must stay inside: bank boundaries and the reserved ranges.
std::vector<TByteRange> Regions(const TRomLayout& layout) {
  const auto size = static_cast<std::int64_t>(layout.size);
  const auto h = static_cast<std::int64_t>(layout.copierHeader);
  const auto bank = static_cast<std::int64_t>(BankLength(layout));
  std::vector<TByteRange> regions;
  for (std::int64_t at = 0; at < size;) {
    std::int64_t end = bank > 0 && at >= h ? h + ((at - h) / bank + 1) * bank : size;
    if (at < h) end = h;
    regions.push_back({at, std::min(end, size)});
    at = regions.back().end;
  }
  std::vector<TByteRange> out;
  const std::vector<TByteRange> reserved = ReservedRanges(layout);
  for (TByteRange r : regions) {
    for (const TByteRange& x : reserved) {
      if (!x.Overlaps(r.begin, r.end)) continue;
      if (x.begin > r.begin) out.push_back({r.begin, x.begin});
      r.begin = std::min(r.end, x.end);
    }
    if (r.begin < r.end) out.push_back(r);
  }
  return out;
}

}  // namespace

std::optional<TFillKind> ParseFillKind(std::string_view text) {
  if (text == "ff" || text == "FF") return TFillKind::Ff;
  if (text == "00") return TFillKind::Zero;
  if (text == "any" || text == "ANY") return TFillKind::Any;
  return std::nullopt;
}

void ForEachFreeRun(std::span<const std::uint8_t> rom, const TRomLayout& layout,
                    const TFreeOptions& options,
                    const std::function<void(const TFreeRun&)>& visit) {
  const auto align =
      static_cast<std::int64_t>(options.align ? options.align : DataAlignment(layout));
  const auto h = static_cast<std::int64_t>(layout.copierHeader);
  const auto minLength = static_cast<std::int64_t>(std::max<std::size_t>(options.minLength, 1));
  for (const TByteRange& region : Regions(layout)) {
    const auto end = std::min(region.end, static_cast<std::int64_t>(rom.size()));
    for (std::int64_t at = region.begin; at < end;) {
      const std::uint8_t b = rom[static_cast<std::size_t>(at)];
      std::int64_t stop = at + 1;
      while (stop < end && rom[static_cast<std::size_t>(stop)] == b) ++stop;
      if (Matches(options.fill, b)) {
        const std::int64_t base = at >= h ? h : 0;
        const std::int64_t start = base + (at - base + align - 1) / align * align;
        if (stop - start >= minLength) visit({start, stop - start, b});
      }
      at = stop;
    }
  }
}

std::vector<TFreeRun> FindFreeSpace(std::span<const std::uint8_t> rom, const TRomLayout& layout,
                                    const TFreeOptions& options) {
  std::vector<TFreeRun> runs;
  ForEachFreeRun(rom, layout, options, [&](const TFreeRun& r) { runs.push_back(r); });
  return runs;
}

}  // namespace tegulo
