// The stream commands: decompress (one stream, as a refresh unpacks it) and scan.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
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
#include "rom/scan_entries.h"
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
  std::printf("RawSize: %" PRId32 " ComprSize: %" PRId32 "\n", e.RawSize, e.ComprSize);
}

struct TScanArgs {
  std::string rom, minSize = std::to_string(kDefaultScanMinSize),
                   align = std::to_string(kDefaultScanAlign), minScore, scheme, format = "text",
                   doc, templ, width;
  bool overlaps = false;
};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The names --scheme takes: every scheme the scan knows, in lower case, and "all".
std::string ScanSchemeChoices() {
  std::string text;
  for (const int scheme : kScanSchemes)
    text += Lower(std::string(Compressions[scheme].name())) + ", ";
  text.resize(text.size() - 2);
  return text + " or all";
}

std::vector<int> ScanSchemesArg(const std::string& text) {
  if (Lower(text) == "all") return {std::begin(kScanSchemes), std::end(kScanSchemes)};
  const auto row = FindScheme(text);
  if (row &&
      std::find(std::begin(kScanSchemes), std::end(kScanSchemes), *row) != std::end(kScanSchemes)) {
    return {*row};
  }
  throw TUsageError("Unknown scan scheme '" + EscapeControls(text) + "' (" + ScanSchemeChoices() +
                    ")");
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
    std::printf("%s%c%" PRIu32 "%c%" PRIu32,
                FormatAddress(static_cast<std::int32_t>(h.address)).c_str(), sep, h.rawSize, sep,
                h.comprSize);
    if (withScheme) std::printf("%c%s%c%d", sep, schemeName(h).c_str(), sep, h.score);
    std::printf("\n");
  }
}

// The scan's options as given; every bad value is a usage error.
struct TScanChoice {
  std::uint32_t minSize = kDefaultScanMinSize;
  std::uint32_t align = kDefaultScanAlign;
  int minScore = kDefaultMinScore;
  std::vector<int> schemes = {kSchemeLZ10};
  std::string format;
  int templateRow = 0;
  std::int32_t width = 0;
};

TScanChoice ParseScanArgs(const TScanArgs& a) {
  TScanChoice c;
  const std::int32_t minSize = NumberArg(a.minSize);
  const std::int32_t align = NumberArg(a.align);
  if (minSize < 0) throw TUsageError("--min-size must be 0 or more");
  if (align < 1) throw TUsageError("--align must be 1 or more");
  c.minSize = static_cast<std::uint32_t>(minSize);
  c.align = static_cast<std::uint32_t>(align);
  if (!a.scheme.empty()) c.schemes = ScanSchemesArg(a.scheme);
  if (!a.minScore.empty()) {
    if (a.scheme.empty()) throw TUsageError("--min-score needs --scheme");
    c.minScore = NumberArg(a.minScore);
    if (c.minScore < 0 || c.minScore > 100) throw TUsageError("--min-score must be 0 to 100");
  }
  c.format = Lower(a.format);
  if (c.format != "text" && c.format != "tsv" && c.format != "json") {
    throw TUsageError("Unknown format '" + EscapeControls(a.format) + "' (text, tsv or json)");
  }
  if (!a.doc.empty()) {
    if (a.templ.empty() || a.width.empty()) {
      throw TUsageError("--doc needs --template and --width");
    }
    c.templateRow = TemplateArg(a.templ);
    c.width = TilesArg(a.width, "--width");
    TOutputPlan plan;
    plan.AddInput(a.rom, "the input ROM");
    plan.AddOutput(a.doc, "--doc");
    plan.Check();
  }
  return c;
}

void RunScan(const TScanArgs& a) {
  const TScanChoice c = ParseScanArgs(a);
  const bool withScheme = !a.scheme.empty();
  const std::vector<std::uint8_t> rom = ReadRomFile(a.rom);

  std::vector<TScanHit> hits;
  if (withScheme) {
    TScanOptions options;
    options.minSize = c.minSize;
    options.align = c.align;
    options.minScore = c.minScore;
    options.overlaps = a.overlaps;
    hits = ScanStreams(rom, c.schemes, options);
  } else {
    // The plain LZ77-10 scan, without scores.
    TLZ10ScanOptions options{c.minSize, c.align};
    options.overlaps = a.overlaps;
    for (const TLZ10Stream& s : ScanLZ10(rom, options)) {
      hits.push_back({s.address, kSchemeLZ10, s.rawSize, s.comprSize, 0});
    }
  }
  if (!a.doc.empty()) {  // first, so that a failure leaves only its error line
    const std::string note = WriteScanDocument(a.doc, hits, c.templateRow, c.width);
    if (!note.empty()) Warn(note);
  }
  PrintHits(hits, c.format, withScheme);
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
  sub->add_option("SCHEME", args->scheme, SchemeChoices(false) + " (any letter case)")
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
  sub->add_option("--scheme", args->scheme, ScanSchemeChoices())->option_text("SCHEME");
  sub->add_option("--min-size", args->minSize, "smallest raw size reported")
      ->option_text("N (default " + std::to_string(kDefaultScanMinSize) + ")");
  sub->add_option("--align", args->align, "check only positions that are multiples of N")
      ->option_text("N (default " + std::to_string(kDefaultScanAlign) + ")");
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
