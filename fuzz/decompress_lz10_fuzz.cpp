// libFuzzer target: "LZ77-10" streams.
#include "greedy_encoders.h"
#include "decompress_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto decode = [](std::span<const std::uint8_t> s, tegulo::TDecodeBuffer& o) {
    return tegulo::DecompressLZ10(s, o);
  };
  return tegulo::fuzz::Run(data, size, decode, tegulo::EncodeLZ10, true);
}
