// Writing the indexed bitmap as a PNG file.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "base/bitmap.h"

namespace tegulo {

// The lowest index whose red, green and blue equal those of the bottom-left pixel's
// colour (at most that pixel's own index); -1 for an empty bitmap.
int TransparentIndex(const TIndexedBitmap& bmp);

// Receives the encoded bytes in order, in pieces; may throw to stop the encoding.
using TPngSink = std::function<void(std::span<const std::uint8_t>)>;

// Encodes exactly IHDR (8-bit, colour type 3, no interlace), PLTE (256 entries from the
// colour table), tRNS (TransparentIndex + 1 bytes: 255 ..., 0), IDAT (zlib level 9), IEND;
// rows top to bottom, handed to libpng one at a time.
// The bytes go to `sink`; an exception the sink throws stops the encoding and is rethrown.
// Throws TError "There is no image to export" for an empty bitmap (before the sink sees a
// byte), "Cannot encode the image. <reason>" when libpng fails.
void EncodePng(const TIndexedBitmap& bmp, const TPngSink& sink);

// EncodePng into a file through the safe-write path (io/safe_write.h): the file is replaced
// whole or not at all, links and permissions kept. Throws TError as EncodePng (no file is
// touched for an empty bitmap), "Cannot create file "<path>". <reason>" with the system's
// reason, or "<path> is not a regular file".
void WritePng(const std::string& path, const TIndexedBitmap& bmp);

}  // namespace tegulo
