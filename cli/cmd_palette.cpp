// The palette command: any palette source (a save state, a palette file, the ROM, a grey
// ramp) written as a JASC-PAL, GIMP or ACT palette file.
#include <CLI/CLI.hpp>

#include <memory>
#include <string>
#include <vector>

#include "base/uCommon.h"
#include "commands.h"
#include "entry_options.h"
#include "palette/palette.h"
#include "palette/palette_files.h"
#include "palette/palette_option.h"
#include "rom/rom_file.h"

namespace tegulo::cli {
namespace {

struct TPaletteArgs {
  std::string source, rom, output;
};

void RunPalette(const TPaletteArgs& a) {
  const TPaletteOption option = PaletteArg(a.source);
  if (!PaletteFormatOfPath(a.output)) {
    throw TError("Cannot export a palette as " + a.output + ": use .pal, .gpl or .act");
  }
  if (option.kind == TPaletteOptionKind::Rom && a.rom.empty()) {
    throw TUsageError("A palette from the ROM needs --rom ROM");
  }
  const std::vector<std::uint8_t> rom =
      a.rom.empty() ? std::vector<std::uint8_t>{} : ReadRomFile(a.rom);
  // An entry of 256 colours with its grey ramp, as an 8-bit template leaves it.
  TTileEntry e{};
  e.PalCount = 256;
  MakeMonoPalette(e.Palette, e.PalCount, false);
  TPalette view{};
  RunPaletteOption(option, view, e, rom);
  TPalette colours{};
  std::copy(std::begin(e.Palette), std::end(e.Palette), colours.begin());
  ExportPaletteFile(a.output, colours);
}

}  // namespace

TCommand AddPaletteCommand(CLI::App& parent) {
  auto args = std::make_shared<TPaletteArgs>();
  CLI::App* sub = parent.add_subcommand("palette");
  Describe(sub, "Write the palette of a save state or palette file as a palette file",
           "Reads 256 colours from SOURCE and writes them to OUT in the kind its extension\n"
           "names: .pal JASC-PAL, .gpl GIMP palette, .act Adobe Color Table.\n"
           "SOURCE: state:FILE[:obj] (a save state of ZSNES, Snes9x, mGBA, VisualBoyAdvance,\n"
           "Mesen2 or Mesen-S, told by its content; :obj for a GBA state's sprite palette),\n"
           "file:FILE (a JASC-PAL, RIFF, GIMP or ACT palette, or a 512/1024-byte dump),\n"
           "zst:FILE (the 512 bytes at offset 1560), rom:ADDR[:COUNT] (with --rom; COUNT\n"
           "default 256), mono or mono-reverse (256 greys). Colours a source lacks are black.");
  sub->add_option("SOURCE", args->source, "where the colours come from")->type_name("")->required();
  sub->add_option("--rom", args->rom, "the ROM image, for rom:ADDR")->option_text("ROM");
  sub->add_option("-o,--output", args->output, "the palette file to write")
      ->option_text("OUT.pal|.gpl|.act")
      ->required();
  return {sub, [args] { RunPalette(*args); }};
}

}  // namespace tegulo::cli
