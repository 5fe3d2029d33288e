// The document commands: list the entries of a .tgl file, export each one as a PNG.
#include <CLI/CLI.hpp>

#include <unistd.h>
#include <cinttypes>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "base/choice_lookup.h"
#include "base/messages.h"
#include "base/numbers.h"
#include "commands.h"
#include "compress/scheme_formats.h"
#include "compress/uCompress.h"
#include "entries/document.h"
#include "entries/file_names.h"
#include "image/render.h"
#include "image/render_entry.h"
#include "io/file_set.h"
#include "io/output_plan.h"
#include "rom/rom_file.h"
#include "tiles/safe_entry.h"
#include "tiles/uTiles.h"

namespace tegulo::cli {
namespace {

void RunList(const std::string& path) {
  const std::vector<TTileEntry> entries = ReadDocumentFile(path);
  std::puts(
      "index\tname\taddress\twidth\theight\toffset\ttemplate\tcompression\tPalCount\tPalAddress");
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const TTileEntry& e = entries[i];
    std::printf("%zu\t%s\t%s\t%" PRId32 "\t%" PRId32 "\t%" PRId32 "\t%s\t%s\t%" PRId32 "\t%s\n", i,
                PrintableName(GetName(e)).c_str(), FormatAddress(e.Address).c_str(), e.Width,
                e.Height, e.Offset, ChoiceName(TileTemplates, e.Template).c_str(),
                ChoiceName(Compressions, e.Compression).c_str(), e.PalCount,
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

// A running count on standard error, only when that is a terminal: one line, rewritten in
// place, cleared before anything else is printed.
class TCountLine {
public:
  explicit TCountLine(std::size_t total) : total_(total), shown_(::isatty(STDERR_FILENO) == 1) {}
  ~TCountLine() { Clear(); }
  TCountLine(const TCountLine&) = delete;
  TCountLine& operator=(const TCountLine&) = delete;
  void Show(std::size_t done) {
    if (!shown_) return;
    std::fprintf(stderr, "\rexporting entry %zu of %zu", done + 1, total_);
    std::fflush(stderr);
    dirty_ = true;
  }
  void Clear() {
    if (!dirty_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    dirty_ = false;
  }

private:
  std::size_t total_;
  bool shown_;
  bool dirty_ = false;
};

void RunExport(const TExportArgs& a) {
  const std::vector<TTileEntry> entries = ReadDocumentFile(a.document);
  const std::vector<std::uint8_t> rom = ReadRomFile(a.rom);

  // Which entries are written, and where: every output is checked against the inputs and
  // the other outputs before the first file is written.
  std::vector<std::string> paths(entries.size());
  TOutputPlan plan;
  plan.AddInput(a.document, "the document");
  plan.AddInput(a.rom, "the input ROM");
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string file = ExportFileName(i, GetName(entries[i]));
    paths[i] = (std::filesystem::path(a.outdir) / file).string();
    plan.AddOutput(paths[i], EscapeControls(paths[i]));
  }
  plan.Check();
  MakeDirectory(a.outdir);

  // The pictures land together: a failure or a kill leaves every old picture in place, so
  // that no later import takes a stale one for new.
  TFileSet set;
  // The lines, in entry order, printed once every picture is in place.
  std::vector<std::string> lines;
  std::size_t tooLarge = 0;
  TCountLine count(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    count.Show(i);
    TTileEntry e = entries[i];
    const std::string name = GetName(e);
    const std::string label = std::to_string(i) + " (" + PrintableName(name) + ")";
    if (e.Template == kTemplateNone) {
      lines.push_back("skipped " + label + ": no template");
      continue;
    }
    if (!SafeReading(e).drawable) {
      lines.push_back("skipped " + label + ": cannot be drawn (template " +
                      std::to_string(e.Template) + ", " + std::to_string(e.Width) + " x " +
                      std::to_string(e.Height) + " tiles)");
      continue;
    }
    if (!WithinDrawLimit(e)) {
      lines.push_back("skipped " + label + ": " + TooLargeToDrawText(e));
      ++tooLarge;
      continue;
    }
    const std::string notValid =
        RenderEntryToPng(e, rom, kFallbackBackground, set.Add(paths[i])).notValid;
    count.Clear();
    if (!notValid.empty()) Warn(ExportFileName(i, name) + ": " + notValid);
    lines.push_back("wrote " + paths[i]);
  }
  count.Clear();
  for (const std::string& note : set.Commit()) Warn(note);
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  if (tooLarge > 0) {
    throw TError(std::to_string(tooLarge) + (tooLarge == 1 ? " entry was" : " entries were") +
                 " too large to draw and not written");
  }
}

}  // namespace

TCommand AddListCommand(CLI::App& parent) {
  auto path = std::make_shared<std::string>();
  CLI::App* sub = parent.add_subcommand("list");
  static const std::string details =
      "Prints one line per entry after a header line, tab-separated: index, name,\n"
      "address, width, height, offset, template name (empty for none), compression name,\n"
      "PalCount, PalAddress. A damaged template or compression value (above " +
      std::to_string(kTemplateCount - 1) + " or " + std::to_string(kCompressionCount - 1) +
      ") is\nprinted as its number; control characters in names as \"?\".";
  Describe(sub, "List the entries of a document", details.c_str());
  sub->add_option("DOC", *path, "the document (.tgl)")->type_name("")->required();
  return {sub, [path] { RunList(*path); }};
}

TCommand AddExportCommand(CLI::App& parent) {
  auto args = std::make_shared<TExportArgs>();
  CLI::App* sub = parent.add_subcommand("export");
  Describe(sub, "Write every entry of a document as a PNG image",
           "For each entry that has a template: unpacks, draws with the entry's own palette and\n"
           "writes OUTDIR/NNN-NAME.png exactly as the window's export of that entry (NNN the\n"
           "entry's index in three digits, NAME its name with all but letters, digits, \"-\"\n"
           "and \"_\" turned into \"_\"). Prints \"wrote PATH\" per file, and \"skipped ...\"\n"
           "per entry without a template or with one that cannot be drawn (a damaged record).\n"
           "An entry larger than 2000 x 2000 tiles is skipped with its size; the others are\n"
           "still written, and the command then exits with status 1.\n"
           "When standard error is a terminal, a running count of the entries shows there.\n"
           "The pictures are written as one set, once all are drawn: an error (a full disk, a\n"
           "file-size limit) or a kill leaves every old picture as it was, or all are new.\n"
           "A picture that would replace the document, the ROM or another picture is a usage\n"
           "error, before anything is written.");
  sub->add_option("DOC", args->document, "the document (.tgl)")->type_name("")->required();
  sub->add_option("ROM", args->rom, "the ROM image the document was made for")
      ->type_name("")
      ->required();
  sub->add_option("OUTDIR", args->outdir, "folder for the images, created when missing")
      ->type_name("")
      ->required();
  return {sub, [args] { RunExport(*args); }};
}

}  // namespace tegulo::cli
