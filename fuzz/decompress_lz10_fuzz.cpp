// libFuzzer target: "LZ77-10" streams.
#include "decompress_fuzz.h"
#include "greedy_encoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto decode = [](std::span<const std::uint8_t> s, tegulo::TDecodeBuffer& o) {
    return tegulo::DecompressLZ10(s, o);
  };
  return tegulo::fuzz::Run(data, size, decode, tegulo::EncodeLZ10, true);
}
