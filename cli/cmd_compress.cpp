// compress: a file packed into a stream of a compression scheme, the inverse of decompress.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "compress/scheme_formats.h"
#include "entry_options.h"
#include "io/safe_write.h"
#include "rom/rom_file.h"
#include "write_outputs.h"

namespace tegulo::cli {
namespace {

struct TCompressArgs {
  std::string scheme, input, output, ctMode;
  bool distance1 = false, noPad = false;
};

void RunCompress(const TCompressArgs& a) {
  const int scheme = SchemeArg(a.scheme, false);
  CheckOutputs({a.output, "", "", false}, {{a.input, "the input"}});
  const std::vector<std::uint8_t> data = ReadRomFile(a.input);
  TCompressOptions options = PackingOptions(a.distance1, a.ctMode);
  options.padToWords = !a.noPad;
  const std::vector<std::uint8_t> stream = CompressStream(scheme, data, options);
  const std::string note = WriteFileAtomically(a.output, stream);
  if (!note.empty()) Warn(note);
  std::printf("Wrote %zu bytes (%zu unpacked)\n", stream.size(), data.size());
}

}  // namespace

TCommand AddCompressCommand(CLI::App& parent) {
  auto args = std::make_shared<TCompressArgs>();
  CLI::App* sub = parent.add_subcommand("compress");
  Describe(sub, "Pack a file into a stream of a compression scheme",
           // The help's formatter fills the lines.
           ("The inverse of decompress: writes the shortest stream found for the scheme, one "
            "that its decoder turns back into IN exactly (no reference before the start of the "
            "output, none past its end). Streams of the GBA BIOS family (" +
            WordPaddedSchemeNames() +
            ") are padded with zeros to a multiple of 4 bytes, as the BIOS tools write them, "
            "unless --no-pad. Prints \"Wrote N bytes (M unpacked)\".\n" +
            SchemeLimitsText())
               .c_str());
  sub->add_option("SCHEME", args->scheme, WrapList(SchemeChoices(false) + " (any letter case)"))
      ->type_name("")
      ->required();
  sub->add_option("IN", args->input, "the unpacked bytes")->type_name("")->required();
  sub->add_option("-o,--output", args->output, "the stream to write")
      ->option_text("OUT")
      ->required();
  AddPackingOptions(sub, args->distance1, args->ctMode);
  sub->add_flag("--no-pad", args->noPad,
                "leave out the zeros that pad a GBA BIOS family stream to 4 bytes");
  return {sub, [args] { RunCompress(*args); }};
}

}  // namespace tegulo::cli
