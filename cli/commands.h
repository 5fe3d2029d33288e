// The subcommands of tegulo-cli: each registers its arguments and returns what runs it.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "base/uCommon.h"
#include "entries/tile_entry.h"

namespace CLI {
class App;
}

namespace tegulo::cli {

// A usage error found after parsing (an unknown template or scheme name): exit status 2,
// with the line pointing to the command's help.
class TUsageError : public TError {
public:
  using TError::TError;
};

struct TCommand {
  CLI::App* app = nullptr;    // the subcommand, to tell which one was given
  std::function<void()> run;  // throws TError on failure
};

TCommand AddDecompressCommand(CLI::App& parent);
TCommand AddScanCommand(CLI::App& parent);
TCommand AddRenderCommand(CLI::App& parent);
TCommand AddListCommand(CLI::App& parent);
TCommand AddExportCommand(CLI::App& parent);
TCommand AddCompressCommand(CLI::App& parent);
TCommand AddImportCommand(CLI::App& parent);
TCommand AddImportDocCommand(CLI::App& parent);
TCommand AddPaletteCommand(CLI::App& parent);
TCommand AddPointersCommand(CLI::App& parent);
TCommand AddFreeCommand(CLI::App& parent);
TCommand AddSceneCommand(CLI::App& parent);
TCommand AddLocateCommand(CLI::App& parent);
TCommand AddConvertCommand(CLI::App& parent);

// The names of the rows from `first` on of a choice table, joined by ", " and, before the
// last, by " or ": "LZ77-10, LZSS-FF5, LZSS-FF6 or LZSS-CT".
std::string NameList(std::span<const TChoice> rows, int first);

// Sets the one-line description shown in the list of commands, and the details shown by
// "COMMAND --help" above the notes on numbers and exit statuses.
void Describe(CLI::App* sub, const char* brief, const char* details);

// A message that does not stop the command: "tegulo-cli: <text>" on standard error.
void Warn(std::string_view text);
// `text` in lower case (ASCII), for option values compared without case.
std::string Lower(std::string text);
// A list "a, b, c or d" broken after a comma before a line would pass `width` columns, for an
// option's description in the help (which indents the lines after the first).
std::string WrapList(const std::string& list, std::size_t width = 56);
// A help text reflowed to `width` columns: a line that ends a sentence or introduces what
// follows ("." or ":"), that an item follows ("rom:ADDR: ..." starts with a word holding a
// colon) or that is indented (an example) keeps its break; the other breaks were wrapping
// for a wider column, and are joined.
std::string ReflowText(const std::string& text, std::size_t width);

}  // namespace tegulo::cli
