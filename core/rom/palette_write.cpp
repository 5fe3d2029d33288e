// Colours written back into a ROM image as 15-bit console words.
#include "rom/palette_write.h"

#include <algorithm>

#include "base/numbers.h"
#include "base/uCommon.h"
#include "image/png_reader.h"
#include "palette/console_words.h"

namespace tegulo {

std::int32_t CheckedColourCount(std::int64_t n) {
  if (n < 1 || n > 256) throw TError("The colour count must be 1 to 256");
  return static_cast<std::int32_t>(n);
}

TPaletteTarget ParsePaletteTarget(const std::string& text) {
  TPaletteTarget target;
  const std::size_t colon = text.find(':');
  target.address = ParseInt(text.substr(0, colon));
  if (colon != std::string::npos) {
    target.count = CheckedColourCount(ParseInt(text.substr(colon + 1)));
  }
  return target;
}

std::vector<std::uint8_t> WritePaletteToRom(std::span<const std::uint8_t> rom, std::int32_t address,
                                            std::span<const std::uint32_t> colours) {
  const std::int32_t n = CheckedColourCount(static_cast<std::int64_t>(colours.size()));
  const std::int64_t end = std::int64_t{address} + 2 * std::int64_t{n};
  if (address < 0 || end > static_cast<std::int64_t>(rom.size())) {
    throw TError("The palette of " + std::to_string(n) + " colours at " + FormatAddress(address) +
                 " does not fit in the ROM (" + std::to_string(rom.size()) + " bytes)");
  }
  std::vector<std::uint8_t> image(rom.begin(), rom.end());
  const std::vector<std::uint8_t> words = ConsoleWordBytes(colours);
  std::copy(words.begin(), words.end(), image.begin() + address);
  return image;
}

std::vector<std::uint32_t> PngColoursToWrite(std::span<const std::uint8_t> pngFile,
                                             const TPaletteTarget& where,
                                             std::int32_t defaultCount) {
  const TPngPicture picture = ReadPng(pngFile);
  if (!picture.indexed || picture.colours.empty()) {
    throw TError("--write-palette needs an indexed PNG (its PLTE colours)");
  }
  const auto available = static_cast<std::int32_t>(picture.colours.size());
  const std::int32_t count = where.count.value_or(std::min(available, defaultCount));
  if (count > available) {
    throw TError("the PNG has " + std::to_string(available) + " colours, not " +
                 std::to_string(count));
  }
  return {picture.colours.begin(), picture.colours.begin() + count};
}

std::string PaletteWriteText(std::int32_t count, std::int32_t address) {
  return "Wrote " + std::to_string(count) + (count == 1 ? " colour at " : " colours at ") +
         FormatAddress(address) + " as console words";
}

}  // namespace tegulo
