// The stream commands: decompress (one stream, as a refresh unpacks it) and scan.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/choice_lookup.h"
#include "base/messages.h"
#include "base/numbers.h"
#include "commands.h"
#include "compress/lz10_scan.h"
#include "compress/refresh.h"
#include "compress/scheme_formats.h"
#include "compress/stream_scan.h"
#include "compress/uCompress.h"
#include "entries/limits.h"
#include "entries/tile_entry.h"
#include "io/output_plan.h"
#include "rom/rom_file.h"
#include "rom/scan_entries.h"
#include "tiles/tile_formats.h"

namespace tegulo::cli {
namespace {

int SchemeOrThrow(const std::string& name) {
  if (const auto row = FindScheme(name)) return *row;
  throw TUsageError("Unknown compression scheme '" + EscapeControls(name) + "' (" +
                    NameList(Compressions, kSchemeLZ10) + ")");
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
  std::string rom, minSize = "32", align = "4", minScore, scheme, format = "text", doc, templ,
                   width;
  bool overlaps = false;
};

const std::map<std::string, std::vector<int>>& ScanSchemeNames() {
  static const std::map<std::string, std::vector<int>> names = {{"lz77-10", {1}},
                                                                {"lzss-ff5", {2}},
                                                                {"lzss-ff6", {3}},
                                                                {"lzss-ct", {4}},
                                                                {"all", {1, 2, 3, 4}}};
  return names;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

void PrintHits(const std::vector<TScanHit>& hits, const std::string& format, bool withScheme) {
  const auto schemeName = [](const TScanHit& h) {
    return std::string(Compressions[h.scheme].name());
  };
  if (format == "json") {
    std::printf("[");
    for (std::size_t i = 0; i < hits.size(); ++i) {
      const TScanHit& h = hits[i];
      std::printf("%s\n  {\"address\": %zu, \"rawSize\": %" PRIu32 ", \"comprSize\": %" PRIu32,
                  i == 0 ? "" : ",", h.address, h.rawSize, h.comprSize);
      if (withScheme)
        std::printf(", \"scheme\": \"%s\", \"score\": %d", schemeName(h).c_str(), h.score);
      std::printf("}");
    }
    std::printf("%s]\n", hits.empty() ? "" : "\n");
    return;
  }
  const char sep = format == "tsv" ? '\t' : ' ';
  if (format == "tsv") {
    std::printf("Address\tRawSize\tComprSize%s\n", withScheme ? "\tScheme\tScore" : "");
  }
  for (const TScanHit& h : hits) {
    // "$%.6x" with upper-case digits, as addresses are shown everywhere
    std::printf("$%.6zX%c%" PRIu32 "%c%" PRIu32, h.address, sep, h.rawSize, sep, h.comprSize);
    if (withScheme) std::printf("%c%s%c%d", sep, schemeName(h).c_str(), sep, h.score);
    std::printf("\n");
  }
}

void RunScan(const TScanArgs& a) {
  const std::int32_t minSize = ParseInt(a.minSize);
  const std::int32_t align = ParseInt(a.align);
  if (minSize < 0) throw TError("--min-size must be 0 or more");
  if (align < 1) throw TError("--align must be 1 or more");
  const bool withScheme = !a.scheme.empty();
  std::vector<int> schemes = {1};
  if (withScheme) {
    const auto it = ScanSchemeNames().find(Lower(a.scheme));
    if (it == ScanSchemeNames().end()) {
      throw TError("Unknown scan scheme '" + a.scheme +
                   "' (lz77-10, lzss-ff5, lzss-ff6, lzss-ct or all)");
    }
    schemes = it->second;
  }
  std::int32_t minScore = kDefaultMinScore;
  if (!a.minScore.empty()) {
    if (!withScheme) throw TError("--min-score needs --scheme");
    minScore = ParseInt(a.minScore);
    if (minScore < 0 || minScore > 100) throw TError("--min-score must be 0 to 100");
  }
  const std::string format = Lower(a.format);
  if (format != "text" && format != "tsv" && format != "json") {
    throw TError("Unknown format '" + a.format + "' (text, tsv or json)");
  }
  int templateRow = 0;
  std::int32_t width = 0;
  if (!a.doc.empty()) {
    if (a.templ.empty() || a.width.empty()) throw TError("--doc needs --template and --width");
    const auto row = FindTemplate(a.templ);
    if (!row) throw TError("Unknown template '" + a.templ + "'");
    templateRow = *row;
    width = ParseInt(a.width);
    if (width < 1 || width > kMaxTiles) {
      throw TError("--width must be 1 to " + std::to_string(kMaxTiles));
    }
  }
  if (!a.doc.empty()) {
    TOutputPlan plan;
    plan.AddInput(a.rom, "the input ROM");
    plan.AddOutput(a.doc, "--doc");
    plan.Check();
  }
  const std::vector<std::uint8_t> rom = ReadRomFile(a.rom);

  std::vector<TScanHit> hits;
  if (withScheme) {
    TScanOptions options;
    options.minSize = static_cast<std::uint32_t>(minSize);
    options.align = static_cast<std::uint32_t>(align);
    options.minScore = minScore;
    options.overlaps = a.overlaps;
    hits = ScanStreams(rom, schemes, options);
  } else {
    // The plain LZ77-10 scan, without scores.
    TLZ10ScanOptions options{static_cast<std::uint32_t>(minSize),
                             static_cast<std::uint32_t>(align)};
    options.overlaps = a.overlaps;
    for (const TLZ10Stream& s : ScanLZ10(rom, options)) {
      hits.push_back({s.address, 1, s.rawSize, s.comprSize, 0});
    }
  }
  if (!a.doc.empty()) {  // first, so that a failure leaves only its error line
    const std::string note = WriteScanDocument(a.doc, hits, templateRow, width);
    if (!note.empty()) Warn(note);
  }
  PrintHits(hits, format, withScheme);
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
                  NameList(Compressions, kSchemeLZ10) + " (any letter case)")
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
  Describe(sub, "Find compressed streams in a ROM",
           "Without --scheme: every position at the alignment with type byte 0x10 and an\n"
           "announced size of at least --min-size whose LZ77-10 decoding reads nothing past\n"
           "the end of the ROM and makes no back-reference before the start of its output,\n"
           "one line \"ADDRESS RAWSIZE COMPRSIZE\" each. Positions inside a stream found are\n"
           "skipped unless --overlaps is given.\n"
           "With --scheme: the streams of that scheme (or all four) whose header is plausible,\n"
           "whose decoding breaks no rule of the scheme and whose score (0-100: how much the\n"
           "stream shrinks, its share of back-references, whether its output looks like tile\n"
           "data) is at least --min-score; the scheme and score follow as two more columns.\n"
           "Overlapping hits keep the best score unless --overlaps is given. RAWSIZE is the\n"
           "announced size (LZ77-10, LZSS-FF5) or the bytes written (LZSS-FF6, LZSS-CT);\n"
           "COMPRSIZE the bytes the stream takes.\n"
           "--doc writes a document with one entry per hit, named \"$ADDRESS SCHEME\", with\n"
           "its scheme, --width tiles wide, as many rows high as its raw size fills, and the\n"
           "--template's grey ramp.");
  sub->add_option("ROM", args->rom, "the ROM image")->type_name("")->required();
  sub->add_option("--scheme", args->scheme, "lz77-10, lzss-ff5, lzss-ff6, lzss-ct or all")
      ->option_text("SCHEME");
  sub->add_option("--min-size", args->minSize, "smallest raw size reported")
      ->option_text("N (default 32)");
  sub->add_option("--align", args->align, "check only positions that are multiples of N")
      ->option_text("N (default 4)");
  sub->add_option("--min-score", args->minScore, "with --scheme: lowest score reported")
      ->option_text("S (default " + std::to_string(kDefaultMinScore) + ")");
  sub->add_flag("--overlaps", args->overlaps, "also report streams that overlap one found");
  sub->add_option("--format", args->format, "text, tsv (with a header line) or json")
      ->option_text("F (default text)");
  sub->add_option("--doc", args->doc, "write a document with an entry per hit to FILE")
      ->option_text("FILE");
  sub->add_option("--template", args->templ, "with --doc: the entries' template (1-9 or name)")
      ->option_text("T");
  sub->add_option("--width", args->width, "with --doc: the entries' width in tiles")
      ->option_text("W");
  return {sub, [args] { RunScan(*args); }};
}

}  // namespace tegulo::cli
