// import: one picture put back into a ROM image where an entry (or a screen) reads it. Every
// change is drawn again and proved before anything is written.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/numbers.h"
#include "commands.h"
#include "entries/document.h"
#include "entry_options.h"
#include "layout_options.h"
#include "map_options.h"
#include "palette/entry_template.h"
#include "rom/palette_write.h"
#include "rom/rom_file.h"
#include "rom/write_back.h"
#include "screen/screen_write.h"
#include "write_outputs.h"

namespace tegulo::cli {
namespace {

struct TImportArgs {
  TEntryOptionText entry;
  std::string rom, image, at, fill, ctMode, doc, writePalette;
  bool distance1 = false, overwrite = false;
  TOutputs out;
  TMapArgs map;
  TRelocateArgs relocate;
};

constexpr unsigned kImportOptions =
    kOptAddress | kOptOffset | kOptTemplate | kOptSize | kOptCompression | kOptPalette;

// Reading a picture file: PNG errors name the file.
TPixelImage ReadPicture(const std::string& path, const TTileEntry& e) {
  const std::vector<std::uint8_t> file = ReadRomFile(path);
  try {
    return PictureForEntry(file, e);
  } catch (const TError& err) {
    throw TError(path + ": " + err.what());
  }
}

// The PLTE colours of the indexed picture `file` written into `rom` at the target of
// --write-palette; by default as many colours as the entry's template holds.
std::vector<std::uint8_t> WritePictureColours(const std::vector<std::uint8_t>& rom,
                                              const std::vector<std::uint8_t>& file,
                                              const std::string& path, const TPaletteTarget& where,
                                              const TTileEntry& e, const TPixelImage& picture,
                                              std::vector<std::string>& lines) {
  std::vector<std::uint32_t> colours;
  try {
    colours = PngColoursToWrite(file, where, e.PalCount);
  } catch (const TError& err) {
    throw TError(path + ": " + err.what());
  }
  std::vector<std::uint8_t> out = WritePaletteToRom(rom, where.address, colours);
  // The colours must not land on what the entry now reads.
  ProveStillShown(
      e, out, picture,
      "--write-palette " + FormatAddress(where.address) + ":" + std::to_string(colours.size()));
  lines.push_back(PaletteWriteText(static_cast<std::int32_t>(colours.size()), where.address));
  return out;
}

// A bad number in ADDR[:COUNT] is a usage error, as other bad numbers are.
std::optional<TPaletteTarget> PaletteTargetOption(const std::string& text) {
  if (text.empty()) return std::nullopt;
  try {
    return ParsePaletteTarget(text);
  } catch (const TError& e) {
    throw TUsageError(e.what());
  }
}

// Putting a screen back: every line of what was written, then the outputs.
void ImportScreen(const TImportArgs& a, const TTileEntry& e, const TScreen& s,
                  const std::vector<std::uint8_t>& rom, const TWriteBackOptions& options) {
  const std::vector<std::uint8_t> file = ReadRomFile(a.image);
  TPixelImage picture;
  try {
    picture = PictureForScreen(file, e, s);
  } catch (const TError& err) {
    throw TError(a.image + ": " + err.what());
  }
  const TScreenWriteResult result = WriteBackScreen(rom, e, s, picture, ImportMode(a.map), options);
  WriteOutputs(a.out, a.rom, rom, result.rom, {}, result.lines);
}

void RunImport(const TImportArgs& a) {
  const std::optional<TPaletteTarget> paletteTarget = PaletteTargetOption(a.writePalette);
  const std::optional<TScreen> screen = ScreenFromArgs(a.map);
  if (!screen) RequireTiles(a.entry.width, a.entry.height);
  const TEntryOptions o =
      ParseEntryOptions(a.entry, screen ? (kImportOptions & ~kOptSize) : kImportOptions);
  TWriteBackOptions options;
  options.compress = PackingOptions(a.distance1, a.ctMode);
  if (!a.at.empty()) options.freeSpace = NumberArg(a.at);
  if (!a.fill.empty()) {
    const std::int32_t fill = NumberArg(a.fill);
    if (fill < 0 || fill > 255) throw TUsageError("--fill must be a byte value, 0 to 255");
    options.fill = static_cast<std::uint8_t>(fill);
  }
  options.overwrite = a.overwrite;
  TInputs inputs = {{a.rom, "the input ROM"}, {a.image, "the picture"}};
  if (!a.doc.empty()) inputs.emplace_back(a.doc, "the document");
  CheckOutputs(a.out, inputs);
  const std::vector<TTileEntry> document =
      a.doc.empty() ? std::vector<TTileEntry>{} : LoadDocument(a.doc);
  options.document = document;

  const std::vector<std::uint8_t> rom = ReadRomFile(a.rom);
  TTileEntry e = o.entry;
  ApplyTemplate(e, o.templ);
  e.Compression = static_cast<std::uint8_t>(o.scheme);
  if (screen) e.PalCount = 256;  // a screen's cells choose among all 256 colours
  TPalette view{};
  RunPaletteOption(o.palette, view, e, rom);
  if (screen) {
    if (paletteTarget) throw TUsageError("--write-palette is not taken with --map");
    ImportScreen(a, e, *screen, rom, options);
    return;
  }
  const TPixelImage picture = ReadPicture(a.image, e);
  std::vector<std::uint8_t> written;
  std::vector<std::string> lines;
  TTileEntry placed = e;  // where the picture is now read
  if (!a.relocate.relocate.empty()) {
    if (!a.at.empty()) throw TUsageError("--at and --relocate exclude each other");
    const TRelocateOptions relocate =
        RelocateFromArgs(a.relocate, rom, options.fill.value_or(0xFF));
    TRelocateResult result = WriteBackRelocating(rom, e, picture, options, relocate);
    lines.push_back(result.writeBack.report.Text());
    if (result.relocation) {
      for (const std::string& line : result.relocation->Lines(relocate.layout)) {
        lines.push_back(line);
      }
    }
    written = std::move(result.writeBack.rom);
    placed = result.writeBack.entry;
  } else {
    TWriteBackResult result = WriteBackPicture(rom, e, picture, options);
    lines.push_back(result.report.Text());
    written = std::move(result.rom);
    placed = result.entry;
  }
  if (paletteTarget) {
    written = WritePictureColours(written, ReadRomFile(a.image), a.image, *paletteTarget, placed,
                                  picture, lines);
  }
  WriteOutputs(a.out, a.rom, rom, written, {}, lines);
}

}  // namespace

TCommand AddImportCommand(CLI::App& parent) {
  auto args = std::make_shared<TImportArgs>();
  CLI::App* sub = parent.add_subcommand("import");
  Describe(sub, "Put a picture back into a ROM image",
           (std::string(
                "Encodes IMAGE.png in the template and writes it where the entry given by the\n"
                "options reads its tiles, compressed again for a compressed entry. The picture is\n"
                "8*W x 8*H pixels (\"8bpp (PC)\": W x H, or the exported 8*W x 8*H). Indexed PNGs\n"
                "keep their indices; other colours take the first palette index of exactly that\n"
                "colour (a transparent pixel, or the export's background colour, index 0).\n"
                "A compressed entry's data are unpacked, the picture's bytes replace those at the\n"
                "offset, and the new stream is written at the address when it is no longer than\n"
                "the old one (the rest kept, or set to --fill), else at --at; pointers to the old\n"
                "address are then yours to change. The bytes at --at must be free space: all one\n"
                "fill byte (--fill's, 0xFF or 0x00) and read by no entry of --doc, unless\n"
                "--overwrite. Prints \"Wrote N bytes at $XXXXXX (old stream M bytes)\", or\n"
                "\"Wrote $XXXXXX-$YYYYYY (N bytes)\" for plain tiles.\n\n") +
            kOutputNotes)
               .c_str());
  sub->add_option("ROM", args->rom, "the ROM image")->type_name("")->required();
  sub->add_option("IMAGE", args->image, "the picture (.png)")->type_name("")->required();
  AddEntryOptions(sub, args->entry, kImportOptions, kOptAddress | kOptTemplate);
  sub->add_option("--write-palette", args->writePalette,
                  "also write an indexed PNG's colours (COUNT, default as many as the\n"
                  "template holds) at ADDR as console words; refused when they would\n"
                  "change what the entry shows")
      ->option_text("ADDR[:COUNT]");
  sub->add_option("--at", args->at, "free space for a stream that has grown")
      ->option_text("ADDRESS");
  sub->add_option("--fill", args->fill, "byte for the old stream's unused rest")
      ->option_text("BYTE");
  sub->add_flag("--overwrite", args->overwrite,
                "write at --at even where its bytes are not all one fill byte\n"
                "(--fill's, 0xFF or 0x00) or hold an entry of --doc (never the header)");
  sub->add_option("--doc", args->doc, "the document whose entries --at must not hit")
      ->option_text("DOC");
  AddPackingOptions(sub, args->distance1, args->ctMode);
  AddScreenImportOptions(sub, args->map);
  AddRelocateOptions(sub, args->relocate);
  AddOutputOptions(sub, args->out);
  return {sub, [args] { RunImport(*args); }};
}

}  // namespace tegulo::cli
