// libFuzzer target: the LZ77-10 scan. Every hit must decode as reported: the sizes a
// refresh gives, no complaint about the type byte, and within the data.
#include "compress/scan/lz10_scan.h"
#include "compress/uCompress.h"
#include "fuzz_input.h"

using namespace tegulo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::TFuzzInput in(data, size);
  const TLZ10ScanOptions options{in.Take(1) % 64, in.Take(1) % 9};
  const std::span<const std::uint8_t> rom = in.Rest();
  const std::vector<TLZ10Stream> hits = ScanLZ10(rom, options);
  std::size_t last = 0;
  for (std::size_t i = 0; i < hits.size(); ++i) {
    const TLZ10Stream& s = hits[i];
    fuzz::Check(i == 0 || s.address > last);
    last = s.address;
    fuzz::Check(s.address % (options.align == 0 ? 1 : options.align) == 0);
    fuzz::Check(s.rawSize >= options.minSize);
    fuzz::Check(CheckLZ10Stream(rom, s.address) == s);
    fuzz::Check(s.address + s.comprSize <= rom.size());
    static TDecodeBuffer out(1);
    out.assign(1, 0);
    bool notValid = true;
    const std::uint32_t consumed = DecompressLZ10(rom.subspan(s.address), out, &notValid);
    fuzz::Check(!notValid);
    fuzz::Check(consumed == s.comprSize);
    fuzz::Check(out.size() >= s.rawSize);
  }
  return 0;
}
