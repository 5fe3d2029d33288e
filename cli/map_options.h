// The map options of render and import, which turn an entry into a screen.
#pragma once

#include <optional>
#include <string>

#include "screen/screen.h"
#include "screen/screen_write.h"

namespace CLI {
class App;
}

namespace tegulo::cli {

struct TMapArgs {
  std::string map, format, size, compression, tileBase, paletteBase;
  bool verbose = false;
  bool keepMap = false;
  bool rebuild = false;
};

// --map, --map-format, --map-size, --map-compression, --tile-base, --palette-base, --verbose.
void AddMapOptions(CLI::App* sub, TMapArgs& a);

// import's --keep-map and --rebuild, besides the map options.
void AddScreenImportOptions(CLI::App* sub, TMapArgs& a);

// The screen the options name; nothing without --map. Throws TUsageError when a map option
// comes without --map, --map-format or --map-size is missing, a name is unknown or a number
// is not one; TError for a size outside the format's range.
std::optional<TScreen> ScreenFromArgs(const TMapArgs& a);

TScreenImportMode ImportMode(const TMapArgs& a);

// Without a screen, --width and --height are needed: throws TUsageError "--width is required".
void RequireTiles(const std::string& width, const std::string& height);

}  // namespace tegulo::cli
