// Write-back of one picture: checks, tile encoding, recompression, placement and the proof.
#include "rom/write_back.h"

#include <algorithm>
#include <string>

#include "base/numbers.h"
#include "base/uCommon.h"
#include "compress/refresh.h"
#include "compress/scheme_formats.h"
#include "compress/stream_extent.h"
#include "compress/uCompress.h"
#include "image/png_reader.h"
#include "image/render.h"
#include "rom/import_checks.h"
#include "rom/live_data.h"
#include "rom/rom_layout.h"
#include "tiles/tile_formats.h"
#include "tiles/uTiles.h"

namespace tegulo {
namespace {

std::string Address(std::int64_t a) { return FormatAddress(a); }

std::string Size(std::int64_t w, std::int64_t h) {
  return std::to_string(w) + " x " + std::to_string(h);
}

void CheckEntry(const TTileEntry& e) {
  if (const std::optional<std::string> refusal = EntryImportRefusal(e)) throw TError(*refusal);
}

}  // namespace

void CheckPictureSize(const TTileEntry& e, std::int64_t width, std::int64_t height) {
  const std::int64_t w8 = 8LL * e.Width;
  const std::int64_t h8 = 8LL * e.Height;
  if (e.Template == 9) {
    if ((width == e.Width && height == e.Height) || (width == w8 && height == h8)) return;
    throw TError("The picture is " + Size(width, height) + " pixels; the entry needs " +
                 Size(e.Width, e.Height) + " (or " + Size(w8, h8) + ")");
  }
  if (width != w8 || height != h8) {
    throw TError("The picture is " + Size(width, height) + " pixels; the entry needs " +
                 Size(w8, h8));
  }
}

namespace {

TPixelImage FitPicture(const TTileEntry& e, const TPixelImage& picture) {
  CheckPictureSize(e, picture.width, picture.height);
  if (e.Template == 9) {
    if (picture.width == 8LL * e.Width && picture.height == 8LL * e.Height &&
        (picture.width != e.Width || picture.height != e.Height)) {
      TPixelImage block{e.Width, e.Height, {}};
      block.pixels.reserve(static_cast<std::size_t>(e.Width) * e.Height);
      for (std::int32_t y = 0; y < e.Height; ++y) {
        for (std::int32_t x = 0; x < e.Width; ++x) block.pixels.push_back(picture.At(x, y));
      }
      return block;
    }
  }
  return picture;
}

void CheckIndices(const TTileEntry& e, const TPixelImage& img) {
  const int bpp = TileTemplates[e.Template].Value;
  if (bpp >= 8) return;
  constexpr int kNamed = 5;
  std::size_t bad = 0;
  std::string named;
  for (std::size_t i = 0; i < img.pixels.size(); ++i) {
    if (img.pixels[i] >> bpp == 0) continue;
    if (bad++ < kNamed) {
      const std::size_t w = static_cast<std::size_t>(img.width);
      named += (named.empty() ? "(" : ", (") + std::to_string(i % w) + ", " +
               std::to_string(i / w) + ") " + std::to_string(img.pixels[i]);
    }
  }
  if (bad != 0) {
    throw TError(
        "The picture has " + std::to_string(bad) +
        (bad == 1 ? " pixel whose index does not fit " : " pixels whose index does not fit ") +
        std::string(TileTemplates[e.Template].name()) + " (0 to " + std::to_string((1 << bpp) - 1) +
        "): " + named + (bad > kNamed ? ", ..." : ""));
  }
}

// Draws the entry from the new image and compares the pixels the picture gives; the first
// pixel that differs as "x, y", or "" when none does.
std::string FirstDifference(TTileEntry& e, std::span<const std::uint8_t> rom,
                            const TPixelImage& img) {
  TDecodeBuffer buffer(kDecodeBufferSize);
  UnpackEntry(e, rom, buffer);
  TIndexedBitmap bmp;
  DrawTiles(bmp, e, rom, buffer, 0);
  for (std::int32_t y = 0; y < img.height; ++y) {
    const std::uint8_t* row = bmp.Row(y);
    for (std::int32_t x = 0; x < img.width; ++x) {
      if (row[x] != img.At(x, y)) return std::to_string(x) + ", " + std::to_string(y);
    }
  }
  return {};
}

void Prove(TTileEntry& e, std::span<const std::uint8_t> rom, const TPixelImage& img) {
  const std::string at = FirstDifference(e, rom, img);
  if (!at.empty()) {
    throw TError("The written data do not decode back to the picture (first difference at " + at +
                 "); nothing was written");
  }
}

void WritePlain(std::vector<std::uint8_t>& out, const TTileEntry& e, const TPixelImage& img,
                TWriteBackReport& report) {
  const std::size_t size = TemplateDataSize(e.Template, e.Width, e.Height);
  const std::int64_t start = static_cast<std::int64_t>(e.Address) + e.Offset;
  const std::int64_t end = start + static_cast<std::int64_t>(size);
  if (start < 0 || end > static_cast<std::int64_t>(out.size())) {
    throw TError("The tiles at " + Address(start) + "-" + Address(end - 1) +
                 " do not lie inside the ROM (" + std::to_string(out.size()) + " bytes)");
  }
  FindTileFormat(e.Template)
      ->encodeInto(img, std::span(out).subspan(static_cast<std::size_t>(start), size));
  report.address = start;
  report.written = size;
}

void WriteCompressed(std::vector<std::uint8_t>& out, TTileEntry& e, const TPixelImage& img,
                     const TWriteBackOptions& options, TWriteBackReport& report) {
  if (e.Address < 0 || static_cast<std::size_t>(e.Address) >= out.size()) {
    throw TError("The stream address " + Address(e.Address) + " lies outside the ROM (" +
                 std::to_string(out.size()) + " bytes)");
  }
  if (e.Offset < 0) throw TError("The offset of a compressed entry must be 0 or more");

  // The stream's current contents, exactly as a refresh unpacks them.
  TTileEntry old = e;
  TDecodeBuffer data(kDecodeBufferSize);
  UnpackEntry(old, out, data);
  const std::span<const std::uint8_t> stream = std::span(out).subspan(e.Address);
  const std::size_t oldStream = StreamBytesUsed(e.Compression, stream);
  const std::size_t size = TemplateDataSize(e.Template, e.Width, e.Height);
  const std::size_t offset = static_cast<std::size_t>(e.Offset);
  const std::size_t length =
      std::max<std::size_t>(static_cast<std::uint32_t>(old.RawSize), offset + size);
  // What the scheme's header can announce, or (FF6, CT) what a refresh unpacks; checked
  // before any memory is taken for an offset from a damaged document.
  const std::uint32_t announced = FindSchemeFormat(e.Compression)->limits.maxRawSize;
  const std::size_t most = announced != 0 ? announced : kDecodeBufferSize;
  if (length > most) {
    throw TError(std::string(Compressions[e.Compression].name()) + " holds at most " +
                 std::to_string(most) + " bytes; the data are " + std::to_string(length) +
                 " bytes");
  }
  if (data.size() < length) data.resize(length, 0);
  // Beyond what the old stream announced or wrote, the data start from zero.
  std::fill(
      data.begin() + std::min<std::size_t>(static_cast<std::uint32_t>(old.RawSize), data.size()),
      data.end(), std::uint8_t{0});
  const std::vector<std::uint8_t> before(data.begin() + static_cast<std::ptrdiff_t>(offset),
                                         data.begin() + static_cast<std::ptrdiff_t>(offset + size));
  FindTileFormat(e.Template)->encodeInto(img, std::span(data).subspan(offset, size));
  report.compressed = true;
  report.oldStream = oldStream;
  report.oldAddress = e.Address;
  report.address = e.Address;
  if (length == static_cast<std::uint32_t>(old.RawSize) &&
      std::equal(before.begin(), before.end(),
                 data.begin() + static_cast<std::ptrdiff_t>(offset))) {
    // The stream already holds the picture: it stays as it is, byte for byte.
    report.unchanged = true;
    return;
  }
  const std::vector<std::uint8_t> packed =
      CompressStream(e.Compression, std::span(data).first(length), options.compress);

  report.written = packed.size();
  std::int64_t at = e.Address;
  if (packed.size() > oldStream) {
    if (!options.freeSpace && !options.placeStream) {
      throw TStreamDoesNotFit(
          "The new stream is " + std::to_string(packed.size()) + " bytes, the old one " +
              std::to_string(oldStream) +
              " bytes: it does not fit (give a free-space address to write it elsewhere)",
          packed.size(), oldStream);
    }
    at = options.freeSpace ? *options.freeSpace
                           : options.placeStream(packed.size(), e.Address, oldStream);
    if (at < 0 ||
        at + static_cast<std::int64_t>(packed.size()) > static_cast<std::int64_t>(out.size())) {
      throw TError("The free space at " + Address(at) + " cannot hold the new stream of " +
                   std::to_string(packed.size()) + " bytes: the ROM is " +
                   std::to_string(out.size()) + " bytes");
    }
    // The header is never free space, whatever --overwrite allows.
    for (const TByteRange& r : ReservedRanges(DetectLayout(out))) {
      if (r.Overlaps(at, at + static_cast<std::int64_t>(packed.size()))) {
        throw TError("The range " + Address(at) + "-" +
                     Address(at + static_cast<std::int64_t>(packed.size()) - 1) +
                     " holds the ROM's header at " + Address(r.begin) + "-" + Address(r.end - 1) +
                     "; nothing was written");
      }
    }
    if (!options.overwrite) {
      CheckFreeSpace(out, {at, static_cast<std::int64_t>(packed.size())},
                     {e.Address, static_cast<std::int64_t>(oldStream)}, options.fill,
                     options.document);
    }
    report.moved = at != e.Address;
    e.Address = static_cast<std::int32_t>(at);
  } else if (options.fill) {
    std::fill_n(out.begin() + e.Address + static_cast<std::ptrdiff_t>(packed.size()),
                oldStream - packed.size(), *options.fill);
  }
  std::copy(packed.begin(), packed.end(), out.begin() + at);
  report.address = at;
}

}  // namespace

std::string TWriteBackReport::Text() const {
  if (!compressed) {
    return "Wrote " + Address(address) + "-" +
           Address(address + static_cast<std::int64_t>(written) - 1) + " (" +
           std::to_string(written) + " bytes)";
  }
  if (unchanged) {
    return "Unchanged: the stream at " + Address(address) + " already holds the picture (" +
           std::to_string(oldStream) + " bytes)";
  }
  std::string text = "Wrote " + std::to_string(written) + " bytes at " + Address(address) +
                     " (old stream " + std::to_string(oldStream) + " bytes)";
  if (moved && !pointersFollow) {
    text += "\nThe stream moved from " + Address(oldAddress) + " to " + Address(address) +
            ": pointers to " + Address(oldAddress) + " are yours to change";
  }
  return text;
}

std::span<const std::uint32_t> ImportColours(const TTileEntry& entry) {
  if (entry.Template == 0 || entry.Template >= kTemplateCount) return {};
  const std::size_t n = std::size_t{1} << TileTemplates[entry.Template].Value;
  return std::span<const std::uint32_t>(entry.Palette).first(std::min<std::size_t>(n, 256));
}

TPngPicture PngForEntry(std::span<const std::uint8_t> pngFile, const TTileEntry& entry) {
  // An entry WriteBackPicture refuses anyway is refused there, with its own message.
  if (entry.Width < 1 || entry.Height < 1 || entry.Template < 1 ||
      entry.Template >= kTemplateCount) {
    return ReadPng(pngFile);
  }
  return ReadPng(pngFile,
                 [&entry](std::int64_t w, std::int64_t h) { CheckPictureSize(entry, w, h); });
}

void ProveStillShown(const TTileEntry& entry, std::span<const std::uint8_t> rom,
                     const TPixelImage& picture, const std::string& what) {
  TTileEntry e = entry;
  const std::string at = FirstDifference(e, rom, FitPicture(entry, picture));
  if (!at.empty()) {
    throw TError(what + " changes what the entry shows (first difference at " + at +
                 "); nothing was written");
  }
}

TPixelImage PictureForEntry(std::span<const std::uint8_t> pngFile, const TTileEntry& entry,
                            TColourMatch match, TColourMatchReport* report) {
  return PictureIndices(PngForEntry(pngFile, entry), ImportColours(entry), kFallbackBackground,
                        match, report);
}

TWriteBackResult WriteBackPicture(std::span<const std::uint8_t> rom, const TTileEntry& entry,
                                  const TPixelImage& picture, const TWriteBackOptions& options) {
  CheckEntry(entry);
  const TPixelImage img = FitPicture(entry, picture);
  CheckIndices(entry, img);
  TWriteBackResult result{{rom.begin(), rom.end()}, entry, {}};
  if (entry.Compression == 0) {
    WritePlain(result.rom, entry, img, result.report);
  } else {
    WriteCompressed(result.rom, result.entry, img, options, result.report);
  }
  Prove(result.entry, result.rom, img);
  result.report.rawSize = result.entry.RawSize;
  result.report.comprSize = result.entry.ComprSize;
  return result;
}

}  // namespace tegulo
