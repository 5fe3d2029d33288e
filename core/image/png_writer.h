// Writing the indexed bitmap as a PNG file.
#pragma once

#include <string>

#include "base/bitmap.h"

namespace tegulo {

// The lowest index whose red, green and blue equal those of the bottom-left pixel's
// colour (at most that pixel's own index); -1 for an empty bitmap.
int TransparentIndex(const TIndexedBitmap& bmp);

// Writes exactly IHDR (8-bit, colour type 3, no interlace), PLTE (256 entries from the
// colour table), tRNS (TransparentIndex + 1 bytes: 255 ..., 0), IDAT (zlib level 9), IEND;
// rows top to bottom, handed to libpng one at a time.
// Throws TError "There is no image to export" for an empty bitmap (no file is created), and
// "Cannot create file "<path>". <reason>" with the system's reason when the file cannot be
// created or written; a partly written file is removed.
void WritePng(const std::string& path, const TIndexedBitmap& bmp);

}  // namespace tegulo
