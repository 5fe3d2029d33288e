// The map options: registration and their reading into a screen.
#include "map_options.h"

#include <CLI/CLI.hpp>

#include "base/messages.h"
#include "base/numbers.h"
#include "commands.h"
#include "compress/scheme_formats.h"
#include "compress/uCompress.h"

namespace tegulo::cli {
namespace {

std::int32_t Number(const std::string& text, const char* option) {
  const auto n = TryParseInt(text);
  if (!n)
    throw TUsageError(std::string(option) + ": '" + EscapeControls(text) +
                      "' is not a valid integer value");
  return *n;
}

int Scheme(const std::string& text) {
  if (text.empty() || text == "none" || text == Compressions[kSchemeNone].name())
    return kSchemeNone;
  const auto s = FindScheme(text);
  if (!s) {
    throw TUsageError("Unknown map compression scheme '" + EscapeControls(text) + "' (none, " +
                      NameList(Compressions, kSchemeLZ10) + ")");
  }
  return *s;
}

}  // namespace

void AddMapOptions(CLI::App* sub, TMapArgs& a) {
  sub->add_option("--map", a.map, "draw the tiles through the tilemap at this address (a screen)")
      ->option_text("ADDR");
  sub->add_option("--map-format", a.format, std::string(MapFormatNames()))->option_text("F");
  sub->add_option("--map-size", a.size, "the map's width x height in tiles, 1 to 1024 (mode7: 128)")
      ->option_text("WxH");
  sub->add_option("--map-compression", a.compression, "none or a scheme, as --compression")
      ->option_text("SCHEME (default none)");
  sub->add_option("--tile-base", a.tileBase, "added to every tile number (may be negative)")
      ->option_text("N (default 0)");
  sub->add_option("--palette-base", a.paletteBase, "added to every palette number")
      ->option_text("N (default 0)");
  sub->add_flag("--verbose", a.verbose,
                "tell the cells that name tiles past the tile set's end, and those\n"
                "whose map entries lie past the ROM's end");
}

void AddScreenImportOptions(CLI::App* sub, TMapArgs& a) {
  AddMapOptions(sub, a);
  CLI::Option* keep = sub->add_flag(
      "--keep-map", a.keepMap, "a screen: each cell's pixels go into the tile it names (default)");
  sub->add_flag("--rebuild", a.rebuild,
                "a screen: write a new tile set and map made from the picture")
      ->excludes(keep);
}

std::optional<TScreen> ScreenFromArgs(const TMapArgs& a) {
  if (a.map.empty()) {
    if (!a.format.empty() || !a.size.empty() || !a.compression.empty() || !a.tileBase.empty() ||
        !a.paletteBase.empty() || a.keepMap || a.rebuild) {
      throw TUsageError("The map options need --map");
    }
    return std::nullopt;
  }
  if (a.format.empty() || a.size.empty())
    throw TUsageError("--map needs --map-format and --map-size");
  TScreen s;
  s.mapAddress = Number(a.map, "--map");
  const auto format = FindMapFormat(a.format);
  if (!format) {
    throw TUsageError("Unknown map format '" + EscapeControls(a.format) + "' (" +
                      std::string(MapFormatNames()) + ")");
  }
  s.format = *format;
  const auto size = ParseMapSize(a.size);
  if (!size) throw TUsageError("--map-size: '" + EscapeControls(a.size) + "' is not WxH");
  s.width = size->first;
  s.height = size->second;
  s.mapCompression = Scheme(a.compression);
  if (!a.tileBase.empty()) s.tileBase = Number(a.tileBase, "--tile-base");
  if (!a.paletteBase.empty()) s.paletteBase = Number(a.paletteBase, "--palette-base");
  return s;
}

TScreenImportMode ImportMode(const TMapArgs& a) {
  return a.rebuild ? TScreenImportMode::kRebuild : TScreenImportMode::kKeepMap;
}

void RequireTiles(const std::string& width, const std::string& height) {
  if (width.empty()) throw TUsageError("--width is required");
  if (height.empty()) throw TUsageError("--height is required");
}

}  // namespace tegulo::cli
