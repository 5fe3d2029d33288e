// libFuzzer target: "LZSS-FF5" streams.
#include "greedy_encoders.h"
#include "decompress_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return tegulo::fuzz::Run(data, size, tegulo::DecompressFF5, tegulo::EncodeFF5, true);
}
