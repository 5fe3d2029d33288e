// The window's way into relocation and pointer search.
#include "rom_relocate.h"

#include "base/numbers.h"

namespace tegulo {

TRelocateResult RelocatePicture(std::span<const std::uint8_t> rom, const TTileEntry& entry,
                                const TPixelImage& picture, std::optional<std::int64_t> address) {
  TRelocateOptions o;
  o.layout = DetectLayout(rom);
  if (!o.layout.note.empty()) throw TError("Cannot move the stream: " + o.layout.note);
  o.address = address;
  return WriteBackRelocating(rom, entry, picture, {}, o);
}

std::string RelocationQuestion(std::span<const std::uint8_t> rom, const TRelocateResult& r) {
  std::string text = "Write the new stream (" + std::to_string(r.writeBack.report.written) +
                     " bytes) at " + FormatAddress(static_cast<std::int32_t>(r.relocation->to)) +
                     "?";
  for (const std::string& line :
       r.relocation->Lines(DetectLayout(rom), TRelocation::TTense::Planned))
    text += "\n" + line;
  return text;
}

std::vector<std::vector<std::string>> PointerRows(std::span<const std::uint8_t> rom,
                                                  std::int64_t address) {
  const TRomLayout layout = DetectLayout(rom);
  if (!layout.note.empty()) throw TError("Cannot look for pointers: " + layout.note);
  std::vector<std::vector<std::string>> rows;
  for (const TPointerHit& hit : FindPointers(rom, layout, address, {})) {
    rows.push_back({FormatAddress(static_cast<std::int32_t>(hit.at)),
                    std::string(PointerFormName(hit.form)), FormatBus(layout, hit.value)});
  }
  return rows;
}

}  // namespace tegulo
