// libFuzzer target: "LZSS-CT" streams; the round trip alternates the two offset modes.
#include "greedy_encoders.h"
#include "decompress_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto encode = [](std::span<const std::uint8_t> d) {
    return tegulo::EncodeCT(d, d.size() % 2 ? tegulo::TCTMode::Bits11 : tegulo::TCTMode::Bits12);
  };
  return tegulo::fuzz::Run(data, size, tegulo::DecompressCT, encode, false);
}
