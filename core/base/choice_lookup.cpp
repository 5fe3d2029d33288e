// Case-insensitive lookup in the constant choice tables.
#include "base/choice_lookup.h"

namespace tegulo {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::optional<int> FindChoice(std::span<const TChoice> rows, std::string_view name) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::string_view rowName = rows[i].name();
    if (!rowName.empty() && SameIgnoringCase(rowName, name)) return static_cast<int>(i);
  }
  return std::nullopt;
}

std::string ChoiceName(std::span<const TChoice> rows, int value) {
  if (value >= 0 && static_cast<std::size_t>(value) < rows.size()) {
    return std::string(rows[static_cast<std::size_t>(value)].name());
  }
  return std::to_string(value);
}

}  // namespace tegulo
