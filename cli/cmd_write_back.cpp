// The commands that write: compress (a stream), import (one picture into a ROM) and
// import-doc (every exported picture of a document). Every file goes through the safe-write
// path, and only after everything has been computed and proved.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/choice_lookup.h"
#include "base/numbers.h"
#include "commands.h"
#include "compress/compressors.h"
#include "compress/scheme_formats.h"
#include "entries/document.h"
#include "entries/limits.h"
#include "io/output_plan.h"
#include "io/safe_write.h"
#include "palette/entry_template.h"
#include "rom/import_document.h"
#include "rom/palette_write.h"
#include "rom/patches.h"
#include "rom/rom_file.h"
#include "rom/write_back.h"
#include "tiles/tile_formats.h"

namespace tegulo::cli {
namespace {

// The files a command reads, by the words its messages use for them.
using TInputs = std::vector<std::pair<std::string, std::string>>;  // (path, "the input ROM")

struct TOutputs {
  std::string rom, ips, bps;
  bool inPlace = false;
};

// Refuses an output that is one of the inputs (the same file through any link), or two
// outputs that are one file, also when they do not exist yet. --in-place names the ROM on
// purpose and is not checked.
void CheckOutputs(const TOutputs& o, const TInputs& inputs) {
  TOutputPlan plan;
  for (const auto& [input, what] : inputs) {
    plan.AddInput(input, what,
                  what == "the input ROM" ? " (--in-place writes the ROM itself)" : "");
  }
  const std::pair<const char*, const std::string*> outs[] = {
      {"-o", &o.rom}, {"--ips", &o.ips}, {"--bps", &o.bps}};
  for (const auto& [flag, path] : outs) {
    if (!path->empty()) plan.AddOutput(*path, flag);
  }
  plan.Check();
}

// Patches are made before any file is written, so that a patch that cannot be made leaves
// nothing behind; the files are renamed into place together, once all are whole.
void WriteOutputs(const TOutputs& o, const std::string& romPath,
                  const std::vector<std::uint8_t>& before, const std::vector<std::uint8_t>& after) {
  std::vector<TOutputFile> files;
  if (o.inPlace) files.push_back({romPath, after});
  if (!o.rom.empty()) files.push_back({o.rom, after});
  if (!o.ips.empty()) files.push_back({o.ips, MakeIpsPatch(before, after)});
  if (!o.bps.empty()) files.push_back({o.bps, MakeBpsPatch(before, after)});
  for (const std::string& note : WriteFilesTogether(files)) Warn(note);
  for (const TOutputFile& f : files) std::printf("wrote %s\n", f.path.c_str());
}

void AddOutputOptions(CLI::App* sub, TOutputs& o) {
  CLI::Option* out = sub->add_option("-o,--output", o.rom, "write the new ROM image to NEW_ROM")
                         ->option_text("NEW_ROM");
  sub->add_option("--ips", o.ips, "write the change as an IPS patch (changes below 16 MiB)")
      ->option_text("FILE");
  sub->add_option("--bps", o.bps, "write the change as a BPS patch")->option_text("FILE");
  sub->add_flag("--in-place", o.inPlace, "replace the input ROM itself (atomically)")
      ->excludes(out);
  sub->parse_complete_callback([sub, &o] {
    if (sub->parsed() && o.rom.empty() && o.ips.empty() && o.bps.empty() && !o.inPlace) {
      throw CLI::ValidationError("an output is needed: -o, --ips, --bps or --in-place");
    }
  });
}

// ---- import

struct TImportArgs {
  std::string rom, image, address, templ, width, height, offset = "0", compression = "none";
  std::string palette = "mono", at, fill, ctMode, doc, writePalette;
  bool distance1 = false, overwrite = false;
  TOutputs out;
};

void AddPackingOptions(CLI::App* sub, bool& distance1, std::string& ctMode) {
  sub->add_flag("--allow-distance-1", distance1,
                "LZ77-10: allow distance 1 (GBA code that unpacks straight into\n"
                "video memory needs 2 or more, the default)");
  sub->add_option("--ct-mode", ctMode,
                  "LZSS-CT: 11 (11-bit distances, lengths to 34) or 12 (12-bit,\n"
                  "lengths to 18); by default the one with the shorter stream")
      ->option_text("11|12")
      ->check(CLI::IsMember({"11", "12"}));
}

TCompressOptions PackingOptions(bool distance1, const std::string& ctMode) {
  TCompressOptions options;
  options.allowDistance1 = distance1;
  if (ctMode == "11") options.ctMode = TCTMode::Bits11;
  if (ctMode == "12") options.ctMode = TCTMode::Bits12;
  return options;
}

// ---- compress

struct TCompressArgs {
  std::string scheme, input, output, ctMode;
  bool distance1 = false;
};

void RunCompress(const TCompressArgs& a) {
  const auto scheme = FindScheme(a.scheme);
  if (!scheme) {
    throw TError("Unknown compression scheme '" + a.scheme +
                 "' (LZ77-10, LZSS-FF5, LZSS-FF6 or LZSS-CT)");
  }
  CheckOutputs({a.output, "", "", false}, {{a.input, "the input"}});
  const std::vector<std::uint8_t> data = ReadRomFile(a.input);
  const std::vector<std::uint8_t> stream =
      CompressStream(*scheme, data, PackingOptions(a.distance1, a.ctMode));
  const std::string note = WriteFileAtomically(a.output, stream);
  if (!note.empty()) Warn(note);
  std::printf("Wrote %zu bytes (%zu unpacked)\n", stream.size(), data.size());
}

std::int32_t Tiles(const std::string& text, const char* what) {
  const std::int32_t n = ParseInt(text);
  if (n < 1 || n > kMaxTiles) {
    throw TError(std::string(what) + " must be 1 to " + std::to_string(kMaxTiles) + " tiles");
  }
  return n;
}

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
                                              const TTileEntry& e) {
  std::vector<std::uint32_t> colours;
  try {
    colours = PngColoursToWrite(file, where, e.PalCount);
  } catch (const TError& err) {
    throw TError(path + ": " + err.what());
  }
  std::vector<std::uint8_t> out = WritePaletteToRom(rom, where.address, colours);
  std::printf("%s\n",
              PaletteWriteText(static_cast<std::int32_t>(colours.size()), where.address).c_str());
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

void RunImport(const TImportArgs& a) {
  const std::optional<TPaletteTarget> paletteTarget = PaletteTargetOption(a.writePalette);
  TTileEntry e = NewEntry(a.address, Tiles(a.width, "--width"), Tiles(a.height, "--height"),
                          ParseInt(a.offset));
  const auto row = FindTemplate(a.templ);
  if (!row) throw TError("Unknown template '" + a.templ + "'");
  int scheme = 0;
  if (a.compression != "none" && a.compression != "(none)") {
    const auto s = FindScheme(a.compression);
    if (!s) {
      throw TError("Unknown compression scheme '" + a.compression +
                   "' (none, LZ77-10, LZSS-FF5, LZSS-FF6 or LZSS-CT)");
    }
    scheme = *s;
  }
  TWriteBackOptions options;
  options.compress = PackingOptions(a.distance1, a.ctMode);
  if (!a.at.empty()) options.freeSpace = ParseInt(a.at);
  if (!a.fill.empty()) {
    const std::int32_t fill = ParseInt(a.fill);
    if (fill < 0 || fill > 255) throw TError("--fill must be a byte value, 0 to 255");
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
  ApplyTemplate(e, *row);
  e.Compression = static_cast<std::uint8_t>(scheme);
  ApplyPaletteOption(e, rom, a.palette);
  const TPixelImage picture = ReadPicture(a.image, e);
  const TWriteBackResult result = WriteBackPicture(rom, e, picture, options);
  std::printf("%s\n", result.report.Text().c_str());
  if (!paletteTarget) {
    WriteOutputs(a.out, a.rom, rom, result.rom);
    return;
  }
  const std::vector<std::uint8_t> withPalette =
      WritePictureColours(result.rom, ReadRomFile(a.image), a.image, *paletteTarget, e);
  WriteOutputs(a.out, a.rom, rom, withPalette);
}

// ---- import-doc

struct TImportDocArgs {
  std::string document, rom, dir;
  TOutputs out;
};

void RunImportDoc(const TImportDocArgs& a) {
  CheckOutputs(a.out, {{a.rom, "the input ROM"}, {a.document, "the document"}});
  const std::vector<TTileEntry> entries = LoadDocument(a.document);
  TInputs pictures;
  for (const std::string& path : DocumentPictureFiles(entries, a.dir)) {
    if (!path.empty()) pictures.emplace_back(path, "the picture");
  }
  CheckOutputs(a.out, pictures);
  const std::vector<std::uint8_t> rom = ReadRomFile(a.rom);
  const TDocImportResult result = ImportDocumentPictures(rom, entries, a.dir);
  if (!result.failures.empty()) {
    for (const TDocImportFailure& f : result.failures) Warn(f.file + ": " + f.message);
    throw TError("Nothing written: " + std::to_string(result.failures.size()) + " of " +
                 std::to_string(result.failures.size() + result.lines.size()) +
                 " pictures could not be imported");
  }
  if (result.lines.empty()) {
    throw TError(a.dir + " holds no picture of the document (NNN-NAME.png, as export names them)");
  }
  for (const std::string& line : result.lines) std::printf("%s\n", line.c_str());
  WriteOutputs(a.out, a.rom, rom, result.rom);
}

const char* kOutputNotes =
    "At least one output is needed. -o never names the input ROM; --in-place replaces it;\n"
    "an output that is an input or another output is a usage error. Every file is written\n"
    "whole to a temporary file, and all are renamed into place together, only after the\n"
    "new image has been drawn again and found equal to the picture: on any error nothing\n"
    "is written.";

}  // namespace

TCommand AddCompressCommand(CLI::App& parent) {
  auto args = std::make_shared<TCompressArgs>();
  CLI::App* sub = parent.add_subcommand("compress");
  Describe(sub, "Pack a file into a stream of a compression scheme",
           "The inverse of decompress: writes the shortest stream found for the scheme, one\n"
           "that its decoder turns back into IN exactly (no reference before the start of\n"
           "the output, none past its end). Prints \"Wrote N bytes (M unpacked)\".\n"
           "LZ77-10 holds up to 16777215 bytes, LZSS-FF5 up to 65535; LZSS-FF6 and LZSS-CT\n"
           "streams must end by position 65535.");
  sub->add_option("SCHEME", args->scheme,
                  "LZ77-10, LZSS-FF5, LZSS-FF6 or LZSS-CT (any letter case)")
      ->type_name("")
      ->required();
  sub->add_option("IN", args->input, "the unpacked bytes")->type_name("")->required();
  sub->add_option("-o,--output", args->output, "the stream to write")
      ->option_text("OUT")
      ->required();
  AddPackingOptions(sub, args->distance1, args->ctMode);
  return {sub, [args] { RunCompress(*args); }};
}

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
  sub->add_option("--address", args->address, "file offset of the tiles or of the stream")
      ->option_text("A")
      ->required();
  sub->add_option("--template", args->templ, "row 1-9 or name, as for render")
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
                  "the colours matched for a PNG that is not indexed, as for render")
      ->option_text("P (default mono)");
  sub->add_option("--write-palette", args->writePalette,
                  "also write an indexed PNG's colours (COUNT, default as many as the\n"
                  "template holds) at ADDR as console words")
      ->option_text("ADDR[:COUNT]");
  sub->add_option("--at", args->at, "free space for a stream that has grown")
      ->option_text("ADDRESS");
  sub->add_option("--fill", args->fill, "byte for the old stream's unused rest")
      ->option_text("BYTE");
  sub->add_flag("--overwrite", args->overwrite,
                "write at --at even where its bytes are not all one fill byte\n"
                "(--fill's, 0xFF or 0x00) or hold an entry of --doc");
  sub->add_option("--doc", args->doc, "the document whose entries --at must not hit")
      ->option_text("DOC");
  AddPackingOptions(sub, args->distance1, args->ctMode);
  AddOutputOptions(sub, args->out);
  return {sub, [args] { RunImport(*args); }};
}

TCommand AddImportDocCommand(CLI::App& parent) {
  auto args = std::make_shared<TImportDocArgs>();
  CLI::App* sub = parent.add_subcommand("import-doc");
  Describe(sub, "Put every exported picture of a document back into a ROM image",
           (std::string(
                "Imports, in document order and into one new image, every entry whose picture\n"
                "DIR holds under the name export gives it (NNN-NAME.png), with the entry's own\n"
                "palette for pictures that are not indexed. All or nothing: if any entry fails,\n"
                "every failure is listed and nothing is written. Streams are not moved; a stream\n"
                "whose data the picture leaves as they are stays byte for byte.\n\n") +
            kOutputNotes)
               .c_str());
  sub->add_option("DOC", args->document, "the document (.tgl)")->type_name("")->required();
  sub->add_option("ROM", args->rom, "the ROM image the document was made for")
      ->type_name("")
      ->required();
  sub->add_option("DIR", args->dir, "the folder of the pictures")->type_name("")->required();
  AddOutputOptions(sub, args->out);
  return {sub, [args] { RunImportDoc(*args); }};
}

}  // namespace tegulo::cli
