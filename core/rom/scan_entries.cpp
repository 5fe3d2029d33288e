// Entries and documents from scan hits.
#include "rom/scan_entries.h"

#include "palette/entry_template.h"

#include <algorithm>
#include <string>

#include "base/numbers.h"
#include "base/uCommon.h"
#include "compress/scheme_formats.h"
#include "compress/uCompress.h"
#include "entries/limits.h"
#include "io/safe_write.h"
#include "tiles/browse_steps.h"

namespace tegulo {

TTileEntry EntryForHit(const TScanHit& hit, int templateRow, std::int32_t width) {
  if (templateRow < 1 || templateRow >= kTemplateCount) throw TError("Unknown template");
  if (width < 1) throw TError("The width must be 1 or more");
  if (hit.scheme < 1 || hit.scheme >= kCompressionCount || hit.address > 0x7FFFFFFF) {
    throw TError("Not a stream of a known scheme");
  }
  const std::string address = FormatAddress(static_cast<std::int32_t>(hit.address));
  TTileEntry e = NewEntry(address, width, 1, 0);
  ApplyTemplate(e, templateRow);
  e.Compression = static_cast<std::uint8_t>(hit.scheme);
  const std::int64_t row = BrowseSteps(e)->row;
  const std::int64_t rows = (std::int64_t{hit.rawSize} + row - 1) / row;
  e.Height = static_cast<std::int32_t>(std::clamp<std::int64_t>(rows, 1, kMaxTiles));
  e.RawSize = static_cast<std::int32_t>(hit.rawSize);
  e.ComprSize = static_cast<std::int32_t>(hit.comprSize);
  SetName(e, address + " " + std::string(Compressions[hit.scheme].name()));
  return e;
}

std::string WriteScanDocument(const std::string& path, std::span<const TScanHit> hits,
                              int templateRow, std::int32_t width) {
  constexpr std::size_t kBatch = 64;
  TAtomicFile file(path);
  std::vector<TTileEntry> batch;
  batch.reserve(kBatch);
  for (std::size_t i = 0; i < hits.size(); i += kBatch) {
    batch.clear();
    for (const TScanHit& h : hits.subspan(i, std::min(kBatch, hits.size() - i))) {
      batch.push_back(EntryForHit(h, templateRow, width));
    }
    file.Write(
        {reinterpret_cast<const std::uint8_t*>(batch.data()), batch.size() * sizeof(TTileEntry)});
  }
  file.Commit();
  return file.OtherLinksKept() ? HardLinkNote(path) : std::string();
}

}  // namespace tegulo
