// libFuzzer target: "LZSS-FF5" streams.
#include "decompress_fuzz.h"
#include "greedy_encoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return tegulo::fuzz::Run(data, size, tegulo::DecompressFF5, tegulo::EncodeFF5, true);
}
