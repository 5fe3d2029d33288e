// Writing the indexed bitmap as a PNG file.
#pragma once

#include <string>

#include "bitmap.h"

namespace tegulo {

// The lowest index whose colour equals that of the bottom-left pixel's colour.
int TransparentIndex(const TIndexedBitmap& bmp);

// Writes exactly IHDR (8-bit, colour type 3, no interlace), PLTE (256 entries), tRNS
// (TransparentIndex + 1 bytes: 255 ..., 0), IDAT (zlib level 9), IEND; rows top to bottom,
// written row by row. Throws TError "There is no image to export" for an empty bitmap
// (no file is created) and "Cannot create file "<path>". <reason>" when the file cannot be
// created or written.
void WritePng(const std::string& path, const TIndexedBitmap& bmp);

}  // namespace tegulo
