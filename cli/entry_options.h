// The options that describe an entry (address, offset, size, template, compression, palette)
// as every command that takes them registers and reads them, and the usage-error policy for
// the text given to an option: a wrong option, an unknown name or a bad number is a usage
// error (TUsageError, exit status 2).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/messages.h"
#include "commands.h"
#include "entries/tile_entry.h"
#include "palette/palette_option.h"

namespace CLI {
class App;
}

namespace tegulo::cli {

// The text of the entry options as typed; defaults as the help shows them.
struct TEntryOptionText {
  std::string address, offset = "0", templ, width, height, compression = "none", palette = "mono";
};

// Which options a command takes, and which of those it requires.
enum TEntryOptionSet : unsigned {
  kOptAddress = 1U << 0U,
  kOptOffset = 1U << 1U,
  kOptTemplate = 1U << 2U,
  kOptSize = 1U << 3U,  // --width and --height
  kOptCompression = 1U << 4U,
  kOptPalette = 1U << 5U,
};

// Registers the options of `which` on the command; those in `required` must be given.
void AddEntryOptions(CLI::App* sub, TEntryOptionText& text, unsigned which, unsigned required);

// What the options describe: the entry's place and size, its template row, its scheme row
// (kSchemeNone for "none") and its palette choice.
struct TEntryOptions {
  TTileEntry entry{};  // address, offset, width and height set as NewEntry sets them
  int templ = 0;
  int scheme = 0;
  TPaletteOption palette;
};

// Reads every option of `which` from its text; throws TUsageError for any bad value. Options
// not in `which` keep their zero values.
TEntryOptions ParseEntryOptions(const TEntryOptionText& text, unsigned which);

// Runs a reader of core on option text and reports its TError as a usage error with the
// same text.
template <class F>
auto AsUsage(F read) {
  try {
    return read();
  } catch (const TUsageError&) {
    throw;
  } catch (const TError& e) {
    throw TUsageError(EscapeControls(e.what()));
  }
}

// The single readers, each throwing TUsageError with the value's own message:
std::int32_t NumberArg(const std::string& text);  // the number syntax of ParseInt
// A count of tiles 1..kMaxTiles: "<what> must be 1 to 2000 tiles".
std::int32_t TilesArg(const std::string& text, const char* what);
int TemplateArg(const std::string& text);  // "Unknown template '<text>'"
// A scheme by name; with `allowNone`, also "none" or "(none)" for kSchemeNone.
// "Unknown compression scheme '<text>' (<names>)".
int SchemeArg(const std::string& text, bool allowNone);
TPaletteOption PaletteArg(const std::string& text);
// Every --fill: a byte in the number syntax (255, $FF, 0xFF; "ff", an old spelling, is
// 0xFF), or with `allowAny` "any" for both fill bytes 0xFF and 0x00 (nothing returned).
// "--fill must be a byte, 0 to 255 ($FF, 0xFF)[, or any]".
std::optional<std::uint8_t> FillArg(const std::string& text, bool allowAny);

// What --compression and the SCHEME arguments take: "none, LZ77-10, ..." or the schemes only.
std::string SchemeChoices(bool withNone);

}  // namespace tegulo::cli
