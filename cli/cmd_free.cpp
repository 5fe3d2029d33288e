// The free command: the runs of a fill byte that data could use.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/numbers.h"
#include "commands.h"
#include "layout_options.h"
#include "rom/free_space.h"
#include "rom/rom_file.h"
#include "rom/rom_layout.h"

namespace tegulo::cli {
namespace {

struct TFreeArgs {
  std::string rom, min = "32", fill = "ff", align, format = "text";
  TLayoutArgs layout;
};

TFreeOptions FreeOptions(const TFreeArgs& a) {
  TFreeOptions options;
  const std::int64_t min = OptionNumber(a.min, "--min");
  if (min < 1) throw TUsageError("--min must be 1 or more");
  options.minLength = static_cast<std::size_t>(min);
  const auto fill = ParseFillKind(a.fill);
  if (!fill) throw TUsageError("Unknown fill '" + a.fill + "' (ff, 00 or any)");
  options.fill = *fill;
  if (!a.align.empty()) {
    const std::int64_t align = OptionNumber(a.align, "--align");
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
  const bool json = TextOrJson(a.format) == "json";
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
