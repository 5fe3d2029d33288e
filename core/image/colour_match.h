// Matching a picture's colours to a palette: at the consoles' 5-bit precision, exactly, or to
// the nearest colour, with a report of what moved.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/uCommon.h"

namespace tegulo {

enum class TColourMatch {
  kConsole,  // equal when their 15-bit console words are equal (exact colours first)
  kExact,    // equal 24-bit colours only
  kNearest,  // as kConsole, then any other colour to the nearest palette colour
};

// "console", "exact" or "nearest" in any letter case; nothing for other text.
std::optional<TColourMatch> FindColourMatch(std::string_view name);

// What kNearest did: the pixels taken to a colour other than their own (at 5-bit precision)
// and the largest such distance, Euclidean over 8-bit red, green and blue (0 to 441.7).
struct TColourMatchReport {
  std::int64_t moved = 0;
  double largest = 0;

  // "" when nothing moved, else "Matched 12 pixels to the nearest palette colour (largest
  // distance 9.4)".
  std::string Text() const;
};

// The question offering the nearest colours after `refusal` (a TColoursNotInPalette text):
// "REFUSAL\n\nMatch the picture to the nearest palette colours? Matched 12 pixels ...".
std::string NearestMatchQuestion(std::string_view refusal, const TColourMatchReport& report);

// A PictureIndices refusal for colours the palette lacks; the window offers kNearest then.
class TColoursNotInPalette : public TError {
public:
  using TError::TError;
};

// Finds a palette index for 0x00RRGGBB colours. Candidates are `palette` (0x00BBGGRR, at most
// its first 256) and, when given, `indexZero` standing for index 0 where no palette colour has
// that very colour. The first candidate of exactly the colour wins; then (kConsole, kNearest)
// the first of the same console word; then (kNearest) the nearest, ties to the lower index.
class TColourMatcher {
public:
  TColourMatcher(std::span<const std::uint32_t> palette, std::optional<std::uint32_t> indexZero,
                 TColourMatch match);

  // The index for `rgb`, or nothing. `distance` receives the distance when it moved.
  std::optional<std::uint8_t> Find(std::uint32_t rgb, double* distance = nullptr) const;

private:
  struct TCandidate {
    std::uint32_t rgb;
    std::uint16_t word;
    std::uint8_t index;
  };
  TCandidate candidates_[257] = {};
  int count_ = 0;
  TColourMatch match_;
};

}  // namespace tegulo
