// The decompress command: one stream, unpacked as a refresh unpacks it.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/choice_lookup.h"
#include "base/messages.h"
#include "base/numbers.h"
#include "commands.h"
#include "compress/refresh.h"
#include "compress/scan/lz10_scan.h"
#include "compress/scan/stream_scan.h"
#include "compress/scheme_formats.h"
#include "compress/uCompress.h"
#include "entries/limits.h"
#include "entries/tile_entry.h"
#include "entry_options.h"
#include "io/output_plan.h"
#include "io/safe_write.h"
#include "rom/rom_file.h"
#include "tiles/tile_formats.h"
#include "write_outputs.h"

namespace tegulo::cli {
namespace {

struct TDecompressArgs {
  std::string scheme, rom, address, output;
};

void RunDecompress(const TDecompressArgs& a) {
  const int scheme = SchemeArg(a.scheme, false);
  TTileEntry e = AsUsage([&] { return NewEntry(a.address, 1, 1, 0); });
  e.Compression = static_cast<std::uint8_t>(scheme);
  if (!a.output.empty()) CheckOutputs({a.output, "", "", false}, {{a.rom, "the ROM"}});
  const std::vector<std::uint8_t> rom = ReadRomFile(a.rom);

  TDecodeBuffer buffer(kDecodeBufferSize);
  const TUnpackReport report = UnpackEntry(e, rom, buffer);
  if (!report.notValid.empty()) Warn(report.notValid);
  if (!a.output.empty()) {  // first, so that a failure leaves only its error line
    const std::size_t n =
        std::min<std::size_t>(static_cast<std::uint32_t>(e.RawSize), buffer.size());
    WriteBytesFile(a.output, std::span<const std::uint8_t>(buffer.data(), n));
  }
  // Both are sizes: an RNC header's 32-bit size above 2^31 is a size, not a negative number.
  std::printf("RawSize: %" PRIu32 " ComprSize: %" PRIu32 "\n",
              static_cast<std::uint32_t>(e.RawSize), static_cast<std::uint32_t>(e.ComprSize));
}

}  // namespace

TCommand AddDecompressCommand(CLI::App& parent) {
  auto args = std::make_shared<TDecompressArgs>();
  CLI::App* sub = parent.add_subcommand("decompress");
  Describe(sub, "Unpack one compressed stream and print its sizes",
           (std::string("Unpacks the stream at ADDRESS exactly as the window's refresh does and\n"
                        "prints \"RawSize: N ComprSize: M\", the unpacked and packed sizes by\n"
                        "the scheme's rules:\n") +
            SchemeSizeRulesText() +
            "A stream that breaks a rule of its scheme gives \"Not valid NAME stream\" on\n"
            "standard error (\"Not valid LZ10 stream\" for a wrong LZ77-10 type byte), and the\n"
            "command still exits 0 with what the decoder wrote, as the window's refresh does.")
               .c_str());
  sub->add_option("SCHEME", args->scheme, WrapList(SchemeChoices(false) + " (any letter case)"))
      ->type_name("")
      ->required();
  sub->add_option("ROM", args->rom, "the ROM image, read whole, no header skipped")
      ->type_name("")
      ->required();
  sub->add_option("ADDRESS", args->address, "file offset of the stream's first byte")
      ->type_name("")
      ->required();
  sub->add_option("-o,--output", args->output,
                  "write the first RawSize unpacked bytes (at most what the buffer holds) to FILE")
      ->option_text("FILE");
  return {sub, [args] { RunDecompress(*args); }};
}

}  // namespace tegulo::cli
