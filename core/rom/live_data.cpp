// The live-data check of a write at a free-space address: fill bytes and document entries.
#include "rom/live_data.h"

#include <algorithm>

#include "base/numbers.h"
#include "base/uCommon.h"
#include "entries/file_names.h"
#include "tiles/tile_encoders.h"
#include "tiles/uTiles.h"

namespace tegulo {
namespace {

constexpr std::size_t kNamedEntries = 8;

bool Overlap(TRomRange a, TRomRange b) {
  return a.size > 0 && b.size > 0 && a.start < b.start + b.size && b.start < a.start + a.size;
}

bool Inside(std::int64_t pos, TRomRange r) { return pos >= r.start && pos < r.start + r.size; }

// Whether every byte of `target` outside `own` is one and the same allowed fill byte.
bool AllFill(std::span<const std::uint8_t> rom, TRomRange target, TRomRange own,
             std::optional<std::uint8_t> fill) {
  std::optional<std::uint8_t> seen;
  for (std::int64_t pos = target.start; pos < target.start + target.size; ++pos) {
    if (Inside(pos, own)) continue;
    const std::uint8_t b = rom[static_cast<std::size_t>(pos)];
    if (!seen) {
      if (b != 0xFF && b != 0x00 && (!fill || b != *fill)) return false;
      seen = b;
    } else if (b != *seen) {
      return false;
    }
  }
  return true;
}

// "entry 3 "Title"" or "entries 3 "Title", 5 "Font"" for the entries that read a byte of
// the target; "" for none.
std::string EntriesHit(TRomRange target, TRomRange own, std::span<const TTileEntry> document) {
  std::string names;
  std::size_t count = 0;
  for (std::size_t i = 0; i < document.size(); ++i) {
    const TRomRange r = EntryRange(document[i]);
    if (!Overlap(r, target) || (own.size > 0 && Inside(r.start, own))) continue;
    if (++count > kNamedEntries) {
      names += " and more";
      break;
    }
    if (!names.empty()) names += ", ";
    names += std::to_string(i) + " \"" + PrintableName(GetName(document[i])) + "\"";
  }
  if (count == 0) return names;
  return (count == 1 ? "entry " : "entries ") + names;
}

}  // namespace

TRomRange EntryRange(const TTileEntry& e) {
  if (e.Compression != 0) return {e.Address, std::max<std::int64_t>(e.ComprSize, 1)};
  if (e.Width < 1 || e.Height < 1 || e.Template < 1 || e.Template >= kTemplateCount) return {};
  const std::int64_t start = std::int64_t{e.Address} + e.Offset;
  return {start, static_cast<std::int64_t>(TemplateDataSize(e.Template, e.Width, e.Height))};
}

void CheckFreeSpace(std::span<const std::uint8_t> rom, TRomRange target, TRomRange own,
                    std::optional<std::uint8_t> fill, std::span<const TTileEntry> document) {
  const bool filled = AllFill(rom, target, own, fill);
  const std::string hit = EntriesHit(target, own, document);
  if (filled && hit.empty()) return;
  std::string why = filled ? "" : "not all one fill byte";
  if (!hit.empty()) why += (why.empty() ? "it holds " : "; it holds ") + hit;
  throw TError("The range " + FormatAddress(target.start) + "-" +
               FormatAddress(target.start + target.size - 1) + " is not free space (" + why +
               "); nothing was written (--overwrite writes there anyway)");
}

}  // namespace tegulo
