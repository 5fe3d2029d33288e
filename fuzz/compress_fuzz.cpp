// libFuzzer target: every row's compressor against its decoder. The first byte picks the
// row (scheme - 1 in its low four bits and bit 7, its fifth, modulo the rows with a
// compressor) and the options (bit 4: distance 1; bit 5: a CT mode, bit 6 the 12-bit one);
// the rest is the data, which must come back exactly, with every byte of the stream used.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "base/uCommon.h"
#include "compress/scheme_formats.h"
#include "fuzz_input.h"

using tegulo::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned pick = (data[0] & 15u) | (data[0] >> 7u) << 4u;
  const tegulo::TSchemeFormat& row =
      tegulo::SchemeFormats()[1 + pick % (tegulo::kCompressionCount - 1)];
  tegulo::TCompressOptions options;
  options.allowDistance1 = (data[0] & 16u) != 0;
  if ((data[0] & 32u) != 0) {
    options.ctMode = (data[0] & 64u) != 0 ? tegulo::TCTMode::Bits12 : tegulo::TCTMode::Bits11;
  }
  const std::span<const std::uint8_t> input(data + 1, size - 1);

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
