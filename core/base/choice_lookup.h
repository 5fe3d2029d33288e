// Finding a row of a choice table (templates, compressions) by its name, and the name of a row.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/uCommon.h"

namespace tegulo {

// The index of the first row whose name equals `name`, ignoring ASCII case ("lz77-10"
// finds "LZ77-10"). Rows with an empty name never match.
std::optional<int> FindChoice(std::span<const TChoice> rows, std::string_view name);

// The name of row `value`; a value outside the table (from a damaged record) as its decimal
// number.
std::string ChoiceName(std::span<const TChoice> rows, int value);

}  // namespace tegulo
