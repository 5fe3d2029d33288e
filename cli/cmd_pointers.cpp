// The commands about a ROM's layout: pointers (the places that point to an address) and free
// (runs of a fill byte), and the options that import shares with them to move a stream.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/numbers.h"
#include "commands.h"
#include "layout_options.h"
#include "rom/free_space.h"
#include "rom/pointer_search.h"
#include "rom/rom_file.h"
#include "rom/rom_layout.h"

namespace tegulo::cli {
namespace {

std::int64_t Number(const std::string& text, const char* option) {
  try {
    return ParseInt(text);
  } catch (const TError& e) {
    throw TUsageError(std::string(option) + ": " + e.what());
  }
}

std::string Format(const std::string& text) {
  if (text != "text" && text != "json") {
    throw TUsageError("Unknown format '" + text + "' (text or json)");
  }
  return text;
}

void AddMappingOption(CLI::App* sub, TLayoutArgs& a) {
  sub->add_option("--mapping", a.mapping,
                  "gba, lorom, hirom, exhirom or none; by default told by the headers")
      ->option_text("M");
}

void AddSearchOptions(CLI::App* sub, TLayoutArgs& a) {
  AddMappingOption(sub, a);
  sub->add_flag("--unaligned", a.unaligned, "GBA: every byte position, not only multiples of 4");
  sub->add_option("--split-bank-table", a.splitBanks,
                  "SNES: the bank bytes of a split table (needs --split-word-table)")
      ->option_text("ADDR");
  sub->add_option("--split-word-table", a.splitWords,
                  "SNES: the 16-bit addresses of that table, entry i at ADDR + 2*i")
      ->option_text("ADDR");
}

// ---- pointers

struct TPointersArgs {
  std::string rom, address, format = "text";
  TLayoutArgs layout;
};

void RunPointers(const TPointersArgs& a) {
  const std::string format = Format(a.format);
  const std::int64_t target = Number(a.address, "ADDRESS");
  const std::vector<std::uint8_t> rom = ReadRomFile(a.rom);
  const TRomLayout layout = LayoutFromArgs(a.layout, rom, true);
  const std::vector<TPointerHit> hits = FindPointers(rom, layout, target, SearchFromArgs(a.layout));
  if (format == "json") std::printf("[");
  for (std::size_t i = 0; i < hits.size(); ++i) {
    const TPointerHit& h = hits[i];
    const std::string at = FormatAddress(static_cast<std::int32_t>(h.at));
    const std::string value = FormatBus(layout, h.value);
    const std::string form(PointerFormName(h.form));
    const std::string bank = h.bankAt < 0 ? "" : FormatAddress(static_cast<std::int32_t>(h.bankAt));
    if (format == "json") {
      std::printf("%s\n  {\"at\": %lld, \"address\": \"%s\", \"form\": \"%s\", \"value\": \"%s\"",
                  i ? "," : "", static_cast<long long>(h.at), at.c_str(), form.c_str(),
                  value.c_str());
      if (h.bankAt >= 0) std::printf(", \"bank_at\": %lld", static_cast<long long>(h.bankAt));
      std::printf("}");
    } else {
      std::printf("%s %s %s%s%s\n", at.c_str(), form.c_str(), value.c_str(),
                  bank.empty() ? "" : " ", bank.c_str());
    }
  }
  if (format == "json") std::printf("%s]\n", hits.empty() ? "" : "\n");
}

// ---- free

struct TFreeArgs {
  std::string rom, min = "32", fill = "ff", align, format = "text";
  TLayoutArgs layout;
};

TFreeOptions FreeOptions(const TFreeArgs& a) {
  TFreeOptions options;
  const std::int64_t min = Number(a.min, "--min");
  if (min < 1) throw TUsageError("--min must be 1 or more");
  options.minLength = static_cast<std::size_t>(min);
  const auto fill = ParseFillKind(a.fill);
  if (!fill) throw TUsageError("Unknown fill '" + a.fill + "' (ff, 00 or any)");
  options.fill = *fill;
  if (!a.align.empty()) {
    const std::int64_t align = Number(a.align, "--align");
    if (align < 1 || align > 0x10000) throw TUsageError("--align must be 1 to 65536");
    options.align = static_cast<std::size_t>(align);
  }
  return options;
}

// One run as a line of text or, after `first` or a comma, a JSON object.
void PrintFreeRun(const TFreeRun& r, const TRomLayout& layout, bool json, bool first) {
  const std::string at = FormatAddress(static_cast<std::int32_t>(r.start));
  const TBusAliases bus = BusAliases(layout, r.start);
  const std::string value = bus.count ? FormatBus(layout, bus.values[0]) : "";
  if (json) {
    std::printf(
        "%s\n  {\"start\": %lld, \"address\": \"%s\", \"length\": %lld, \"fill\": %u%s%s%s}",
        first ? "" : ",", static_cast<long long>(r.start), at.c_str(),
        static_cast<long long>(r.length), r.fill, bus.count ? ", \"bus\": \"" : "", value.c_str(),
        bus.count ? "\"" : "");
  } else {
    std::printf("%s %lld %02x%s%s\n", at.c_str(), static_cast<long long>(r.length), r.fill,
                bus.count ? " " : "", value.c_str());
  }
}

void RunFree(const TFreeArgs& a) {
  const bool json = Format(a.format) == "json";
  const TFreeOptions options = FreeOptions(a);
  const std::vector<std::uint8_t> rom = ReadRomFile(a.rom);
  const TRomLayout layout = LayoutFromArgs(a.layout, rom, false);
  if (json) std::printf("[");
  std::size_t i = 0;
  // Printed as found: a file may hold more runs than are worth keeping.
  ForEachFreeRun(rom, layout, options,
                 [&](const TFreeRun& r) { PrintFreeRun(r, layout, json, i++ == 0); });
  if (json) std::printf("%s]\n", i == 0 ? "" : "\n");
}

}  // namespace

TRomLayout LayoutFromArgs(const TLayoutArgs& a, std::span<const std::uint8_t> rom, bool needed) {
  if (a.mapping.empty()) {
    TRomLayout layout = DetectLayout(rom);
    if (!layout.note.empty()) throw TError(layout.note + ": give --mapping");
    if (layout.mapping == TMapping::None && needed) {
      throw TError(
          "The ROM's layout is not known from its headers: give --mapping gba, lorom, "
          "hirom or exhirom");
    }
    return layout;
  }
  const auto m = ParseMapping(a.mapping);
  if (!m) {
    throw TUsageError("Unknown mapping '" + a.mapping + "' (gba, lorom, hirom, exhirom or none)");
  }
  if (*m == TMapping::None && needed) {
    throw TUsageError(
        "--mapping none gives the ROM no bus addresses, so no pointer can be read: give "
        "--mapping gba, lorom, hirom or exhirom");
  }
  return LayoutWith(rom, *m);
}

TPointerSearch SearchFromArgs(const TLayoutArgs& a) {
  TPointerSearch search;
  search.unaligned = a.unaligned;
  if (a.splitBanks.empty() != a.splitWords.empty()) {
    throw TUsageError("--split-bank-table and --split-word-table go together");
  }
  if (!a.splitBanks.empty()) {
    search.split = TSplitTable{Number(a.splitWords, "--split-word-table"),
                               Number(a.splitBanks, "--split-bank-table")};
  }
  return search;
}

void AddRelocateOptions(CLI::App* sub, TRelocateArgs& a) {
  sub->add_option("--relocate", a.relocate,
                  "a stream that no longer fits goes to ADDRESS, or with auto to the\n"
                  "smallest free run of the --fill byte (default $FF) that holds it;\n"
                  "every pointer to the old address is rewritten: GBA words at multiples\n"
                  "of 4, SNES values in a table (another pointer into the same bank\n"
                  "before or after it); other places that hold the address are left")
      ->option_text("auto|ADDRESS");
  sub->add_option("--pointer", a.pointers,
                  "with --relocate: rewrite only this pointer, found or not (repeat for\n"
                  "more); refused while other pointers still lead to the old stream,\n"
                  "unless --keep-old keeps it")
      ->option_text("P");
  sub->add_flag("--keep-old", a.keepOld,
                "with --relocate: leave the old stream's bytes as they are");
  AddSearchOptions(sub, a.layout);
}

TRelocateOptions RelocateFromArgs(const TRelocateArgs& a, std::span<const std::uint8_t> rom,
                                  std::uint8_t fill) {
  TRelocateOptions o;
  o.layout = LayoutFromArgs(a.layout, rom, true);
  o.search = SearchFromArgs(a.layout);
  if (a.relocate != "auto") o.address = Number(a.relocate, "--relocate");
  for (const std::string& p : a.pointers) o.pointers.push_back(Number(p, "--pointer"));
  o.fill = fill;
  o.keepOld = a.keepOld;
  return o;
}

void AddDocRelocateOptions(CLI::App* sub, TRelocateArgs& a) {
  sub->add_option("--relocate", a.relocate,
                  "auto: a stream that no longer fits goes to the smallest free run\n"
                  "of the --fill byte that holds it, clear of every entry's data;\n"
                  "its pointers are rewritten and its entries follow (needs --doc)")
      ->option_text("auto");
  sub->add_option("--fill", a.fill, "with --relocate: the free space's byte, 0xFF (default) or 0")
      ->option_text("BYTE");
  sub->add_flag("--keep-old", a.keepOld,
                "with --relocate: leave the old streams' bytes as they are");
  AddSearchOptions(sub, a.layout);
}

TRelocateOptions DocRelocateFromArgs(const TRelocateArgs& a, std::span<const std::uint8_t> rom) {
  if (a.relocate != "auto") {
    throw TUsageError(
        "--relocate takes only auto for a document (import moves one stream to "
        "an address)");
  }
  std::int64_t fill = 0xFF;
  if (!a.fill.empty()) fill = Number(a.fill, "--fill");
  if (fill < 0 || fill > 255) throw TUsageError("--fill must be a byte value, 0 to 255");
  return RelocateFromArgs(a, rom, static_cast<std::uint8_t>(fill));
}

TCommand AddPointersCommand(CLI::App& parent) {
  auto args = std::make_shared<TPointersArgs>();
  CLI::App* sub = parent.add_subcommand("pointers");
  Describe(sub, "List the places that hold a pointer to an address",
           "Prints \"$AT FORM VALUE\" per place, in rising order: GBA 32-bit words holding\n"
           "0x08000000 + ADDRESS (or its 0x0A and 0x0C mirrors) at multiples of 4; SNES 24-bit\n"
           "values of any bank that shows ADDRESS, at every byte, and with a split table the\n"
           "entries whose 16-bit address and bank byte give it (\"$AT 16-bit+bank VALUE $BANK\").\n"
           "The layout is told by the ROM's headers unless --mapping names it.");
  sub->add_option("ROM", args->rom, "the ROM image")->type_name("")->required();
  sub->add_option("ADDRESS", args->address, "the file offset pointed to")
      ->type_name("")
      ->required();
  sub->add_option("--format", args->format, "text or json")->option_text("F (default text)");
  AddSearchOptions(sub, args->layout);
  return {sub, [args] { RunPointers(*args); }};
}

TCommand AddFreeCommand(CLI::App& parent) {
  auto args = std::make_shared<TFreeArgs>();
  CLI::App* sub = parent.add_subcommand("free");
  Describe(sub, "List the runs of a fill byte that data could use",
           "Prints \"$START LENGTH FILL BUS\" per run of the fill byte at least --min bytes long\n"
           "from an aligned start (GBA 4, else 1), never in a copier header or the internal\n"
           "header, and cut at SNES bank boundaries. A run of 00 may be real data (blank tiles).");
  sub->add_option("ROM", args->rom, "the ROM image")->type_name("")->required();
  sub->add_option("--min", args->min, "the shortest run reported")->option_text("N (default 32)");
  sub->add_option("--fill", args->fill, "ff, 00 or any (either)")->option_text("F (default ff)");
  sub->add_option("--align", args->align, "alignment of a run's start")->option_text("N");
  sub->add_option("--format", args->format, "text or json")->option_text("F (default text)");
  AddMappingOption(sub, args->layout);
  return {sub, [args] { RunFree(*args); }};
}

}  // namespace tegulo::cli
