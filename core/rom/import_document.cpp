// Document import: files found by their export names, written back one after another.
#include "rom/import_document.h"

#include <filesystem>
#include <system_error>

#include "base/stream_view.h"
#include "base/uCommon.h"
#include "compress/refresh.h"
#include "compress/stream_extent.h"
#include "entries/file_names.h"
#include "image/render.h"
#include "rom/rom_file.h"
#include "rom/write_back.h"
#include "tiles/tile_formats.h"

namespace tegulo {
namespace {

struct TImported {
  std::size_t index;
  std::string file;
  TTileEntry entry;  // as written: a refresh's sizes
  TPixelImage picture;
};

// Whether the entry, drawn from `rom`, still shows the picture's pixels (the top-left block
// of the bitmap that the picture covers).
bool StillShows(TTileEntry e, std::span<const std::uint8_t> rom, const TPixelImage& pic) {
  TDecodeBuffer buffer(kDecodeBufferSize);
  UnpackEntry(e, rom, buffer);
  TIndexedBitmap bmp;
  DrawTiles(bmp, e, rom, buffer, 0);
  const std::int32_t w = e.Template == 9 ? e.Width : pic.width;
  const std::int32_t h = e.Template == 9 ? e.Height : pic.height;
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      if (bmp.Row(y)[x] != pic.At(x, y)) return false;
    }
  }
  return true;
}

// The bytes the other entries read, which free space must keep clear of.
std::vector<TByteRange> InUse(std::span<const TTileEntry> entries, std::size_t self,
                              std::span<const std::uint8_t> rom) {
  std::vector<TByteRange> ranges;
  const std::int32_t stream = entries[self].Address;
  for (std::size_t j = 0; j < entries.size(); ++j) {
    const TTileEntry& e = entries[j];
    if (j == self || e.Template == 0 || e.Template >= kTemplateCount) continue;
    if (e.Compression != 0) {
      if (e.Address == stream) continue;  // the same stream, which moves with this one
      const auto used = StreamBytesUsed(e.Compression, StreamAt(rom, e.Address));
      ranges.push_back({e.Address, e.Address + static_cast<std::int64_t>(used)});
    } else {
      const std::int64_t at = static_cast<std::int64_t>(e.Address) + e.Offset;
      const std::int64_t w = std::max(e.Width, 0);
      const std::int64_t h = std::max(e.Height, 0);
      if (w > 0 && h > 0) {
        ranges.push_back({at, at + static_cast<std::int64_t>(
                                       TemplateDataSize(e.Template, static_cast<std::int32_t>(w),
                                                        static_cast<std::int32_t>(h)))});
      }
    }
  }
  return ranges;
}

// Writes entry i back; a moved stream takes every entry that read it along, and its lines
// go to `moves`.
TWriteBackResult ImportOne(TDocImportResult& result, std::size_t i, const TPixelImage& picture,
                           const TRelocateOptions* relocate, std::vector<std::string>& moves) {
  const TTileEntry e = result.entries[i];
  if (!relocate) return WriteBackPicture(result.rom, e, picture);
  TRelocateOptions o = *relocate;
  o.address.reset();
  o.pointers.clear();
  o.reserved = InUse(result.entries, i, result.rom);
  TRelocateResult r = WriteBackRelocating(result.rom, e, picture, {}, o);
  if (r.relocation) {
    moves = r.relocation->Lines(relocate->layout);
    for (TTileEntry& other : result.entries) {
      if (other.Compression != 0 && other.Address == e.Address) {
        other.Address = static_cast<std::int32_t>(r.relocation->to);
      }
    }
    result.moved = true;
  }
  return std::move(r.writeBack);
}

}  // namespace

std::vector<std::string> DocumentPictureFiles(std::span<const TTileEntry> entries,
                                              const std::string& dir) {
  std::vector<std::string> paths;
  paths.reserve(entries.size());
  std::error_code ec;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    std::string path =
        (std::filesystem::path(dir) / ExportFileName(i, GetName(entries[i]))).string();
    paths.push_back(std::filesystem::exists(path, ec) ? std::move(path) : std::string());
  }
  return paths;
}

TDocImportResult ImportDocumentPictures(std::span<const std::uint8_t> rom,
                                        std::span<const TTileEntry> entries, const std::string& dir,
                                        const TRelocateOptions* relocate) {
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) throw TError(dir + " is not a folder");

  TDocImportResult result;
  result.rom.assign(rom.begin(), rom.end());
  result.entries.assign(entries.begin(), entries.end());
  std::vector<TImported> imported;
  const std::vector<std::string> paths = DocumentPictureFiles(entries, dir);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const TTileEntry e = result.entries[i];
    const std::string& path = paths[i];
    if (path.empty()) continue;
    ++result.pictures;
    const std::string file = ExportFileName(i, GetName(e));
    try {
      const TPixelImage picture = PictureForEntry(ReadRomFile(path), e);
      const std::int32_t oldAddress = e.Address;
      std::vector<std::string> moves;
      TWriteBackResult r = ImportOne(result, i, picture, relocate, moves);
      result.rom = std::move(r.rom);
      for (TImported& done : imported) {
        if (done.entry.Compression != 0 && done.entry.Address == oldAddress) {
          done.entry.Address = r.entry.Address;
        }
      }
      result.lines.push_back(file + ": " + r.report.Text());
      result.lines.insert(result.lines.end(), moves.begin(), moves.end());
      imported.push_back({i, file, r.entry, picture});
    } catch (const TError& err) {
      result.failures.push_back({i, file, err.what()});
    }
  }
  for (const TImported& done : imported) {
    if (!StillShows(done.entry, result.rom, done.picture)) {
      result.failures.push_back(
          {done.index, done.file, "changed again by a later entry that shares its bytes"});
    }
  }
  return result;
}

}  // namespace tegulo
