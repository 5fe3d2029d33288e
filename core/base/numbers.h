// The number syntax of every address and count the user types, and address formatting.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tegulo {

// Optional leading blanks, optional "+" or "-", then decimal digits that fit a signed
// 32-bit integer, or "$", "x", "X", "0x", "0X" and 1..8 hex digits (8 digits from 8..F
// read as negative). Nothing may follow. Returns nothing for any other text.
std::optional<std::int32_t> TryParseInt(std::string_view text);

// 1..8 hexadecimal digits in either letter case and nothing else (no prefix, sign or
// blank), as an unsigned value. Returns nothing for any other text.
std::optional<std::uint32_t> TryParseHexDigits(std::string_view digits);

// As TryParseInt; throws TError "'<text>' is not a valid integer value" on bad text.
std::int32_t ParseInt(std::string_view text);

// "$%.6x" with upper-case digits: "$1C7D04", "$0000FF"; a negative value keeps its sign
// ("-$000005"), so that it reads back as the same number and never as a huge address.
std::string FormatAddress(std::int64_t value);

// `value` in upper-case hexadecimal digits, at least `minDigits` of them ("00FF" for 255 and
// 4), more where the value needs them; no prefix.
std::string HexDigits(std::uint64_t value, int minDigits);

}  // namespace tegulo
