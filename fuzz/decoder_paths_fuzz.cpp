// libFuzzer target: each decoder's fast path against its careful loop, and a ProPack stream
// decoded into outputs of two fills. The first input byte picks the scheme, the output
// length and the fill byte; the rest is the stream.
#include <cstdlib>

#include "decoder_paths_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static constexpr std::size_t kLengths[4] = {0, 300, 5000, 70000};
  const int scheme = 1 + (data[0] & 3);
  const std::size_t length = kLengths[(data[0] >> 2) & 3];
  const std::uint8_t fill = static_cast<std::uint8_t>(data[0] & 0xF0);
  const std::span<const std::uint8_t> stream(data + 1, size - 1);
  // LZ77-10 lengthens the output to its announced size: keep that bounded.
  if (scheme == 1 && stream.size() >= 4 && stream[3] != 0) return 0;
  if (!tegulo::fuzz::DecoderPathsAgree(scheme, stream, length, fill)) std::abort();
  if (!tegulo::fuzz::RncOutputsAgree(stream, length, fill)) std::abort();
  return 0;
}
