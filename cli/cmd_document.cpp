// The document commands: list the entries of a .tgl file, export each one as a PNG.
#include <CLI/CLI.hpp>

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "commands.h"
#include "document.h"
#include "file_names.h"
#include "numbers.h"
#include "render.h"
#include "rom_file.h"
#include "uCompress.h"
#include "uTiles.h"

namespace tegulo::cli {
namespace {

// A damaged value out of the table's range shows as its number.
std::string ChoiceName(const TChoice* rows, int count, std::uint8_t value) {
  if (value < count) return std::string(rows[value].name());
  return std::to_string(value);
}

void RunList(const std::string& path) {
  const std::vector<TTileEntry> entries = LoadDocument(path);
  std::puts(
      "index\tname\taddress\twidth\theight\toffset\ttemplate\tcompression\tPalCount\tPalAddress");
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const TTileEntry& e = entries[i];
    std::printf("%zu\t%s\t%s\t%" PRId32 "\t%" PRId32 "\t%" PRId32 "\t%s\t%s\t%" PRId32 "\t%s\n", i,
                PrintableName(GetName(e)).c_str(), FormatAddress(e.Address).c_str(), e.Width,
                e.Height, e.Offset, ChoiceName(TileTemplates, kTemplateCount, e.Template).c_str(),
                ChoiceName(Compressions, kCompressionCount, e.Compression).c_str(), e.PalCount,
                FormatAddress(e.PalAddress).c_str());
  }
}

struct TExportArgs {
  std::string document, rom, outdir;
};

void MakeDirectory(const std::string& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) throw TError("Cannot create directory \"" + dir + "\". " + ec.message());
}

void RunExport(const TExportArgs& a) {
  const std::vector<TTileEntry> entries = LoadDocument(a.document);
  const std::vector<std::uint8_t> rom = ReadRomFile(a.rom);
  MakeDirectory(a.outdir);

  for (std::size_t i = 0; i < entries.size(); ++i) {
    TTileEntry e = entries[i];
    const std::string name = GetName(e);
    const std::string label = std::to_string(i) + " (" + PrintableName(name) + ")";
    if (e.Template == 0) {
      std::printf("skipped %s: no template\n", label.c_str());
      continue;
    }
    if (!SafeReading(e).drawable) {
      std::printf("skipped %s: cannot be drawn (template %u, %" PRId32 " x %" PRId32 " tiles)\n",
                  label.c_str(), e.Template, e.Width, e.Height);
      continue;
    }
    const std::string file = ExportFileName(i, name);
    const std::string path = (std::filesystem::path(a.outdir) / file).string();
    if (UnpackAndWritePng(e, rom, kFallbackBackground, path))
      Warn(file + ": Not valid LZ10 stream");
    std::printf("wrote %s\n", path.c_str());
  }
}

}  // namespace

TCommand AddListCommand(CLI::App& parent) {
  auto path = std::make_shared<std::string>();
  CLI::App* sub = parent.add_subcommand(
      "list",
      "Print the entries of a document, one line each after a header line, tab-separated:\n"
      "index, name, address, width, height, offset, template name (empty for none),\n"
      "compression name, PalCount, PalAddress. A damaged template or compression value\n"
      "(above 9 or 4) is printed as its number.");
  sub->add_option("DOC", *path, "the document (.tgl)")->required();
  return {sub, [path] { RunList(*path); }};
}

TCommand AddExportCommand(CLI::App& parent) {
  auto args = std::make_shared<TExportArgs>();
  CLI::App* sub = parent.add_subcommand(
      "export",
      "For each entry of the document that has a template: unpack, draw with its own palette\n"
      "and write OUTDIR/NNN-NAME.png, exactly as the window's export of that entry (NNN the\n"
      "entry's index, NAME its name with all but letters, digits, \"-\" and \"_\" turned into\n"
      "\"_\"). Prints \"wrote PATH\" per file and \"skipped ...\" per entry without a template\n"
      "or with a damaged one.");
  sub->add_option("DOC", args->document, "the document (.tgl)")->required();
  sub->add_option("ROM", args->rom, "the ROM image the document was made for")->required();
  sub->add_option("OUTDIR", args->outdir, "folder for the images, created when missing")
      ->required();
  return {sub, [args] { RunExport(*args); }};
}

}  // namespace tegulo::cli
