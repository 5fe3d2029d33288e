// Putting an edited picture back into a ROM image: the tiles encoded in the entry's
// template, compressed again where the entry is compressed, and proved by decoding the
// result with the viewer's own code before anything is handed back.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/uCommon.h"
#include "compress/compressors.h"
#include "entries/tile_entry.h"
#include "image/png_reader.h"
#include "tiles/tile_encoders.h"

namespace tegulo {

// The refusal of a compressed stream that has grown past the old one's bytes with no place
// given for it: the case a relocation answers.
class TStreamDoesNotFit : public TError {
public:
  TStreamDoesNotFit(const std::string& text, std::size_t newLength, std::size_t oldLength)
      : TError(text), newSize(newLength), oldSize(oldLength) {}
  std::size_t newSize;
  std::size_t oldSize;
};

struct TWriteBackOptions {
  // Where a compressed stream that no longer fits in the old one's bytes goes instead.
  std::optional<std::int64_t> freeSpace;
  // Written over the old stream's bytes that the new, shorter stream leaves unused.
  std::optional<std::uint8_t> fill;
  TCompressOptions compress;
  // Write at `freeSpace` even where it holds data (see CheckFreeSpace in rom/live_data.h).
  bool overwrite = false;
  // The document's entries, which a stream moved to `freeSpace` must not hit.
  std::span<const TTileEntry> document;
  // Without `freeSpace`: picks the place for a longer stream of the given length that stood
  // at `from` (it may throw TError to refuse), for a relocation that then rewrites the
  // pointers. A screen's rebuild asks it for its map stream too.
  std::function<std::int64_t(std::size_t length, std::int64_t from, std::size_t oldLength)>
      placeStream;
};

struct TWriteBackReport {
  bool compressed = false;
  std::int64_t address = 0;   // where the bytes went
  std::size_t written = 0;    // the new stream's length, or the tile data's
  std::size_t oldStream = 0;  // compressed: the bytes the old stream took
  bool moved = false;         // compressed: written at the free-space address
  bool unchanged = false;     // compressed: the data were already the picture's; nothing written
  std::int64_t oldAddress = 0;
  std::int32_t rawSize = 0;  // the sizes a refresh of the entry now reports
  std::int32_t comprSize = 0;
  bool pointersFollow = false;  // moved: the pointers to the old address were rewritten

  // "Wrote N bytes at $XXXXXX (old stream M bytes)" for a stream, with a second line when
  // it moved, or "Unchanged: the stream at $XXXXXX already holds the picture (M bytes)";
  // "Wrote $XXXXXX-$YYYYYY (N bytes)" (the last byte included) for plain tiles.
  std::string Text() const;
};

struct TWriteBackResult {
  std::vector<std::uint8_t> rom;  // the new ROM image, the same length as the old
  TTileEntry entry;               // Address moved with the stream; sizes as a refresh sets them
  TWriteBackReport report;
};

// Writes `picture` (colour indices) into a copy of `rom` as `entry` shows it.
// The picture is 8*Width x 8*Height pixels; for "8bpp (PC)" Width x Height (the block the
// decoder fills) or 8*Width x 8*Height, of which the top-left Width x Height block is used.
// Plain entry: the data go to Address + Offset, which with the whole data must lie inside
// the ROM; nothing else changes (Mode7-1 keeps the even bytes it does not read).
// Compressed entry: the stream at Address is unpacked as a refresh does, the picture's bytes
// replace those at Offset (the data grow, zero-filled, when they reach further), and the
// result is compressed, unless the data are unchanged: then the old stream stays as it is
// (another packer's stream may be shorter than ours). A stream no longer than the bytes the
// old one took goes to Address,
// the rest of the old bytes kept or set to `fill`; a longer one goes to `freeSpace` when
// given, which with the stream must lie inside the ROM and be free space (CheckFreeSpace,
// the old stream's bytes counting as free) unless `overwrite` is set.
// Then the entry is unpacked and drawn from the new image and every pixel compared.
// Throws TError, with nothing written, for: template 0 or above 9, a scheme outside the
// table (Compressions), a size of
// 0 tiles or less, a picture of another size, an index the template cannot hold, data or a
// stream address outside the ROM, a negative Offset on a compressed entry, a stream the
// format cannot hold, a longer stream without free space, and a failed proof.
TWriteBackResult WriteBackPicture(std::span<const std::uint8_t> rom, const TTileEntry& entry,
                                  const TPixelImage& picture,
                                  const TWriteBackOptions& options = {});

// The proof for a later write to the image (colours written after the picture): `entry`,
// as the write-back left it, drawn from `rom` must still show `picture`. Throws TError
// "<what> changes what the entry shows (first difference at X, Y); nothing was written".
void ProveStillShown(const TTileEntry& entry, std::span<const std::uint8_t> rom,
                     const TPixelImage& picture, const std::string& what);

// Refuses a picture of `width` x `height` pixels that `entry` cannot take: TError "The
// picture is W x H pixels; the entry needs 8W x 8H" ("8bpp (PC)": "needs W x H (or 8W x 8H)").
void CheckPictureSize(const TTileEntry& entry, std::int64_t width, std::int64_t height);

// ReadPng of the file with its size checked by CheckPictureSize from the header, before any
// row is allocated.
TPngPicture PngForEntry(std::span<const std::uint8_t> pngFile, const TTileEntry& entry);

// The colours a picture's pixels are matched against for this entry: its first
// 2^(template's bits per pixel) Palette colours (none without a valid template).
std::span<const std::uint32_t> ImportColours(const TTileEntry& entry);

// The picture in a PNG file's bytes as colour indices for `entry`: indexed files keep their
// indices; other colours are matched against ImportColours(entry), with the export's
// background colour standing for index 0, by `match` (PictureIndices, which fills `report`).
// Throws TError as ReadPng and PictureIndices do. With WriteBackPicture, this is the whole of
// an import: the window and tegulo-cli call both.
TPixelImage PictureForEntry(std::span<const std::uint8_t> pngFile, const TTileEntry& entry,
                            TColourMatch match = TColourMatch::kConsole,
                            TColourMatchReport* report = nullptr);

}  // namespace tegulo
