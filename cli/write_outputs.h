// What the commands that write share: their inputs and outputs (-o, --ips, --bps, --in-place),
// checked against each other before anything is written and renamed into place together, and
// the packing options of the compressors.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "compress/compressors.h"
#include "io/output_plan.h"

namespace CLI {
class App;
}

namespace tegulo::cli {

// The files a command reads, by the words its messages use for them.
using TInputs = std::vector<std::pair<std::string, std::string>>;  // (path, "the input ROM")

struct TOutputs {
  std::string rom, ips, bps;
  bool inPlace = false;
};

// Refuses an output that is one of the inputs (the same file through any link), or two
// outputs that are one file, also when they do not exist yet. --in-place names the ROM on
// purpose and is not checked. `more` are the command's other outputs, by path and option
// ("--doc").
void CheckOutputs(const TOutputs& o, const TInputs& inputs, const TInputs& more = {});

// Patches are made before any file is written, so that a patch that cannot be made leaves
// nothing behind; the files (`files` first, then the ROM and the patches) are renamed into
// place together, once all are whole. `lines` (what was written where in the image) are
// printed only then, before a "wrote PATH" line per file.
void WriteOutputs(const TOutputs& o, const std::string& romPath,
                  const std::vector<std::uint8_t>& before, const std::vector<std::uint8_t>& after,
                  std::vector<TOutputFile> files = {}, const std::vector<std::string>& lines = {});

// -o, --ips, --bps and --in-place; at least one is needed.
void AddOutputOptions(CLI::App* sub, TOutputs& o);

// The lines every writing command's help ends with.
extern const char* const kOutputNotes;

// --allow-distance-1 and --ct-mode, and the compressor options they give.
void AddPackingOptions(CLI::App* sub, bool& distance1, std::string& ctMode);
TCompressOptions PackingOptions(bool distance1, const std::string& ctMode);

}  // namespace tegulo::cli
