// The palette command: any palette source (a save state, a palette file, the ROM, a grey
// ramp) written as a JASC-PAL, GIMP or ACT palette file.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/uCommon.h"
#include "commands.h"
#include "entry_options.h"
#include "io/output_plan.h"
#include "io/safe_write.h"
#include "palette/palette.h"
#include "palette/palette_files.h"
#include "palette/palette_option.h"
#include "rom/palette_write.h"
#include "rom/rom_file.h"

namespace tegulo::cli {
namespace {

struct TPaletteArgs {
  std::string source, rom, output;
  std::vector<std::string> toRom;  // ROM and ADDR[:COUNT]
};

// The colours into a copy of the ROM `a.toRom` names, written to -o.
void WriteToRom(const TPaletteArgs& a, const TPalette& colours, std::int32_t held) {
  const std::string& target = a.toRom[0];
  TPaletteTarget where;
  try {
    where = ParsePaletteTarget(a.toRom[1]);
  } catch (const TError& e) {
    throw TUsageError(e.what());  // a bad number, as elsewhere
  }
  // As many colours as the source holds, unless COUNT says otherwise.
  const std::int32_t count = where.count.value_or(held);
  if (count <= 0) throw TError("The palette source holds no colours; nothing was written");
  const std::vector<std::uint8_t> rom = ReadRomFile(target);
  const std::vector<std::uint8_t> out = WritePaletteToRom(
      rom, where.address,
      std::span<const std::uint32_t>(colours.data(), static_cast<std::size_t>(count)));
  WriteFileAtomically(a.output, out);
  std::printf("%s\n", PaletteWriteText(count, where.address).c_str());
}

void RunPalette(const TPaletteArgs& a) {
  const TPaletteOption option = PaletteArg(a.source);
  if (a.toRom.empty() && !PaletteFormatOfPath(a.output)) {
    throw TError("Cannot export a palette as " + a.output + ": use .pal, .gpl or .act");
  }
  if (option.kind == TPaletteOptionKind::Rom && a.rom.empty()) {
    throw TUsageError("A palette from the ROM needs --rom ROM");
  }
  TOutputPlan plan;
  if (!option.path.empty()) plan.AddInput(option.path, "the palette source");
  if (!a.rom.empty()) plan.AddInput(a.rom, "the ROM");
  if (!a.toRom.empty()) plan.AddInput(a.toRom[0], "the ROM");
  plan.AddOutput(a.output, "-o");
  plan.Check();
  const std::vector<std::uint8_t> rom =
      a.rom.empty() ? std::vector<std::uint8_t>{} : ReadRomFile(a.rom);
  // An entry of 256 colours with its grey ramp, as an 8-bit template leaves it.
  TTileEntry e{};
  e.PalCount = 256;
  MakeMonoPalette(e.Palette, e.PalCount, false);
  TPalette view{};
  std::int32_t held = 256;
  RunPaletteOption(option, view, e, rom, &held);
  TPalette colours{};
  std::copy(std::begin(e.Palette), std::end(e.Palette), colours.begin());
  if (!a.toRom.empty()) {
    WriteToRom(a, colours, held);
    return;
  }
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
  sub->add_option("-o,--output", args->output,
                  "the palette file to write (with --to-rom: the new ROM)")
      ->option_text("OUT.pal|.gpl|.act")
      ->required();
  sub->add_option("--to-rom", args->toRom,
                  "write the colours (COUNT, default as many as SOURCE holds: a palette file's\n"
                  "own count, 256 for a state) into a copy of ROM at ADDR as console words,\n"
                  "rounded to the nearest ones; -o names the new ROM")
      ->option_text("ROM ADDR[:COUNT]")
      ->expected(2);
  return {sub, [args] { RunPalette(*args); }};
}

}  // namespace tegulo::cli
