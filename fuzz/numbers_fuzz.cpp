// libFuzzer target: the number syntax, against a plain reference written from its rules.
#include <optional>
#include <string>
#include <string_view>

#include "base/messages.h"
#include "base/numbers.h"
#include "base/uCommon.h"
#include "fuzz_input.h"

using namespace tegulo;

namespace {

bool AllOf(std::string_view s, bool (*pred)(char)) {
  for (char c : s) {
    if (!pred(c)) return false;
  }
  return true;
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Blanks, a sign, then decimal digits within the signed 32-bit range, or a hex prefix and
// 1 to 8 hex digits taken as 32 bits.
std::optional<std::int32_t> Reference(std::string_view s) {
  while (!s.empty() && (s[0] == ' ' || s[0] == '\t')) s.remove_prefix(1);
  bool negative = false;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  for (std::string_view prefix : {"0x", "0X", "$", "x", "X"}) {
    if (s.starts_with(prefix) && (prefix.size() == 2 || !s.starts_with("0"))) {
      const std::string_view digits = s.substr(prefix.size());
      if (digits.empty() || digits.size() > 8 || !AllOf(digits, IsHex)) return std::nullopt;
      std::uint32_t v = static_cast<std::uint32_t>(std::stoul(std::string(digits), nullptr, 16));
      if (negative) v = 0u - v;
      return static_cast<std::int32_t>(v);
    }
  }
  if (s.empty() || !AllOf(s, IsDigit)) return std::nullopt;
  while (s.size() > 1 && s[0] == '0') s.remove_prefix(1);
  if (s.size() > 10) return std::nullopt;
  const long long v = (negative ? -1 : 1) * std::stoll(std::string(s));
  if (v < INT32_MIN || v > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<std::int32_t> got = TryParseInt(text);
  fuzz::Check(got == Reference(text));
  try {
    fuzz::Check(ParseInt(text) == *got);
  } catch (const TError& e) {
    fuzz::Check(!got);
    fuzz::Check(std::string(e.what()) ==
                "'" + EscapeControls(text) + "' is not a valid integer value");
  }
  if (got) fuzz::Check(TryParseInt(FormatAddress(*got)) == got);
  return 0;
}
