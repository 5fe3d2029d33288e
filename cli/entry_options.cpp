// The entry options shared by render, import and scan, and the readers that turn bad option
// text into usage errors.
#include "entry_options.h"

#include <CLI/CLI.hpp>

#include "base/messages.h"
#include "base/numbers.h"
#include "compress/scheme_formats.h"
#include "compress/uCompress.h"
#include "entries/limits.h"
#include "tiles/tile_formats.h"
#include "tiles/uTiles.h"

namespace tegulo::cli {
namespace {

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

constexpr const char* kPaletteHelp =
    "mono: the template's grey ramp; mono-reverse: white to black;\n"
    "rom:ADDR[:COUNT]: COUNT 15-bit colours at ADDR (default 2^bits per pixel);\n"
    "zst:FILE: the 512 bytes at offset 1560 of a ZSNES save state;\n"
    "state:FILE: a save state of ZSNES, Snes9x, mGBA, VisualBoyAdvance, Mesen2 or\n"
    "Mesen-S, told by its content (:obj after it: a GBA state's sprite palette);\n"
    "file:FILE: a JASC-PAL, RIFF, GIMP or ACT palette or a 512/1024-byte dump";

void Require(CLI::Option* option, bool required) {
  if (required) option->required();
}

}  // namespace

std::string SchemeChoices(bool withNone) {
  const std::string schemes = NameList(Compressions, kSchemeLZ10);
  return withNone ? "none, " + schemes : schemes;
}

void AddEntryOptions(CLI::App* sub, TEntryOptionText& text, unsigned which, unsigned required) {
  const auto has = [&](unsigned o) { return (which & o) != 0U; };
  const auto needs = [&](unsigned o) { return (required & o) != 0U; };
  if (has(kOptAddress)) {
    Require(sub->add_option("--address", text.address, "file offset of the tiles or of the stream")
                ->option_text("A"),
            needs(kOptAddress));
  }
  if (has(kOptTemplate)) {
    Require(sub->add_option("--template", text.templ, TemplateHelp())->option_text("T"),
            needs(kOptTemplate));
  }
  if (has(kOptSize)) {
    Require(sub->add_option("--width", text.width, TilesHelp("width"))->option_text("W"),
            needs(kOptSize));
    Require(sub->add_option("--height", text.height, TilesHelp("height"))->option_text("H"),
            needs(kOptSize));
  }
  if (has(kOptOffset)) {
    sub->add_option("--offset", text.offset,
                    "bytes added to the address, or to the start of the unpacked data")
        ->option_text("O (default 0)");
  }
  if (has(kOptCompression)) {
    sub->add_option("--compression", text.compression, WrapList(SchemeChoices(true)))
        ->option_text("SCHEME (default none)");
  }
  if (has(kOptPalette)) {
    sub->add_option("--palette", text.palette, kPaletteHelp)->option_text("P (default mono)");
  }
}

std::int32_t NumberArg(const std::string& text) {
  return AsUsage([&] { return ParseInt(text); });
}

std::optional<std::uint8_t> FillArg(const std::string& text, bool allowAny) {
  if (allowAny && (text == "any" || text == "ANY")) return std::nullopt;
  if (text == "ff" || text == "FF") return std::uint8_t{0xFF};
  const std::optional<std::int32_t> n = TryParseInt(text);
  if (n && *n >= 0 && *n <= 0xFF) return static_cast<std::uint8_t>(*n);
  throw TUsageError(std::string("--fill must be a byte, 0 to 255 ($FF, 0xFF)") +
                    (allowAny ? ", or any" : "") + ": '" + EscapeControls(text) + "'");
}

std::int32_t TilesArg(const std::string& text, const char* what) {
  const std::int32_t n = NumberArg(text);
  if (n < 1 || n > kMaxTiles) {
    throw TUsageError(std::string(what) + " must be 1 to " + std::to_string(kMaxTiles) + " tiles");
  }
  return n;
}

int TemplateArg(const std::string& text) {
  if (const auto row = FindTemplate(text)) return *row;
  throw TUsageError("Unknown template '" + EscapeControls(text) + "'");
}

int SchemeArg(const std::string& text, bool allowNone) {
  if (allowNone && (text == "none" || text == Compressions[kSchemeNone].name())) return kSchemeNone;
  if (const auto row = FindScheme(text)) return *row;
  throw TUsageError("Unknown compression scheme '" + EscapeControls(text) + "' (" +
                    SchemeChoices(allowNone) + ")");
}

TPaletteOption PaletteArg(const std::string& text) {
  return AsUsage([&] { return ParsePaletteOption(text); });
}

TEntryOptions ParseEntryOptions(const TEntryOptionText& text, unsigned which) {
  const auto has = [&](unsigned o) { return (which & o) != 0U; };
  TEntryOptions o;
  const std::int32_t width = has(kOptSize) ? TilesArg(text.width, "--width") : 1;
  const std::int32_t height = has(kOptSize) ? TilesArg(text.height, "--height") : 1;
  const std::int32_t offset = has(kOptOffset) ? NumberArg(text.offset) : 0;
  const std::string& address = has(kOptAddress) ? text.address : std::string("0");
  o.entry = AsUsage([&] { return NewEntry(address, width, height, offset); });
  if (has(kOptTemplate)) o.templ = TemplateArg(text.templ);
  if (has(kOptCompression)) o.scheme = SchemeArg(text.compression, true);
  if (has(kOptPalette)) o.palette = PaletteArg(text.palette);
  return o;
}

}  // namespace tegulo::cli
