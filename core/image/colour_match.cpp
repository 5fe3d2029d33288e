// Colour matching for imports: exact colours, console words, nearest colours.
#include "image/colour_match.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "palette/console_words.h"

namespace tegulo {
namespace {

// The console word of a 0x00RRGGBB colour.
std::uint16_t WordOf(std::uint32_t rgb) { return ConsoleWord(SwapRedBlue(rgb)); }

std::int32_t SquaredDistance(std::uint32_t a, std::uint32_t b) {
  std::int32_t sum = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const std::int32_t d = static_cast<std::int32_t>((a >> shift) & 0xFF) -
                           static_cast<std::int32_t>((b >> shift) & 0xFF);
    sum += d * d;
  }
  return sum;
}

}  // namespace

std::optional<TColourMatch> FindColourMatch(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (lower == "console") return TColourMatch::kConsole;
  if (lower == "exact") return TColourMatch::kExact;
  if (lower == "nearest") return TColourMatch::kNearest;
  return std::nullopt;
}

std::string TColourMatchReport::Text() const {
  if (moved == 0) return "";
  char largestText[32];
  std::snprintf(largestText, sizeof largestText, "%.1f", largest);
  return "Matched " + std::to_string(moved) + (moved == 1 ? " pixel" : " pixels") +
         " to the nearest palette colour (largest distance " + largestText + ")";
}

std::string NearestMatchQuestion(std::string_view refusal, const TColourMatchReport& report) {
  return std::string(refusal) + "\n\nMatch the picture to the nearest palette colours? " +
         report.Text() + ".";
}

TColourMatcher::TColourMatcher(std::span<const std::uint32_t> palette,
                               std::optional<std::uint32_t> indexZero, TColourMatch match)
    : match_(match) {
  const std::size_t n = std::min<std::size_t>(palette.size(), 256);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t rgb = SwapRedBlue(palette[i]) & 0xFFFFFF;
    candidates_[count_++] = {rgb, WordOf(rgb), static_cast<std::uint8_t>(i)};
  }
  if (indexZero) {
    const std::uint32_t rgb = SwapRedBlue(*indexZero) & 0xFFFFFF;
    candidates_[count_++] = {rgb, WordOf(rgb), 0};
  }
}

std::optional<std::uint8_t> TColourMatcher::Find(std::uint32_t rgb, double* distance) const {
  for (int i = 0; i < count_; ++i) {
    if (candidates_[i].rgb == rgb) return candidates_[i].index;
  }
  if (match_ == TColourMatch::kExact) return std::nullopt;
  const std::uint16_t word = WordOf(rgb);
  for (int i = 0; i < count_; ++i) {
    if (candidates_[i].word == word) return candidates_[i].index;
  }
  if (match_ != TColourMatch::kNearest || count_ == 0) return std::nullopt;
  int best = 0;
  std::int32_t bestDistance = SquaredDistance(rgb, candidates_[0].rgb);
  for (int i = 1; i < count_; ++i) {
    const std::int32_t d = SquaredDistance(rgb, candidates_[i].rgb);
    if (d < bestDistance) {
      best = i;
      bestDistance = d;
    }
  }
  if (distance != nullptr) *distance = std::sqrt(static_cast<double>(bestDistance));
  return candidates_[best].index;
}

}  // namespace tegulo
