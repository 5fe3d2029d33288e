// Writing the indexed bitmap as a PNG file.
#pragma once

#include <string>

#include "base/bitmap.h"
#include "image/png_encode.h"
#include "io/safe_write.h"

namespace tegulo {

// The lowest index whose red, green and blue equal those of the bottom-left pixel's
// colour (at most that pixel's own index); -1 for an empty bitmap.
int TransparentIndex(const TIndexedBitmap& bmp);

// Writes the bitmap as EncodeIndexedPng encodes it (IHDR, PLTE, tRNS with TransparentIndex
// + 1 bytes, IDAT at deflate level 9, IEND) through the safe-write path: the file is
// replaced whole or not at all. `progress` is told the rows done after each piece; an
// exception it throws stops the export, removes the partial file and passes through.
// Throws TError "There is no image to export" for an empty bitmap (no file is created), and
// "Cannot create file "<path>". <reason>" with the system's reason when the file cannot be
// created or written; the old file then stays as it was.
void WritePng(const std::string& path, const TIndexedBitmap& bmp,
              const TPngProgress& progress = {});

// The same bytes into a file of a set (io/file_set.h), which its owner commits: the file is
// prepared (synced and closed) on return.
void WritePng(TAtomicFile& file, const TIndexedBitmap& bmp, const TPngProgress& progress = {});

}  // namespace tegulo
