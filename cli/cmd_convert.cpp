// convert: any picture made into a tile set, a tilemap and palettes, written as three files.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/numbers.h"
#include "commands.h"
#include "convert/convert.h"
#include "io/output_plan.h"
#include "rom/rom_file.h"
#include "screen/map_formats.h"
#include "screen/screen.h"
#include "tiles/tile_formats.h"

namespace tegulo::cli {
namespace {

struct TConvertArgs {
  std::string picture, templ, format, tiles, map, palette;
  std::string maxPalettes, tileBase, paletteBase;
  bool noFlips = false;
};

std::int32_t NumberOption(const std::string& text, const char* option) {
  if (text.empty()) return 0;
  const auto n = TryParseInt(text);
  if (!n) {
    throw TUsageError(std::string(option) + ": '" + EscapeControls(text) +
                      "' is not a valid integer value");
  }
  return *n;
}

TConvertOptions OptionsFrom(const TConvertArgs& a) {
  TConvertOptions o;
  const auto templ = FindTemplate(a.templ);
  if (!templ) throw TUsageError("Unknown template '" + EscapeControls(a.templ) + "'");
  o.templ = *templ;
  const auto format = FindMapFormat(a.format);
  if (!format) {
    throw TUsageError("Unknown map format '" + EscapeControls(a.format) + "' (" +
                      std::string(MapFormatNames()) + ")");
  }
  o.mapFormat = *format;
  o.maxPalettes = NumberOption(a.maxPalettes, "--max-palettes");
  if (!a.maxPalettes.empty() && o.maxPalettes < 1) {
    throw TUsageError("--max-palettes must be 1 or more");
  }
  o.tileBase = NumberOption(a.tileBase, "--tile-base");
  o.paletteBase = NumberOption(a.paletteBase, "--palette-base");
  if (o.tileBase > 0 || o.paletteBase > 0) {
    throw TUsageError(
        "--tile-base and --palette-base are added to the map's numbers, as render "
        "adds them: 0 or below (-N numbers the map from N)");
  }
  o.flips = !a.noFlips;
  return o;
}

void RunConvert(const TConvertArgs& a) {
  const TConvertOptions o = OptionsFrom(a);
  TOutputPlan plan;
  plan.AddInput(a.picture, "the picture");
  plan.AddOutput(a.tiles, "--tiles");
  plan.AddOutput(a.map, "--map");
  plan.AddOutput(a.palette, "--palette");
  try {
    plan.Check();
  } catch (const TOutputConflict& e) {
    throw TUsageError(e.what());
  }
  const std::vector<std::uint8_t> file = ReadRomFile(a.picture);
  TConversion c;
  try {
    // The largest map is 1024 tiles a side; nothing larger is decoded.
    const TPngPicture picture = ReadPng(file, [](std::int64_t w, std::int64_t h) {
      constexpr std::int64_t kMost = 8 * kMaxMapSide;
      if (w > kMost || h > kMost) {
        throw TError("The picture is " + std::to_string(w) + " x " + std::to_string(h) +
                     " pixels; a screen is at most " + std::to_string(kMost) + " x " +
                     std::to_string(kMost));
      }
    });
    c = ConvertPicture(picture, o);
  } catch (const TError& e) {
    throw TError(a.picture + ": " + e.what());
  }
  const std::vector<TOutputFile> files = {
      {a.tiles, c.tiles}, {a.map, c.map}, {a.palette, c.palettes}};
  for (const std::string& note : WriteFilesTogether(files)) Warn(note);
  for (const TOutputFile& f : files) {
    std::printf("wrote %s (%zu bytes)\n", f.path.c_str(), f.bytes.size());
  }
  std::printf("%d colours besides colour 0, map %d x %d\n", c.colours, c.width, c.height);
  if (!c.proven) {
    std::printf(
        "The palette search stopped at its time bound: %d palettes may not be the "
        "fewest\n",
        c.paletteCount);
  }
  std::printf("%s\n", c.Summary().c_str());
}

}  // namespace

TCommand AddConvertCommand(CLI::App& parent) {
  auto args = std::make_shared<TConvertArgs>();
  CLI::App* sub = parent.add_subcommand("convert");
  Describe(sub, "Make a picture into a tile set, a tilemap and palettes",
           "Cuts PICTURE.png into 8 x 8 tiles and writes the tile set in the template, the map\n"
           "in the map format (as render --map reads it, width and height those of the\n"
           "picture in tiles) and the palettes: 2^bpp colours each as little-endian console\n"
           "words, colour 0 of every palette the transparent colour. Colours are taken at the\n"
           "console's 5-bit precision (each channel the level c whose c*255/31, rounded down,\n"
           "is nearest). Colour 0: an indexed picture's index 0 (its colour the PLTE's first);\n"
           "else its fully transparent pixels; else every pixel of the colour most common on\n"
           "its border. Each tile's colours must fit one palette; the fewest palettes are\n"
           "found (an exact search for at most a moment, else the best found, said so), then\n"
           "identical tiles and, unless --no-flips or the format has no flips, mirrored ones\n"
           "are stored once. The map's numbers are such that\n"
           "  tegulo-cli render ROM --address TILES --template T --map MAP --map-format F\n"
           "      --map-size WxH --palette rom:PALETTES:256 [--tile-base N --palette-base N]\n"
           "draws the picture at 5-bit precision, given the three files in ROM at those\n"
           "addresses. Refused, naming the first tile at fault: a tile of more colours than a\n"
           "palette holds, more palettes than --max-palettes or the map can choose, more tiles\n"
           "than the map can number. The three files are written together, all or none.\n"
           "Prints what it wrote, then \"N tiles, P palettes\" last.");
  sub->add_option("PICTURE", args->picture, "the picture (.png)")->type_name("")->required();
  sub->add_option("--template", args->templ, "tile template: a row number 1 to 8 or its name")
      ->option_text("T")
      ->required();
  sub->add_option("--map-format", args->format, std::string(MapFormatNames()))
      ->option_text("F")
      ->required();
  sub->add_option("--tiles", args->tiles, "the tile set to write")->option_text("FILE")->required();
  sub->add_option("--map", args->map, "the map to write")->option_text("FILE")->required();
  sub->add_option("--palette", args->palette, "the palettes to write")
      ->option_text("FILE")
      ->required();
  sub->add_option("--max-palettes", args->maxPalettes, "use at most N palettes")
      ->option_text("N (default: as many as the map can choose)");
  sub->add_option("--tile-base", args->tileBase,
                  "as render's: the map's tile numbers start at -N (0 or below)")
      ->option_text("N (default 0)");
  sub->add_option("--palette-base", args->paletteBase,
                  "as render's: the map's palette numbers start at -N (0 or below)")
      ->option_text("N (default 0)");
  sub->add_flag("--no-flips", args->noFlips, "store mirrored tiles apart");
  return {sub, [args] { RunConvert(*args); }};
}

}  // namespace tegulo::cli
