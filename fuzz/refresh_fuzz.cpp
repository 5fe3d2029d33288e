// libFuzzer target: the refresh of entries with random schemes over the input as the ROM.
// One working buffer serves every run, as the window's does; each unpacking must leave it
// exactly as a new buffer would, whatever was unpacked before.
#include <algorithm>
#include <cstring>

#include "compress/refresh.h"
#include "compress/scheme_formats.h"
#include "entries/status_texts.h"
#include "fuzz_input.h"

using namespace tegulo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::TFuzzInput in(data, size);
  TTileEntry e{};
  // Every row, and one value past the table (a damaged record).
  e.Compression = static_cast<std::uint8_t>(in.Take(1) % (kCompressionCount + 1));
  e.Bpp = static_cast<std::uint8_t>(in.Take(1));
  e.Width = in.TakeInt();
  e.Height = in.TakeInt();
  e.Address = static_cast<std::int16_t>(in.Take(2));
  const std::span<const std::uint8_t> rom = in.Rest();

  static TDecodeBuffer shared(kDecodeBufferSize);
  TTileEntry reused = e;
  const std::string warned = UnpackEntry(reused, rom, shared).notValid;
  TDecodeBuffer fresh(kDecodeBufferSize);
  TTileEntry once = e;
  fuzz::Check(UnpackEntry(once, rom, fresh).notValid == warned);
  fuzz::Check(std::memcmp(&once, &reused, sizeof once) == 0);
  fuzz::Check(shared == fresh);
  fuzz::Check(shared.size() >= kDecodeBufferSize);
  fuzz::Check(shared.size() <= (1u << 24));
  const auto texts = StatusTexts(reused);
  fuzz::Check(texts[0].starts_with("#Tiles: "));
  return 0;
}
