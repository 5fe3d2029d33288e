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
#include "entries/limits.h"
#include "entries/tile_entry.h"
#include "image/png_writer.h"
#include "image/render.h"
#include "palette/palette.h"
#include "rom/rom_file.h"
#include "tiles/uTiles.h"

namespace tegulo::cli {

bool UnpackAndWritePng(TTileEntry& e, std::span<const std::uint8_t> rom, std::uint32_t background,
                       const std::string& path) {
  TDecodeBuffer buffer(kDecodeBufferSize);
  const bool notValid = UnpackEntry(e, rom, buffer).notValidLZ10;
  TIndexedBitmap bmp;
  DrawTiles(bmp, e, rom, buffer, background);
  WritePng(path, bmp);
  return notValid;
}

namespace {

struct TRenderArgs {
  std::string rom, address, templ, width, height, offset = "0", compression = "(none)";
  std::string palette = "mono", background, output;
};

enum class TPaletteKind { Mono, MonoReverse, Rom, Zsnes };

struct TPaletteSpec {
  TPaletteKind kind = TPaletteKind::Mono;
  std::int32_t address = 0;
  std::int32_t count = -1;  // -1: 2 to the power of the template's bits per pixel
  std::string path;
};

// mono | mono-reverse | rom:ADDR | rom:ADDR:COUNT | zst:FILE
TPaletteSpec ParsePaletteSpec(const std::string& text) {
  TPaletteSpec spec;
  if (text == "mono") return spec;
  if (text == "mono-reverse") {
    spec.kind = TPaletteKind::MonoReverse;
    return spec;
  }
  if (text.starts_with("zst:") && text.size() > 4) {
    spec.kind = TPaletteKind::Zsnes;
    spec.path = text.substr(4);
    return spec;
  }
  if (text.starts_with("rom:")) {
    spec.kind = TPaletteKind::Rom;
    const std::string rest = text.substr(4);
    const auto colon = rest.find(':');
    spec.address = ParseInt(rest.substr(0, colon));
    if (colon != std::string::npos) spec.count = ParseInt(rest.substr(colon + 1));
    return spec;
  }
  throw TUsageError("Unknown palette '" + EscapeControls(text) +
                    "' (mono, mono-reverse, rom:ADDR[:COUNT] or zst:FILE)");
}

void ApplyParsedPalette(TTileEntry& e, std::span<const std::uint8_t> rom,
                        const TPaletteSpec& palette) {
  TPalette view{};
  switch (palette.kind) {
    case TPaletteKind::Mono: break;
    case TPaletteKind::MonoReverse: ApplyGreyRamp(view, &e, e.PalCount, true); break;
    case TPaletteKind::Rom:
      ApplyRomPalette(view, &e, rom, palette.address,
                      palette.count < 0 ? e.PalCount : palette.count);
      break;
    case TPaletteKind::Zsnes: ApplyImportedPalette(view, &e, ReadZsnesPalette(palette.path)); break;
  }
}

// "RRGGBB" (an optional leading "#") as an entry colour, 0x00BBGGRR.
std::uint32_t ParseBackground(const std::string& text) {
  const std::string_view hex = std::string_view(text).substr(text.starts_with('#') ? 1 : 0);
  std::uint32_t rgb = 0;
  bool ok = hex.size() == 6;
  for (const char c : hex) {
    const int d = c >= '0' && c <= '9'   ? c - '0'
                  : c >= 'a' && c <= 'f' ? c - 'a' + 10
                  : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                         : -1;
    if (d < 0) ok = false;
    rgb = rgb << 4 | static_cast<std::uint32_t>(d & 15);
  }
  if (!ok) throw TError("'" + EscapeControls(text) + "' is not a valid colour (RRGGBB)");
  return SwapRedBlue(rgb);  // the swap is its own inverse
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
  ApplyParsedPalette(e, rom, ParsePaletteSpec(text));
}

namespace {

void RunRender(const TRenderArgs& a) {
  const std::int32_t width = TilesOrThrow(a.width, "--width");
  const std::int32_t height = TilesOrThrow(a.height, "--height");
  TTileEntry e = NewEntry(a.address, width, height, ParseInt(a.offset));
  const auto row = FindTemplate(a.templ);
  if (!row) throw TUsageError("Unknown template '" + EscapeControls(a.templ) + "'");
  int scheme = 0;
  if (a.compression != "none" && a.compression != "(none)") {
    const auto s = FindScheme(a.compression);
    if (!s) {
      throw TUsageError("Unknown compression scheme '" + EscapeControls(a.compression) +
                        "' (none, LZ77-10, LZSS-FF5, LZSS-FF6 or LZSS-CT)");
    }
    scheme = *s;
  }
  const TPaletteSpec palette = ParsePaletteSpec(a.palette);
  const std::uint32_t background =
      a.background.empty() ? kFallbackBackground : ParseBackground(a.background);
  RefuseInputAsOutput(a.output, a.rom);
  if (palette.kind == TPaletteKind::Zsnes) RefuseInputAsOutput(a.output, palette.path);
  const std::vector<std::uint8_t> rom = ReadRomFile(a.rom);

  // The window's order: the template's grey ramp first, then the palette action.
  ApplyTemplate(e, *row);
  e.Compression = static_cast<std::uint8_t>(scheme);
  ApplyParsedPalette(e, rom, palette);
  if (UnpackAndWritePng(e, rom, background, a.output)) Warn("Not valid LZ10 stream");
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
  sub->add_option(
         "--template", args->templ,
         "row 1-9 or name, any letter case: 1 \"4bpp (GBA)\", 2 \"4bpp (SNES)\",\n"
         "3 \"3bpp (SNES)\", 4 \"2bpp (SNES)\", 5 \"1bpp\", 6 \"8bpp (Mode7-1)\",\n"
         "7 \"8bpp (Mode7-2)\", 8 \"8bpp (Mode3)\", 9 \"8bpp (PC)\" (W bytes a row, H rows)")
      ->option_text("T")
      ->required();
  sub->add_option("--width", args->width, "width in tiles, 1 to 2000")
      ->option_text("W")
      ->required();
  sub->add_option("--height", args->height, "height in tiles, 1 to 2000")
      ->option_text("H")
      ->required();
  sub->add_option("--offset", args->offset,
                  "bytes added to the address, or to the start of the unpacked data")
      ->option_text("O (default 0)");
  sub->add_option("--compression", args->compression,
                  "none, LZ77-10, LZSS-FF5, LZSS-FF6 or LZSS-CT")
      ->option_text("SCHEME (default none)");
  sub->add_option("--palette", args->palette,
                  "mono: the template's grey ramp; mono-reverse: white to black;\n"
                  "rom:ADDR[:COUNT]: COUNT 15-bit colours at ADDR (default 2^bits per pixel);\n"
                  "zst:FILE: the palette of a ZSNES save state")
      ->option_text("P (default mono)");
  sub->add_option("--background", args->background,
                  "colour of index 0, hexadecimal red, green, blue")
      ->option_text("RRGGBB (default F0F0F0)");
  sub->add_option("-o,--output", args->output, "the PNG file to write (never the ROM itself)")
      ->option_text("FILE.png")
      ->required();
  return {sub, [args] { RunRender(*args); }};
}

}  // namespace tegulo::cli
