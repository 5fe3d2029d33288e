// import-doc: every exported picture of a document put back into one new ROM image, all or
// nothing.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "commands.h"
#include "entries/document.h"
#include "layout_options.h"
#include "rom/import_document.h"
#include "rom/rom_file.h"
#include "write_outputs.h"

namespace tegulo::cli {
namespace {

struct TImportDocArgs {
  std::string document, rom, dir, docOut;
  TOutputs out;
  TRelocateArgs relocate;
};

void RunImportDoc(const TImportDocArgs& a) {
  const TInputs more = {{a.docOut, "--doc"}};
  TInputs inputs = {{a.rom, "the input ROM"}, {a.document, "the document"}};
  CheckOutputs(a.out, inputs, more);
  // Every output against every file read, the pictures too, before anything is written.
  const std::vector<TTileEntry> entries = LoadDocument(a.document);
  for (const std::string& path : DocumentPictureFiles(entries, a.dir)) {
    if (!path.empty()) inputs.emplace_back(path, "the picture");
  }
  CheckOutputs(a.out, inputs, more);
  const std::vector<std::uint8_t> rom = ReadRomFile(a.rom);
  std::optional<TRelocateOptions> relocate;
  if (!a.relocate.relocate.empty()) relocate = DocRelocateFromArgs(a.relocate, rom);
  const TDocImportResult result =
      ImportDocumentPictures(rom, entries, a.dir, relocate ? &*relocate : nullptr);
  if (!result.failures.empty()) {
    for (const TDocImportFailure& f : result.failures) Warn(f.file + ": " + f.message);
    std::vector<std::size_t> failed;
    for (const TDocImportFailure& f : result.failures) failed.push_back(f.index);
    std::sort(failed.begin(), failed.end());
    failed.erase(std::unique(failed.begin(), failed.end()), failed.end());
    throw TError("Nothing written: " + std::to_string(failed.size()) + " of " +
                 std::to_string(result.pictures) + " pictures could not be imported");
  }
  if (result.lines.empty()) {
    throw TError(a.dir + " holds no picture of the document (NNN-NAME.png, as export names them)");
  }
  if (result.moved && a.docOut.empty()) {
    throw TError(
        "Streams moved: give --doc OUT.tgl for the document with their new addresses; "
        "nothing was written");
  }
  std::vector<TOutputFile> document;
  if (!a.docOut.empty()) {
    // The document's records as stored, written together with the ROM and the patches.
    document.push_back({a.docOut, DocumentBytes(result.entries)});
  }
  WriteOutputs(a.out, a.rom, rom, result.rom, std::move(document), result.lines);
}

}  // namespace

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
  sub->add_option("--doc", args->docOut, "also write the document as imported (new addresses)")
      ->option_text("OUT.tgl");
  AddDocRelocateOptions(sub, args->relocate);
  AddOutputOptions(sub, args->out);
  return {sub, [args] { RunImportDoc(*args); }};
}

}  // namespace tegulo::cli
