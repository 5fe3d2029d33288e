// libFuzzer target: "LZSS-FF5" streams.
#include "decompress_fuzz.h"
#include "greedy_encoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto decode = [](std::span<const std::uint8_t> s, tegulo::TDecodeBuffer& out) {
    return tegulo::DecompressFF5(s, out);
  };
  return tegulo::fuzz::Run(data, size, decode, tegulo::EncodeFF5, true);
}
