// The layout options that pointers, free and import --relocate share (cmd_pointers.cpp).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "rom/relocate.h"

namespace CLI {
class App;
}

namespace tegulo::cli {

struct TLayoutArgs {
  std::string mapping, splitBanks, splitWords;
  bool unaligned = false;
};

struct TRelocateArgs {
  std::string relocate;  // empty: no relocation
  std::vector<std::string> pointers;
  bool keepOld = false;
  std::string fill;  // import-doc's own --fill
  TLayoutArgs layout;
};

// A number given to `option`; throws TUsageError "OPTION: ..." for a bad one.
std::int64_t OptionNumber(const std::string& text, const char* option);
// "text" or "json"; throws TUsageError for anything else.
std::string TextOrJson(const std::string& text);
// --mapping.
void AddMappingOption(CLI::App* sub, TLayoutArgs& a);

// The layout --mapping names, or the one the headers tell. Throws TUsageError for an unknown
// mapping, TError when detection finds an interleaved dump or, when a mapping is `needed`,
// none.
TRomLayout LayoutFromArgs(const TLayoutArgs& a, std::span<const std::uint8_t> rom, bool needed);
// Throws TUsageError for one split-table option without the other, or a bad number.
TPointerSearch SearchFromArgs(const TLayoutArgs& a);

// --relocate, --pointer, --keep-old and the search options.
void AddRelocateOptions(CLI::App* sub, TRelocateArgs& a);
// import-doc's: --relocate auto, --keep-old, --fill and the search options.
void AddDocRelocateOptions(CLI::App* sub, TRelocateArgs& a);
// Throws TUsageError for a --relocate other than auto or a --fill that is not a byte.
TRelocateOptions DocRelocateFromArgs(const TRelocateArgs& a, std::span<const std::uint8_t> rom);
TRelocateOptions RelocateFromArgs(const TRelocateArgs& a, std::span<const std::uint8_t> rom,
                                  std::uint8_t fill);

}  // namespace tegulo::cli
