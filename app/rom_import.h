// The window's one way into the ROM write-back that tegulo-cli import uses.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "entries/tile_entry.h"
#include "image/colour_match.h"
#include "tiles/tile_encoders.h"

namespace tegulo {

// The ROM image with the picture of the PNG file at `pngPath` put in where `entry` shows its
// tiles (address, offset, size, template, compression), proved by decoding it again: the
// same write-back as tegulo-cli import, the stream in place (no free space, no fill).
// Indexed pictures keep their indices; other colours are matched against the entry's
// palette by `match` (PictureIndices, which fills `report`), `background` (0x00BBGGRR, the colour
// the view and the export give index 0) standing for index 0. Throws TError with the refusal's text
// (a picture's own faults prefixed with its path); `rom` itself is never changed.
std::vector<std::uint8_t> ImportPictureFile(std::span<const std::uint8_t> rom,
                                            const TTileEntry& entry, const std::string& pngPath,
                                            std::uint32_t background,
                                            TColourMatch match = TColourMatch::kConsole,
                                            TColourMatchReport* report = nullptr);

// The picture of the PNG file at `pngPath` as colour indices for `entry`, as ImportPictureFile
// reads it. Throws TError with the file's path before a picture's own faults.
TPixelImage ReadImportPicture(const TTileEntry& entry, const std::string& pngPath,
                              std::uint32_t background, TColourMatch match = TColourMatch::kConsole,
                              TColourMatchReport* report = nullptr);

enum class TPatchFormat { Ips, Bps };

// The patch that turns `source` into `target`. Throws TError when the format cannot express
// the change.
std::vector<std::uint8_t> MakeRomPatch(TPatchFormat format, std::span<const std::uint8_t> source,
                                       std::span<const std::uint8_t> target);

}  // namespace tegulo
