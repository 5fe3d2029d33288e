// The locate command: where the pieces of a save state's screen live in a ROM.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <string>

#include "base/messages.h"
#include "base/uCommon.h"
#include "commands.h"
#include "io/output_plan.h"
#include "locate/locate.h"
#include "locate/locate_doc.h"
#include "rom/rom_file.h"
#include "scene/scene.h"
#include "screen/screen_doc.h"

namespace tegulo::cli {
namespace {

struct TLocateArgs {
  std::string rom, state, format = "text", doc, layers;
};

void RunLocate(const TLocateArgs& a) {
  const std::string format = Lower(a.format);
  if (format != "text" && format != "json") {
    throw TUsageError("Unknown format '" + EscapeControls(a.format) + "' (text or json)");
  }
  TLocateOptions options;
  if (!a.layers.empty()) {
    try {
      options.layers = SceneLayersFromText(a.layers);
    } catch (const TError& e) {
      throw TUsageError(EscapeControls(e.what()));
    }
  }
  if (!a.doc.empty()) {
    TOutputPlan plan;
    plan.AddInput(a.rom, "the ROM");
    plan.AddInput(a.state, "the save state");
    plan.AddOutput(a.doc, "--doc");
    plan.AddOutput(CompanionPath(a.doc), "the screens beside --doc");
    plan.Check();
  }
  const TScene scene = ReadSceneFile(a.state);
  const std::vector<std::uint8_t> rom = ReadRomFile(a.rom);
  const std::vector<TPartFound> found = LocateScene(rom, scene, options);
  if (!a.doc.empty()) {  // first, so that a failure leaves only its error line
    const TLocatedDocument doc = LocatedDocument(found, scene);
    SaveDocumentAndScreens({a.doc, CompanionPath(a.doc), a.rom}, doc.entries, doc.screens);
    Warn("wrote " + EscapeControls(a.doc) + ": " + std::to_string(doc.entries.size()) +
         " entries, " + std::to_string(doc.screens.size()) + " screens");
  }
  const std::string text = format == "json" ? LocateJson(found) : LocateText(found, scene.console);
  std::fwrite(text.data(), 1, text.size(), stdout);
}

}  // namespace

TCommand AddLocateCommand(CLI::App& parent) {
  auto args = std::make_shared<TLocateArgs>();
  CLI::App* sub = parent.add_subcommand("locate");
  Describe(
      sub, "Find where the pieces of a save state's screen live in the ROM",
      "Reads the scene of STATE (as the scene command does) and, for each layer shown and\n"
      "for the sprites, looks for the video memory it reads in ROM: its tiles as its map\n"
      "names them, its map area and the palette rows its cells use. Each piece is looked\n"
      "for as plain bytes at any address and inside the unpacked data of every stream the\n"
      "scan finds (every scheme with a scan check, whatever the stream's score; alignment\n"
      "1 for SNES states, 4 for GBA ones). Whole matches are listed, plain ones first; a\n"
      "piece found only in part gives the place with the most equal bytes. Pieces of a\n"
      "single byte value are not searched.\n"
      "JSON: an array of {\"layer\", \"part\", \"vram\", \"length\", \"address\", \"scheme\",\n"
      "\"offset\"} (vram: the byte offset in video memory, or in palette memory for\n"
      "palettes; address: the file offset of the bytes or the stream, a copier header\n"
      "counted; offset: where the piece starts in the unpacked data; \"matched\" added to a\n"
      "partial match). --doc writes a document with an entry per tiles piece and a screen\n"
      "per map, to open with the ROM.");
  sub->add_option("ROM", args->rom, "the ROM image")->type_name("")->required();
  sub->add_option("STATE", args->state, "the save state")->type_name("")->required();
  sub->add_option("--format", args->format, "text (default) or json")->option_text("FORMAT");
  sub->add_option("--doc", args->doc,
                  "also write a document (and its screens file) of what was found")
      ->option_text("OUT.tgl");
  sub->add_option("--layers", args->layers,
                  "look only for the pieces of these layers: bg1..bg4 are the console's four\n"
                  "backgrounds in order (BG0..BG3 on the GBA), obj the sprites; as a comma\n"
                  "list")
      ->option_text("LIST");
  return {sub, [args] { RunLocate(*args); }};
}

}  // namespace tegulo::cli
