// libFuzzer target: every row's compressor against its decoder. The first byte picks the
// row (scheme - 1, modulo the rows with a compressor), the second the options (bit 0:
// distance 1; bit 1: a CT mode, bit 2 the 12-bit one); the rest is the data, which must come
// back exactly, with every byte of the stream used.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "base/uCommon.h"
#include "compress/scheme_formats.h"
#include "fuzz_input.h"

using tegulo::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const tegulo::TSchemeFormat& row =
      tegulo::SchemeFormats()[1 + data[0] % (tegulo::kCompressionCount - 1)];
  tegulo::TCompressOptions options;
  options.allowDistance1 = (data[1] & 1u) != 0;
  if ((data[1] & 2u) != 0) {
    options.ctMode = (data[1] & 4u) != 0 ? tegulo::TCTMode::Bits12 : tegulo::TCTMode::Bits11;
  }
  const std::span<const std::uint8_t> input(data + 2, size - 2);

  std::vector<std::uint8_t> stream;
  try {
    stream = row.compress(input, options);
  } catch (const tegulo::TError&) {
    return 0;  // more than the format can hold
  }
  static tegulo::TDecodeBuffer out(tegulo::kDecodeBufferSize);
  std::fill(out.begin(), out.end(), std::uint8_t{0});
  bool notValid = false;
  row.decode(stream, out, &notValid);
  Check(!notValid);
  Check(row.extent(stream) == stream.size());
  Check(std::equal(input.begin(), input.end(), out.begin()));
  return 0;
}
