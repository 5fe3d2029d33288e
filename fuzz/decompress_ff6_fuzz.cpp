// libFuzzer target: "LZSS-FF6" streams.
#include "greedy_encoders.h"
#include "decompress_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return tegulo::fuzz::Run(data, size, tegulo::DecompressFF6, tegulo::EncodeFF6, false);
}
