// Case-insensitive lookup in the constant choice tables.
#include "base/choice_lookup.h"

#include "base/numbers.h"
#include "compress/uCompress.h"
#include "tiles/uTiles.h"

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

std::optional<int> FindTemplate(std::string_view text) {
  if (const auto row = TryParseInt(text)) {
    if (*row >= 1 && *row < kTemplateCount) return *row;
    return std::nullopt;
  }
  return FindChoice(TileTemplates, text);
}

std::optional<int> FindScheme(std::string_view name) {
  const auto row = FindChoice(Compressions, name);
  if (row && *row >= 1) return row;
  return std::nullopt;
}

}  // namespace tegulo
