// The outputs of the writing commands and their packing options.
#include "write_outputs.h"

#include <CLI/CLI.hpp>

#include <cstdio>

#include "commands.h"
#include "rom/patches.h"

namespace tegulo::cli {

void CheckOutputs(const TOutputs& o, const TInputs& inputs, const TInputs& more) {
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
  for (const auto& [path, flag] : more) {
    if (!path.empty()) plan.AddOutput(path, flag);
  }
  plan.Check();
}

void WriteOutputs(const TOutputs& o, const std::string& romPath,
                  const std::vector<std::uint8_t>& before, const std::vector<std::uint8_t>& after,
                  std::vector<TOutputFile> files, const std::vector<std::string>& lines) {
  if (o.inPlace) files.push_back({romPath, after});
  if (!o.rom.empty()) files.push_back({o.rom, after});
  if (!o.ips.empty()) files.push_back({o.ips, MakeIpsPatch(before, after)});
  if (!o.bps.empty()) files.push_back({o.bps, MakeBpsPatch(before, after)});
  for (const std::string& note : WriteFilesTogether(files)) Warn(note);
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
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

const char* const kOutputNotes =
    "At least one output is needed. -o never names the input ROM; --in-place replaces it;\n"
    "an output that is an input or another output is a usage error. Every file is written\n"
    "whole to a temporary file, and all are renamed into place together, only after the\n"
    "new image has been drawn again and found equal to the picture: on any error nothing\n"
    "is written. A record beside the files (.tegulo-set-*) keeps the set whole: after a\n"
    "kill the next write in that folder finishes the renames, or takes them back, so the\n"
    "outputs are all old or all new.";

}  // namespace tegulo::cli
