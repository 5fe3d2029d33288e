// Document import: files found by their export names, written back one after another.
#include "rom/import_document.h"

#include <filesystem>
#include <system_error>

#include "base/uCommon.h"
#include "compress/refresh.h"
#include "entries/file_names.h"
#include "image/render.h"
#include "rom/rom_file.h"
#include "rom/write_back.h"

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
                                        std::span<const TTileEntry> entries,
                                        const std::string& dir) {
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) throw TError(dir + " is not a folder");

  TDocImportResult result;
  result.rom.assign(rom.begin(), rom.end());
  std::vector<TImported> imported;
  const std::vector<std::string> paths = DocumentPictureFiles(entries, dir);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const TTileEntry& e = entries[i];
    const std::string& path = paths[i];
    if (path.empty()) continue;
    const std::string file = ExportFileName(i, GetName(e));
    try {
      const TPixelImage picture = PictureForEntry(ReadRomFile(path), e);
      TWriteBackResult r = WriteBackPicture(result.rom, e, picture);
      result.rom = std::move(r.rom);
      result.lines.push_back(file + ": " + r.report.Text());
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
