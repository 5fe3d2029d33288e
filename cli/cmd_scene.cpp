// The scene command: the screen a save state holds, drawn as the console showed it and
// written as a PNG image.
#include <CLI/CLI.hpp>

#include <memory>
#include <string>

#include "base/messages.h"
#include "base/uCommon.h"
#include "commands.h"
#include "io/output_plan.h"
#include "scene/scene.h"
#include "scene/scene_png.h"
#include "scene/scene_render.h"

namespace tegulo::cli {
namespace {

struct TSceneArgs {
  std::string state, output, layers;
};

// "colour math, windows and mosaic"
std::string Joined(const std::vector<std::string>& words) {
  std::string text;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i > 0) text += i + 1 == words.size() ? " and " : ", ";
    text += words[i];
  }
  return text;
}

void RunScene(const TSceneArgs& a) {
  unsigned layers = kAllSceneLayers;
  if (!a.layers.empty()) {
    try {
      layers = SceneLayersFromText(a.layers);
    } catch (const TError& e) {
      throw TUsageError(EscapeControls(e.what()));
    }
  }
  TOutputPlan plan;
  plan.AddInput(a.state, "the save state");
  plan.AddOutput(a.output, "-o");
  plan.Check();
  const TScene scene = ReadSceneFile(a.state);
  const TSceneImage image = RenderScene(scene, layers);
  if (!image.leftOut.empty()) {
    Warn(EscapeControls(a.state) + " uses " + Joined(image.leftOut) +
         ": the picture is drawn without " + (image.leftOut.size() == 1 ? "it" : "them"));
  }
  const std::string note = WriteScenePng(a.output, image);
  if (!note.empty()) Warn(note);
}

}  // namespace

TCommand AddSceneCommand(CLI::App& parent) {
  auto args = std::make_shared<TSceneArgs>();
  CLI::App* sub = parent.add_subcommand("scene");
  Describe(sub, "Draw the screen a save state holds into a PNG image",
           "Reads the video memory, palette, sprite table and video registers of a save state\n"
           "(Snes9x, Mesen2, Mesen-S and ZSNES for the SNES; mGBA and VisualBoyAdvance for the\n"
           "GBA; told by its content) and draws the screen as the console showed it: SNES\n"
           "256x224 (256x239 with overscan, 512 wide in hi-res), GBA 240x160, as a true-colour\n"
           "PNG. Each 5-bit channel c shows as c*255/31. GBA blending, windows and BG mosaic\n"
           "are drawn; SNES colour math, windows and mosaic and GBA sprite mosaic are not: when\n"
           "the state uses them a line on standard error says so. A state holds the registers\n"
           "at one moment, so changes made during the frame (HDMA, raster effects) are not\n"
           "seen.");
  sub->add_option("STATE", args->state, "the save state")->type_name("")->required();
  sub->add_option("-o,--output", args->output, "the PNG file to write (never the state itself)")
      ->option_text("OUT.png")
      ->required();
  sub->add_option("--layers", args->layers,
                  "draw only these layers over the backdrop: bg1..bg4 are the console's four\n"
                  "backgrounds in order (GBA BG0..BG3), obj the sprites")
      ->option_text("bg1,bg2,bg3,bg4,obj");
  return {sub, [args] { RunScene(*args); }};
}

}  // namespace tegulo::cli
