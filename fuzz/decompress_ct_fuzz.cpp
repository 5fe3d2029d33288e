// libFuzzer target: "LZSS-CT" streams; the round trip alternates the two offset modes.
#include "decompress_fuzz.h"
#include "greedy_encoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto encode = [](std::span<const std::uint8_t> d) {
    return tegulo::EncodeCT(d, d.size() % 2 ? tegulo::TCTMode::Bits11 : tegulo::TCTMode::Bits12);
  };
  // The form that reports a passed record runs the same decoder.
  const auto decode = [](std::span<const std::uint8_t> s, tegulo::TDecodeBuffer& out) {
    bool notValid = false;
    return tegulo::DecompressCT(s, out, &notValid);
  };
  return tegulo::fuzz::Run(data, size, decode, encode, false);
}
