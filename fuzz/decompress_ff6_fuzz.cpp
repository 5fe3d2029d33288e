// libFuzzer target: "LZSS-FF6" streams.
#include "decompress_fuzz.h"
#include "greedy_encoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto decode = [](std::span<const std::uint8_t> s, tegulo::TDecodeBuffer& out) {
    bool notValid = false;
    return tegulo::DecompressFF6(s, out, &notValid);
  };
  return tegulo::fuzz::Run(data, size, decode, tegulo::EncodeFF6, false);
}
