// tegulo-make-scan-rom OUT [MIB] [SEED]: writes a test ROM of mixed content with streams of
// every variant planted in it, and beside it OUT.tsv listing them (address, stream size,
// raw size, scheme, parse, content), for trying the scans by hand.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <span>
#include <string>

#include "io/safe_write.h"
#include "test_rom.h"

using namespace tegulo;
using namespace tegulo::gen;

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::fprintf(stderr, "usage: tegulo-make-scan-rom OUT [MIB] [SEED]\n");
    return 2;
  }
  const std::string out = argv[1];
  const std::size_t mib = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 32;
  const auto seed = static_cast<std::uint32_t>(argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 1);
  if (mib == 0 || mib > 256) {
    std::fprintf(stderr, "tegulo-make-scan-rom: MIB must be 1..256\n");
    return 2;
  }
  try {
    const TTestRom rom = MakeTestRom(mib << 20, 24, seed);
    const auto variants = AllVariants();
    std::string list = "address\tstream\traw\tscheme\tparse\tcontent\n";
    for (const TPlanted& p : rom.planted) {
      char line[64];
      std::snprintf(line, sizeof line, "$%06zX\t%zu\t%u\t", p.address, p.streamSize, p.rawSize);
      list += line + SchemeLabel(variants[p.variant]) + '\t' + ParseLabel(variants[p.variant]) +
              '\t' + std::string(ContentName(p.content)) + '\n';
    }
    WriteFileAtomically(out, rom.bytes);
    WriteFileAtomically(out + ".tsv",
                        std::span(reinterpret_cast<const std::uint8_t*>(list.data()), list.size()));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tegulo-make-scan-rom: %s\n", e.what());
    return 1;
  }
  return 0;
}
