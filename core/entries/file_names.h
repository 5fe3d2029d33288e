// Turning entry names into file names and into one-line printable text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tegulo {

// Every character other than an ASCII letter, a digit, "-" or "_" becomes "_", so the
// result is a plain file name whatever the (single-byte) entry name holds.
std::string SafeFileName(std::string_view name);

// "NNN-NAME.png": the index zero-padded to three digits (more when it needs them) and the
// name through SafeFileName. "$1C7D04" at index 7 gives "007-_1C7D04.png".
std::string ExportFileName(std::size_t index, std::string_view name);

// The name as UTF-8 text for one line of output: single-byte characters from 0x80 up
// are read as Latin-1, control characters (tab and line breaks included) become "?".
std::string PrintableName(std::string_view name);

}  // namespace tegulo
