// The scan command: the compressed streams of one scheme or of all in a ROM.
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
#include "compress/scan/lz10_scan.h"
#include "compress/scan/stream_scan.h"
#include "compress/scheme_formats.h"
#include "compress/uCompress.h"
#include "entry_options.h"
#include "io/output_plan.h"
#include "rom/rom_file.h"
#include "rom/scan_entries.h"

namespace tegulo::cli {
namespace {

struct TScanArgs {
  std::string rom, minSize = std::to_string(kDefaultScanMinSize),
                   align = std::to_string(kDefaultScanAlign), minScore, scheme, format = "text",
                   doc, templ, width;
  bool overlaps = false;
};

// The names --scheme takes: every scannable scheme in lower case, and "all", broken into
// lines for the help.
std::string ScanSchemeChoices(bool wrapped) {
  std::string text;
  for (const int row : ScannableSchemes()) {
    text += Lower(std::string(Compressions[row].name())) + ", ";
  }
  text.resize(text.size() - 2);
  text += " or all";
  return wrapped ? WrapList(text) : text;
}

// The scannable schemes that "all" leaves out.
std::vector<int> NamedOnlySchemes() {
  const std::vector<int> all = SchemesOfScanAll();
  std::vector<int> rows;
  for (const int row : ScannableSchemes()) {
    if (std::find(all.begin(), all.end(), row) == all.end()) rows.push_back(row);
  }
  return rows;
}

std::vector<int> ScanSchemesArg(const std::string& text) {
  if (Lower(text) == "all") return SchemesOfScanAll();
  const auto row = FindScheme(text);
  const std::vector<int> scannable = ScannableSchemes();
  if (row && std::find(scannable.begin(), scannable.end(), *row) != scannable.end()) return {*row};
  throw TUsageError("Unknown scan scheme '" + EscapeControls(text) + "' (" +
                    ScanSchemeChoices(false) + ")");
}

// The scannable schemes whose hits must unpack to whole units, and the sentence that says so.
std::string UnitText() {
  std::vector<int> rows;
  for (const int row : ScannableSchemes()) {
    if (SchemeFormats()[row].scanUnit > 1) rows.push_back(row);
  }
  if (rows.empty()) return "";
  std::string names;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (i > 0) names += i + 1 == rows.size() ? " and " : ", ";
    names += Compressions[rows[i]].name();
  }
  return "Streams of " + names + " are reported only where they unpack to whole " +
         std::to_string(SchemeFormats()[rows.front()].scanUnit) +
         "-byte units (a 2bpp tile; every SNES tile format, 16 colours and a tilemap row fill "
         "whole ones): chance bytes read as such streams easily and rarely end on one.\n";
}

std::string ScanDetails() {
  const std::vector<int> namedOnly = NamedOnlySchemes();
  std::string allText = "--scheme all scans every scheme";
  if (!namedOnly.empty()) {
    std::string names;
    for (std::size_t i = 0; i < namedOnly.size(); ++i) {
      if (i > 0) names += i + 1 == namedOnly.size() ? " and " : ", ";
      names += Compressions[namedOnly[i]].name();
    }
    allText += " but " + names +
               ", whose\nstreams break no rule that other bytes would: scan them by name, and the\n"
               "score alone tells them";
  }
  return "Without --scheme: every position at the alignment with type byte 0x10 and an\n"
         "announced size of at least --min-size whose LZ77-10 decoding reads nothing past\n"
         "the end of the ROM and makes no back-reference before the start of its output,\n"
         "one line \"ADDRESS RAWSIZE COMPRSIZE\" each. Positions inside a stream found are\n"
         "skipped unless --overlaps is given.\n"
         "With --scheme: the streams of that scheme whose header is plausible, whose\n"
         "decoding breaks no rule of the scheme and whose score (0-100: how much the stream\n"
         "shrinks, its share of back-references, whether its output looks like tile data)\n"
         "is at least --min-score; the scheme and score follow as two more columns.\n" +
         UnitText() + allText +
         ". Overlapping hits keep one reading unless\n"
         "--overlaps is given. RAWSIZE is the size the stream unpacks to, COMPRSIZE the\n"
         "bytes the stream takes.\n"
         "--doc writes a document with one entry per hit, named \"$ADDRESS SCHEME\", with\n"
         "its scheme, --width tiles wide, as many rows high as its raw size fills, and the\n"
         "--template's grey ramp.";
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

TCommand AddScanCommand(CLI::App& parent) {
  auto args = std::make_shared<TScanArgs>();
  CLI::App* sub = parent.add_subcommand("scan");
  Describe(sub, "Find compressed streams in a ROM", ScanDetails().c_str());
  sub->add_option("ROM", args->rom, "the ROM image")->type_name("")->required();
  sub->add_option("--scheme", args->scheme, ScanSchemeChoices(true))->option_text("SCHEME");
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
