// The stream commands: decompress (one stream, as a refresh unpacks it) and scan.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <string>

#include "base/choice_lookup.h"
#include "base/messages.h"
#include "base/numbers.h"
#include "commands.h"
#include "compress/lz10_scan.h"
#include "compress/refresh.h"
#include "compress/uCompress.h"
#include "entries/tile_entry.h"
#include "rom/rom_file.h"

namespace tegulo::cli {
namespace {

int SchemeOrThrow(const std::string& name) {
  if (const auto row = FindScheme(name)) return *row;
  throw TUsageError("Unknown compression scheme '" + EscapeControls(name) +
                    "' (LZ77-10, LZSS-FF5, LZSS-FF6 or LZSS-CT)");
}

struct TDecompressArgs {
  std::string scheme, rom, address, output;
};

void RunDecompress(const TDecompressArgs& a) {
  const int scheme = SchemeOrThrow(a.scheme);
  TTileEntry e = NewEntry(a.address, 1, 1, 0);
  e.Compression = static_cast<std::uint8_t>(scheme);
  if (!a.output.empty()) RefuseInputAsOutput(a.output, a.rom);
  const std::vector<std::uint8_t> rom = ReadRomFile(a.rom);

  TDecodeBuffer buffer(kDecodeBufferSize);
  if (UnpackEntry(e, rom, buffer).notValidLZ10) Warn("Not valid LZ10 stream");
  if (!a.output.empty()) {  // first, so that a failure leaves only its error line
    const std::size_t n =
        std::min<std::size_t>(static_cast<std::uint32_t>(e.RawSize), buffer.size());
    WriteBytesFile(a.output, std::span<const std::uint8_t>(buffer.data(), n));
  }
  std::printf("RawSize: %" PRId32 " ComprSize: %" PRId32 "\n", e.RawSize, e.ComprSize);
}

struct TScanArgs {
  std::string rom, minSize = "32", align = "4";
};

void RunScan(const TScanArgs& a) {
  const std::int32_t minSize = ParseInt(a.minSize);
  const std::int32_t align = ParseInt(a.align);
  if (minSize < 0) throw TError("--min-size must be 0 or more");
  if (align < 1) throw TError("--align must be 1 or more");
  const std::vector<std::uint8_t> rom = ReadRomFile(a.rom);

  const auto found =
      ScanLZ10(rom, {static_cast<std::uint32_t>(minSize), static_cast<std::uint32_t>(align)});
  for (const TLZ10Stream& s : found) {
    // "$%.6x" with upper-case digits, as addresses are shown everywhere
    std::printf("$%.6zX %" PRIu32 " %" PRIu32 "\n", s.address, s.rawSize, s.comprSize);
  }
}

}  // namespace

TCommand AddDecompressCommand(CLI::App& parent) {
  auto args = std::make_shared<TDecompressArgs>();
  CLI::App* sub = parent.add_subcommand("decompress");
  Describe(sub, "Unpack one compressed stream and print its sizes",
           "Unpacks the stream at ADDRESS exactly as the window's refresh does and prints\n"
           "\"RawSize: N ComprSize: M\", the unpacked and packed sizes by the scheme's rules:\n"
           "RawSize is the announced size for LZ77-10 and LZSS-FF5, the bytes written for\n"
           "LZSS-FF6 and LZSS-CT; ComprSize the bytes consumed (LZ77-10, LZSS-FF5) or the\n"
           "header's value (LZSS-FF6: stream length, LZSS-CT: distance to the first record).\n"
           "A wrong LZ77-10 type byte gives \"Not valid LZ10 stream\" on standard error, and\n"
           "decoding goes on as the window's does.");
  sub->add_option("SCHEME", args->scheme,
                  "LZ77-10, LZSS-FF5, LZSS-FF6 or LZSS-CT (any letter case)")
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

TCommand AddScanCommand(CLI::App& parent) {
  auto args = std::make_shared<TScanArgs>();
  CLI::App* sub = parent.add_subcommand("scan");
  Describe(sub, "Find the LZ77-10 streams in a ROM",
           "Reports every position at the alignment with type byte 0x10 and an announced size\n"
           "of at least --min-size whose decoding reads nothing past the end of the ROM and\n"
           "makes no back-reference before the start of its output, one line\n"
           "\"ADDRESS RAWSIZE COMPRSIZE\" each. Each position is judged on its own, so streams\n"
           "may overlap.");
  sub->add_option("ROM", args->rom, "the ROM image")->type_name("")->required();
  sub->add_option("--min-size", args->minSize, "smallest announced size reported")
      ->option_text("N (default 32)");
  sub->add_option("--align", args->align, "check only positions that are multiples of N")
      ->option_text("N (default 4)");
  return {sub, [args] { RunScan(*args); }};
}

}  // namespace tegulo::cli
