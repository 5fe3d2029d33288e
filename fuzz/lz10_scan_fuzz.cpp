// libFuzzer target: the LZ77-10 scan. Every hit must decode as reported: the sizes a
// refresh gives, no complaint about the type byte, and within the data; the shared table
// alone finds the same; the scan that refuses runs into zero fillers drops only streams
// with five literal zeros in a row.
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
  // The candidates whose output passes 4096 bytes judged by the shared table alone.
  TLZ10ScanOptions table = options;
  table.farWalkBudget = 0;
  fuzz::Check(ScanLZ10(rom, table) == hits);
  // Refusing at once the streams that write five literal zeros after a flag byte of 0
  // refuses only streams that would write five equal literals in a row (with overlaps: a
  // stream refused hides none inside it), with the shared table or without.
  TLZ10ScanOptions all = options;
  all.overlaps = true;
  const std::vector<TLZ10Stream> every = ScanLZ10(rom, all);
  TLZ10ScanOptions zeros = all;
  zeros.refuseZeroRuns = true;
  const std::vector<TLZ10Stream> kept = ScanLZ10(rom, zeros);
  zeros.farWalkBudget = 0;
  fuzz::Check(ScanLZ10(rom, zeros) == kept);
  std::size_t k = 0;
  for (const TLZ10Stream& s : every) {
    if (k < kept.size() && kept[k] == s) {
      ++k;
      continue;
    }
    struct TZeroRun {
      unsigned run = 0;
      bool seen = false;
      bool Literal(std::uint32_t, std::uint8_t b) {
        run = b == 0 ? run + 1 : 0;
        seen = seen || run >= 5;
        return true;
      }
      bool Reference(std::uint32_t, std::uint32_t) {
        run = 0;
        return true;
      }
      void LastFlags(unsigned) {}
    } walk;
    fuzz::Check(WalkLZ10(rom, s.address, walk).has_value() && walk.seen);
  }
  fuzz::Check(k == kept.size());
  return 0;
}
