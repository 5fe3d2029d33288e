// The render command: one entry built from the arguments, drawn and written as a PNG
// through the same calls as the window's refresh, palette actions, draw and export.
#include <CLI/CLI.hpp>

#include <memory>
#include <string>

#include "base/bitmap.h"
#include "base/choice_lookup.h"
#include "base/messages.h"
#include "base/numbers.h"
#include "commands.h"
#include "compress/refresh.h"
#include "compress/scheme_formats.h"
#include "entries/limits.h"
#include "entries/tile_entry.h"
#include "image/render.h"
#include "image/render_entry.h"
#include "map_options.h"
#include "palette/colour_text.h"
#include "palette/entry_template.h"
#include "palette/palette.h"
#include "palette/palette_option.h"
#include "rom/rom_file.h"
#include "screen/screen_render.h"
#include "tiles/tile_formats.h"
#include "tiles/uTiles.h"

namespace tegulo::cli {

namespace {

struct TRenderArgs {
  std::string rom, address, templ, width, height, offset = "0", compression = "(none)";
  std::string palette = "mono", background, output;
  TMapArgs map;
};

// A palette the option syntax does not know is a usage error; a bad number inside a known
// form is reported as the number's own error.
TPaletteOption PaletteOptionOrUsageError(const std::string& text) {
  try {
    return ParsePaletteOption(text);
  } catch (const TUnknownPaletteOption& e) {
    throw TUsageError(EscapeControls(e.what()));
  }
}

std::int32_t TilesOrThrow(const std::string& text, const char* what) {
  const std::int32_t n = ParseInt(text);
  if (n < 1 || n > kMaxTiles) {
    throw TError(std::string(what) + " must be 1 to " + std::to_string(kMaxTiles) + " tiles");
  }
  return n;
}

}  // namespace

void ApplyPaletteOption(TTileEntry& e, std::span<const std::uint8_t> rom, const std::string& text) {
  TPalette view{};
  RunPaletteOption(ParsePaletteOption(text), view, e, rom);
}

namespace {

// What --compression takes: "none" or a scheme's name.
std::string SchemeChoices() { return "none, " + NameList(Compressions, kSchemeLZ10); }

// Every template as its row number and quoted name, wrapped as the help shows them.
std::string TemplateHelp() {
  std::string text = "row 1-" + std::to_string(kTemplateCount - 1) + " or name, any letter case:";
  std::size_t lineLength = text.size();
  for (int row = kTemplate4bppGBA; row < kTemplateCount; ++row) {
    std::string item = std::to_string(row) + " \"" + std::string(TileTemplates[row].name()) + "\"";
    if (row == kTemplateLinear8bpp) item += " (W bytes a row, H rows)";
    if (row + 1 < kTemplateCount) item += ",";
    constexpr std::size_t kHelpWidth = 80;
    if (lineLength + 1 + item.size() > kHelpWidth) {
      text += "\n" + item;
      lineLength = item.size();
    } else {
      text += " " + item;
      lineLength += 1 + item.size();
    }
  }
  return text;
}

std::string TilesHelp(const char* what) {
  return std::string(what) + " in tiles, 1 to " + std::to_string(kMaxTiles);
}

void RunRender(const TRenderArgs& a) {
  // A screen's size is its map's; the tile set is as long as the map needs.
  const std::optional<TScreen> screen = ScreenFromArgs(a.map);
  if (!screen) RequireTiles(a.width, a.height);
  const std::int32_t width = screen ? 1 : TilesOrThrow(a.width, "--width");
  const std::int32_t height = screen ? 1 : TilesOrThrow(a.height, "--height");
  TTileEntry e = NewEntry(a.address, width, height, ParseInt(a.offset));
  const auto row = FindTemplate(a.templ);
  if (!row) throw TUsageError("Unknown template '" + EscapeControls(a.templ) + "'");
  int scheme = kSchemeNone;
  if (a.compression != "none" && a.compression != Compressions[kSchemeNone].name()) {
    const auto s = FindScheme(a.compression);
    if (!s) {
      throw TUsageError("Unknown compression scheme '" + EscapeControls(a.compression) + "' (" +
                        SchemeChoices() + ")");
    }
    scheme = *s;
  }
  const TPaletteOption palette = PaletteOptionOrUsageError(a.palette);
  const std::uint32_t background =
      a.background.empty() ? kFallbackBackground : ParseColour(a.background);
  RefuseInputAsOutput(a.output, a.rom);
  if (!palette.path.empty()) RefuseInputAsOutput(a.output, palette.path);
  const std::vector<std::uint8_t> rom = ReadRomFile(a.rom);

  // The window's order: the template's grey ramp first, then the palette action.
  ApplyTemplate(e, *row);
  e.Compression = static_cast<std::uint8_t>(scheme);
  // A screen's cells choose among all 256 colours, so the palette takes them all.
  if (screen) e.PalCount = 256;
  TPalette view{};
  RunPaletteOption(palette, view, e, rom);
  if (screen) {
    const TScreenRenderReport report = RenderScreenToPng(e, *screen, rom, background, a.output);
    if (report.unpack.notValidLZ10) Warn("Not valid LZ10 stream");
    if (a.map.verbose && report.draw.pastEnd > 0) Warn(report.draw.Text());
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
  sub->add_option("--address", args->address, "file offset of the tiles or of the stream")
      ->option_text("A")
      ->required();
  sub->add_option("--template", args->templ, TemplateHelp())->option_text("T")->required();
  sub->add_option("--width", args->width, TilesHelp("width") + " (not with --map)")
      ->option_text("W");
  sub->add_option("--height", args->height, TilesHelp("height") + " (not with --map)")
      ->option_text("H");
  sub->add_option("--offset", args->offset,
                  "bytes added to the address, or to the start of the unpacked data")
      ->option_text("O (default 0)");
  sub->add_option("--compression", args->compression, SchemeChoices())
      ->option_text("SCHEME (default none)");
  sub->add_option("--palette", args->palette,
                  "mono: the template's grey ramp; mono-reverse: white to black;\n"
                  "rom:ADDR[:COUNT]: COUNT 15-bit colours at ADDR (default 2^bits per pixel);\n"
                  "zst:FILE: the 512 bytes at offset 1560 of a ZSNES save state;\n"
                  "state:FILE: a save state of ZSNES, Snes9x, mGBA, VisualBoyAdvance, Mesen2 or\n"
                  "Mesen-S, told by its content (:obj after it: a GBA state's sprite palette);\n"
                  "file:FILE: a JASC-PAL, RIFF, GIMP or ACT palette or a 512/1024-byte dump")
      ->option_text("P (default mono)");
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
