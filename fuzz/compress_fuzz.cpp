// libFuzzer target: the compressors of LZ77-10, LZSS-FF5, LZSS-FF6 and LZSS-CT against their
// decoders. The first byte picks the
// scheme and options; the rest is the data, which must come back exactly, with no byte
// written past it and every byte of the stream used.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "base/uCommon.h"
#include "compress/compressors.h"
#include "compress/stream_extent.h"
#include "compress/uCompress.h"

namespace {

void Require(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int scheme = 1 + data[0] % 4;
  tegulo::TCompressOptions options;
  options.allowDistance1 = (data[0] & 4) != 0;
  if (data[0] & 8)
    options.ctMode = (data[0] & 16) ? tegulo::TCTMode::Bits12 : tegulo::TCTMode::Bits11;
  const std::span<const std::uint8_t> input(data + 1, size - 1);

  std::vector<std::uint8_t> stream;
  try {
    stream = tegulo::CompressStream(scheme, input, options);
  } catch (const tegulo::TError&) {
    return 0;  // more than the format can hold
  }
  static tegulo::TDecodeBuffer out(tegulo::kDecodeBufferSize);
  std::fill(out.begin(), out.end(), std::uint8_t{0});
  std::uint32_t n = 0;
  switch (scheme) {
    case 1: n = tegulo::DecompressLZ10(stream, out); break;
    case 2: n = tegulo::DecompressFF5(stream, out); break;
    case 3: n = tegulo::DecompressFF6(stream, out); break;
    case 4: n = tegulo::DecompressCT(stream, out); break;
  }
  Require(n == (scheme <= 2 ? stream.size() : input.size()));
  Require(tegulo::StreamBytesUsed(scheme, stream) == stream.size());
  Require(std::equal(input.begin(), input.end(), out.begin()));
  Require(std::all_of(out.begin() + static_cast<std::ptrdiff_t>(input.size()),
                      out.begin() + static_cast<std::ptrdiff_t>(input.size()) + 64,
                      [](std::uint8_t b) { return b == 0; }));
  return 0;
}
