// The scene of a save state, its kind told by content as the palette readers tell it.
#include <new>

#include "compress/zip_entry.h"
#include "compress/zlib_inflate.h"
#include "io/read_file.h"
#include "palette/palette_import.h"
#include "palette/state_bytes.h"
#include "palette/state_parts.h"
#include "scene/scene.h"

namespace tegulo {
namespace {

TScene ReadMesen(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 11) throw TError("the Mesen state is cut short");
  const std::uint32_t format = U32LeAt(bytes, 7);
  if (format == 3 || format == 4) return Mesen2Scene(bytes);
  if (format >= 6 && format <= 8) return MesenSScene(bytes);
  throw TError("Mesen state format " + std::to_string(format) +
               " is not supported (Mesen2 writes 3 and 4, Mesen-S 6 to 8)");
}

}  // namespace

TScene ReadScene(std::span<const std::uint8_t> bytes) {
  using K = TPaletteSourceKind;
  switch (DetectPaletteSource(bytes)) {
    case K::MgbaPng: return MgbaScene(MgbaPngBlock(bytes));
    case K::MgbaRaw: return MgbaScene(MgbaRawBlock(bytes));
    case K::MgbaGameBoy: throw TError("it is an mGBA Game Boy state, not a GBA state");
    case K::Gzip: {
      const std::vector<std::uint8_t> stream = InflateGzip(bytes);
      if (StartsWith(stream, "#!s9xsnp:")) return Snes9xScene(stream);
      return VbaScene(stream);
    }
    case K::Snes9x: return Snes9xScene(bytes);
    case K::Mesen: return ReadMesen(bytes);
    case K::Zip: {
      const auto state = ReadZipEntry(bytes, "Savestate.mss");
      if (!state || !StartsWith(*state, "MSS")) {
        throw TError("it is a ZIP archive but no Mesen game file");
      }
      return ReadMesen(*state);
    }
    case K::Zsnes: return ZsnesScene(bytes);
    case K::Bsnes: throw TError("bsnes save states are not read");
    default: break;
  }
  throw TError(
      "it is not a save state with a scene (mGBA, VisualBoyAdvance, Snes9x, Mesen2, Mesen-S "
      "or ZSNES)");
}

TScene ReadSceneFile(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  try {
    bytes = ReadFileHead(path, kMaxPaletteFileBytes + 1);
  } catch (const TFileReadError& e) {
    if (e.failure() == TReadFailure::Missing || e.failure() == TReadFailure::Directory) {
      throw TError(path + " not found");
    }
    throw;
  }
  try {
    if (bytes.size() > kMaxPaletteFileBytes) {
      throw TError("it is larger than " + std::to_string(kMaxPaletteFileBytes >> 20) + " MiB");
    }
    return ReadScene(bytes);
  } catch (const std::bad_alloc&) {
    throw TError(path + ": out of memory");
  } catch (const TError& e) {
    throw TError(path + ": " + e.what());
  }
}

}  // namespace tegulo
