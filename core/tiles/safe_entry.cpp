// The safe reading of damaged records.
#include "tiles/safe_entry.h"

#include <algorithm>

#include "compress/scheme_formats.h"
#include "compress/uCompress.h"
#include "tiles/uTiles.h"

namespace tegulo {

TSafeEntry SafeReading(const TTileEntry& e) {
  TSafeEntry s;
  s.palCount = std::clamp<std::int32_t>(e.PalCount, 0, 256);
  s.hasTiles = e.Bpp != 0;
  s.decodable = e.Compression < kCompressionCount;
  s.drawable = e.Template >= 1 && e.Template < kTemplateCount && e.Width > 0 && e.Height > 0;
  return s;
}

}  // namespace tegulo
