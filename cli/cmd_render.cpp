// The render command: one entry built from the arguments, drawn and written as a PNG
// through the same calls as the window's refresh, palette actions, draw and export.
#include <CLI/CLI.hpp>

#include <memory>
#include <string>

#include "base/bitmap.h"
#include "commands.h"
#include "entries/tile_entry.h"
#include "entry_options.h"
#include "image/render.h"
#include "image/render_entry.h"
#include "map_options.h"
#include "palette/colour_text.h"
#include "palette/entry_template.h"
#include "palette/palette.h"
#include "palette/palette_option.h"
#include "rom/rom_file.h"
#include "screen/screen_render.h"

namespace tegulo::cli {

namespace {

struct TRenderArgs {
  TEntryOptionText entry;
  std::string rom, background, output;
  TMapArgs map;
};

constexpr unsigned kRenderOptions =
    kOptAddress | kOptOffset | kOptTemplate | kOptSize | kOptCompression | kOptPalette;

void RunRender(const TRenderArgs& a) {
  // A screen's size is its map's; the tile set is as long as the map needs.
  const std::optional<TScreen> screen = ScreenFromArgs(a.map);
  if (!screen) RequireTiles(a.entry.width, a.entry.height);
  const TEntryOptions o =
      ParseEntryOptions(a.entry, screen ? (kRenderOptions & ~kOptSize) : kRenderOptions);
  const std::uint32_t background = a.background.empty()
                                       ? kFallbackBackground
                                       : AsUsage([&] { return ParseColour(a.background); });
  RefuseInputAsOutput(a.output, a.rom);
  if (!o.palette.path.empty()) RefuseInputAsOutput(a.output, o.palette.path);
  const std::vector<std::uint8_t> rom = ReadRomFile(a.rom);

  // The window's order: the template's grey ramp first, then the palette action.
  TTileEntry e = o.entry;
  ApplyTemplate(e, o.templ);
  e.Compression = static_cast<std::uint8_t>(o.scheme);
  // A screen's cells choose among all 256 colours, so the palette takes them all.
  if (screen) e.PalCount = 256;
  TPalette view{};
  RunPaletteOption(o.palette, view, e, rom);
  if (screen) {
    const TScreenRenderReport report = RenderScreenToPng(e, *screen, rom, background, a.output);
    if (report.unpack.notValidLZ10) Warn("Not valid LZ10 stream");
    if (a.map.verbose && !report.draw.Text().empty()) Warn(report.draw.Text());
    return;
  }
  if (RenderEntryToPng(e, rom, background, a.output).notValidLZ10) Warn("Not valid LZ10 stream");
}

}  // namespace

TCommand AddRenderCommand(CLI::App& parent) {
  auto args = std::make_shared<TRenderArgs>();
  CLI::App* sub = parent.add_subcommand("render");
  Describe(sub, "Draw tiles at an address into a PNG image",
           "Draws the tiles at an address and writes them as an indexed PNG, exactly as the\n"
           "window's export would: 8*W x 8*H pixels, 256 PLTE entries with index 0 in the\n"
           "background colour, the bottom-left pixel's colour transparent.");
  sub->add_option("ROM", args->rom, "the ROM image")->type_name("")->required();
  AddEntryOptions(sub, args->entry, kRenderOptions, kOptAddress | kOptTemplate);
  sub->add_option("--background", args->background,
                  "colour of index 0, hexadecimal red, green, blue")
      ->option_text("RRGGBB (default F0F0F0)");
  sub->add_option("-o,--output", args->output, "the PNG file to write (never the ROM itself)")
      ->option_text("FILE.png")
      ->required();
  AddMapOptions(sub, args->map);
  return {sub, [args] { RunRender(*args); }};
}

}  // namespace tegulo::cli
