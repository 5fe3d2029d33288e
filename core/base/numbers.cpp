// Number parsing and address formatting.
#include "base/numbers.h"

#include <algorithm>
#include <cstdio>

#include "base/messages.h"
#include "base/uCommon.h"

namespace tegulo {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decimal digits and nothing else whose signed value fits 32 bits.
std::optional<std::int32_t> ParseDecimal(std::string_view digits, bool negative) {
  // Accumulate the magnitude in 64 bits and check the signed 32-bit range.
  std::int64_t magnitude = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > 2147483648LL) return std::nullopt;
  }
  if (!negative && magnitude > 2147483647LL) return std::nullopt;
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

}  // namespace

std::optional<std::uint32_t> TryParseHexDigits(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  std::uint32_t v = 0;
  for (const char c : digits) {
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    v = (v << 4) | static_cast<std::uint32_t>(d);
  }
  return v;
}

std::optional<std::int32_t> TryParseInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::string_view rest = text.substr(i);
  if (rest.empty()) return std::nullopt;

  std::size_t prefix = 0;
  if (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X') {
    prefix = 1;
  } else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
    prefix = 2;
  }

  if (prefix != 0) {
    std::optional<std::uint32_t> hex = TryParseHexDigits(rest.substr(prefix));
    if (!hex) return std::nullopt;
    std::uint32_t v = *hex;
    if (negative) v = 0u - v;  // wraps like the 32-bit hardware value
    return static_cast<std::int32_t>(v);
  }

  return ParseDecimal(rest, negative);
}

std::int32_t ParseInt(std::string_view text) {
  if (auto v = TryParseInt(text)) return *v;
  throw TError("'" + EscapeControls(text) + "' is not a valid integer value");
}

std::string FormatAddress(std::int64_t value) {
  char buf[32];
  const std::uint64_t magnitude = value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value)
                                            : static_cast<std::uint64_t>(value);
  std::snprintf(buf, sizeof buf, "%s$%.6llX", value < 0 ? "-" : "",
                static_cast<unsigned long long>(magnitude));
  return buf;
}

std::string HexDigits(std::uint64_t value, int minDigits) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*llX", std::clamp(minDigits, 1, 16),
                static_cast<unsigned long long>(value));
  return buf;
}

}  // namespace tegulo
