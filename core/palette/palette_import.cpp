// Imported palettes: detection by content, the reader of each kind, the file and the rows of
// the import dialog.
#include "palette/palette_import.h"

#include <algorithm>
#include <vector>

#include "compress/zip_entry.h"
#include "compress/zlib_inflate.h"
#include "io/read_file.h"
#include "palette/palette_files.h"
#include "palette/state_bytes.h"

namespace tegulo {
namespace {

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::size_t kMgbaStateSize = 0x61000;
// The ZSNES rule reads no further than this.
constexpr std::size_t kZsnesEnd = 1560 + 512;
constexpr std::string_view kMesenGameFileEntry = "Savestate.mss";

bool IsSnesOnly(TPaletteSourceKind kind) {
  switch (kind) {
    case TPaletteSourceKind::Unknown:
    case TPaletteSourceKind::Zsnes:
    case TPaletteSourceKind::Snes9x:
    case TPaletteSourceKind::CgramDump: return true;
    default: return false;
  }
}

TPalette ReadGzip(std::span<const std::uint8_t> bytes, TPaletteHalf half) {
  const std::vector<std::uint8_t> stream = InflateGzip(bytes);
  if (StartsWith(stream, "#!s9xsnp:")) {
    if (half == TPaletteHalf::Sprites) throw TError("a SNES state has no sprite palette");
    return Snes9xPalette(stream);
  }
  return VbaPalette(stream, half);
}

TPalette ReadMesen(std::span<const std::uint8_t> bytes, TPaletteHalf half) {
  if (bytes.size() < 11) throw TError("the Mesen state is cut short");
  const std::uint32_t format = U32LeAt(bytes, 7);
  if (format != 3 && format != 4 && (format < 6 || format > 8)) {
    throw TError("Mesen state format " + std::to_string(format) +
                 " is not supported (Mesen2 writes 3 and 4, Mesen-S 6 to 8)");
  }
  if (format <= 4) return Mesen2Palette(bytes, half);
  if (half == TPaletteHalf::Sprites) throw TError("a SNES state has no sprite palette");
  return MesenSPalette(bytes);
}

}  // namespace

TPaletteSourceKind DetectPaletteSource(std::span<const std::uint8_t> bytes) {
  using K = TPaletteSourceKind;
  if (bytes.size() >= 8 &&
      std::equal(std::begin(kPngSignature), std::end(kPngSignature), bytes.begin())) {
    return K::MgbaPng;
  }
  if (bytes.size() >= 2 && bytes[0] == 0x1F && bytes[1] == 0x8B) return K::Gzip;
  if (StartsWith(bytes, "#!s9xsnp:")) return K::Snes9x;
  if (StartsWith(bytes, "MSS")) return K::Mesen;
  if (StartsWith(bytes, "PK\x03\x04")) return K::Zip;
  if (StartsWith(bytes, "ZSNES Save State File")) return K::Zsnes;
  if (StartsWith(bytes, "JASC-PAL")) return K::JascPal;
  if (StartsWith(bytes, "GIMP Palette")) return K::Gpl;
  if (bytes.size() >= 12 && StartsWith(bytes, "RIFF") && StartsWith(bytes.subspan(8), "PAL ")) {
    return K::RiffPal;
  }
  if (bytes.size() >= 4) {
    const std::uint32_t magic = U32LeAt(bytes, 0);
    if (magic == 0x5A220000u) return K::Bsnes;
    if ((magic & 0xFFFFFF00u) == 0x01000000u) return K::MgbaRaw;
    if ((magic & 0xFFFFFF00u) == 0x00400000u) return K::MgbaGameBoy;
  }
  switch (bytes.size()) {
    case 512: return K::CgramDump;
    case 1024: return K::GbaPaletteDump;
    case 768:
    case 772: return K::Act;
    default: return K::Unknown;
  }
}

bool IsPaletteFile(TPaletteSourceKind kind) {
  using K = TPaletteSourceKind;
  return kind == K::JascPal || kind == K::RiffPal || kind == K::Gpl || kind == K::Act ||
         kind == K::CgramDump || kind == K::GbaPaletteDump;
}

TPalette ReadPaletteSource(std::span<const std::uint8_t> bytes, TPaletteHalf half,
                           std::int32_t* count) {
  if (count != nullptr) *count = 256;
  using K = TPaletteSourceKind;
  const K kind = DetectPaletteSource(bytes);
  if (half == TPaletteHalf::Sprites) {
    if (IsSnesOnly(kind)) throw TError("a SNES state or palette has no sprite palette");
    if (kind == K::JascPal || kind == K::RiffPal || kind == K::Gpl || kind == K::Act) {
      throw TError("a palette file of 24-bit colours has no sprite palette");
    }
  }
  switch (kind) {
    case K::Unknown:
    case K::Zsnes: return ZsnesPaletteFromBytes(bytes);
    case K::MgbaPng: return MgbaPngPalette(bytes, half);
    case K::MgbaRaw:
      if (bytes.size() < kMgbaStateSize) throw TError("the mGBA state is cut short");
      return MgbaRawPalette(bytes, half);
    case K::MgbaGameBoy: throw TError("it is an mGBA Game Boy state, not a GBA state");
    case K::Gzip: return ReadGzip(bytes, half);
    case K::Snes9x: return Snes9xPalette(bytes);
    case K::Mesen: return ReadMesen(bytes, half);
    case K::Bsnes:
      throw TError(
          "bsnes save states are not read: the place of their palette depends on the "
          "game and the bsnes version");
    case K::Zip: {
      // A Mesen2 "recent game" file holds its state as an entry of a ZIP archive.
      const auto state = ReadZipEntry(bytes, kMesenGameFileEntry);
      if (!state || DetectPaletteSource(*state) != K::Mesen) {
        throw TError(
            "it is a ZIP archive but no Mesen game file (bsnes .bsz slots are not "
            "read)");
      }
      return ReadMesen(*state, half);
    }
    case K::JascPal: return ReadJascPal(bytes, count);
    case K::RiffPal: return ReadRiffPal(bytes, count);
    case K::Gpl: return ReadGpl(bytes, count);
    case K::Act: return ReadAct(bytes, count);
    case K::CgramDump: return ReadCgramDump(bytes);
    case K::GbaPaletteDump: return ReadGbaPaletteDump(bytes, half);
  }
  return {};
}

std::int32_t ZsnesColourCount(std::uint64_t size) {
  if (size <= 1560) return 0;
  return static_cast<std::int32_t>(std::min<std::uint64_t>(size - 1560, 512) / 2);
}

std::string ZsnesFallbackText(const std::string& name, std::int32_t colours) {
  return name + " is of no known kind: read as a ZSNES save state, " + std::to_string(colours) +
         (colours == 1 ? " colour" : " colours");
}

TPalette ReadPaletteFile(const std::string& path, TPaletteHalf half, TPaletteFileRule rule,
                         TPaletteReadNote* note) {
  // Read up to the limit and one byte more, to tell a file that passes it.
  const std::size_t want =
      rule == TPaletteFileRule::ZsnesRule ? kZsnesEnd : kMaxPaletteFileBytes + 1;
  std::vector<std::uint8_t> bytes;
  try {
    bytes = ReadFileHead(path, want);
  } catch (const TFileReadError& e) {
    // A missing file and a folder read as not found, as a save state always has.
    if (e.failure() == TReadFailure::Missing || e.failure() == TReadFailure::Directory) {
      throw TError(path + " not found");
    }
    throw;
  }
  const std::size_t done = bytes.size();
  const bool truncated = done > kMaxPaletteFileBytes;
  try {
    if (rule == TPaletteFileRule::ZsnesRule) return ZsnesPaletteFromBytes(bytes);
    const TPaletteSourceKind kind = DetectPaletteSource(bytes);
    if (note != nullptr && kind == TPaletteSourceKind::Unknown) {
      *note = {true, ZsnesColourCount(bytes.size())};
    }
    if (rule == TPaletteFileRule::PaletteFileOnly && !IsPaletteFile(kind)) {
      throw TError(
          "it is not a palette file (JASC-PAL, RIFF PAL, GIMP, ACT or a 512- or "
          "1024-byte dump)");
    }
    if (truncated) {
      if (kind != TPaletteSourceKind::Unknown && kind != TPaletteSourceKind::Zsnes) {
        throw TError("it is larger than " + std::to_string(kMaxPaletteFileBytes >> 20) + " MiB");
      }
      if (half == TPaletteHalf::Sprites) throw TError("a SNES state has no sprite palette");
      return ZsnesPaletteFromBytes(bytes);
    }
    return ReadPaletteSource(bytes, half, note != nullptr ? &note->held : nullptr);
  } catch (const std::bad_alloc&) {
    throw TError(path + ": out of memory");
  } catch (const TError& e) {
    throw TError(path + ": " + e.what());
  }
}

namespace {

using H = TPaletteHalf;
constexpr TPaletteImportRow kImportRows[] = {
    {"zSnes Save State", "*.zs?", H::Background},
    {"All palettes and save states",
     "*.zs?;*.ss?;*.png;*.0??;*.frz;*.oops;*.undo;*.sgm;*.mss;*.rgd;*.pal;*.gpl;*.act;*.bin;*."
     "cgram",
     H::Background},
    {"mGBA state", "*.ss?;*.png", H::Background},
    {"mGBA state, sprite palette", "*.ss?;*.png", H::Sprites},
    {"Snes9x snapshot", "*.0??;*.frz;*.oops;*.undo", H::Background},
    {"VisualBoyAdvance state", "*.sgm", H::Background},
    {"VisualBoyAdvance state, sprite palette", "*.sgm", H::Sprites},
    {"Mesen state", "*.mss;*.rgd", H::Background},
    {"JASC or RIFF palette", "*.pal", H::Background},
    {"GIMP palette", "*.gpl", H::Background},
    {"Adobe Color Table", "*.act", H::Background},
    {"Palette dump (512 or 1024 bytes)", "*.bin;*.pal;*.cgram", H::Background},
    {"Palette dump, GBA sprite half", "*.bin;*.pal", H::Sprites},
    {"ALL", "*.*", H::Background},
};

}  // namespace

std::span<const TPaletteImportRow> PaletteImportRows() { return kImportRows; }

TPaletteHalf PaletteImportHalf(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= std::size(kImportRows)) return H::Background;
  return kImportRows[row].half;
}

std::string PaletteImportFilter() {
  std::string filter;
  for (const TPaletteImportRow& row : kImportRows) {
    if (!filter.empty()) filter += '|';
    filter += row.description;
    filter += '|';
    filter += row.patterns;
  }
  return filter;
}

}  // namespace tegulo
