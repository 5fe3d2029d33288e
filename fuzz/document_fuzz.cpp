// libFuzzer target: documents. Every record is listed and, with its sizes capped, refreshed
// and drawn from the document's own bytes taken as the ROM.
#include <algorithm>
#include <cstring>
#include <string>

#include "base/bitmap.h"
#include "base/numbers.h"
#include "compress/refresh.h"
#include "entries/document.h"
#include "entries/file_names.h"
#include "entries/status_texts.h"
#include "fuzz_input.h"
#include "image/render.h"
#include "palette/palette.h"

using namespace tegulo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  const std::vector<TTileEntry> entries = DocumentFromBytes(bytes);
  fuzz::Check(entries.size() == size / sizeof(TTileEntry));
  static TDecodeBuffer buffer(kDecodeBufferSize);
  for (TTileEntry e : entries) {
    const std::string name = GetName(e);
    fuzz::Check(name.size() <= kMaxNameLength);
    fuzz::Check(PrintableName(name).find('\n') == std::string::npos);
    fuzz::Check(ExportFileName(0, name).find('/') == std::string::npos);
    FormatAddress(e.Address);
    TPalette view;
    LoadViewPalette(view, e);
    // Large but legal sizes cost time, not safety: the cap keeps each run short.
    e.Width = std::clamp(e.Width, -2, 24);
    e.Height = std::clamp(e.Height, -2, 24);
    UnpackEntry(e, bytes, buffer);
    StatusTexts(e);
    TIndexedBitmap bmp;
    try {
      DrawTiles(bmp, e, bytes, buffer, 0x00F0F0F0);
    } catch (const TError&) {
    }
  }
  return 0;
}
