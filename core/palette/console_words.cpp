// Colours back into console colour words.
#include "palette/console_words.h"

#include <array>
#include <cstdio>

#include "palette/palette.h"

namespace tegulo {

namespace {

// The table of nearest channel values, worked out once at compile time.
constexpr std::array<std::uint8_t, 256> MakeNearestTable() {
  std::array<std::uint8_t, 256> table{};
  for (unsigned c = 0; c < 256; ++c) {
    unsigned best = 0;
    unsigned bestDistance = 256;
    for (unsigned v = 0; v < 32; ++v) {
      const unsigned shown = v * 255u / 31u;
      const unsigned distance = shown > c ? shown - c : c - shown;
      if (distance < bestDistance) {  // strictly nearer: ties keep the lower value
        best = v;
        bestDistance = distance;
      }
    }
    table[c] = static_cast<std::uint8_t>(best);
  }
  return table;
}

constexpr std::array<std::uint8_t, 256> kNearest = MakeNearestTable();

}  // namespace

std::uint8_t NearestConsoleChannel(std::uint8_t channel) { return kNearest[channel]; }

std::uint16_t ConsoleWord(std::uint32_t colour) {
  const unsigned r = kNearest[colour & 0xFFu];
  const unsigned g = kNearest[(colour >> 8) & 0xFFu];
  const unsigned b = kNearest[(colour >> 16) & 0xFFu];
  return static_cast<std::uint16_t>(r | (g << 5) | (b << 10));
}

std::uint32_t SnapToConsole(std::uint32_t colour) { return ConsoleColour(ConsoleWord(colour)); }

std::string ConsoleWordText(std::uint32_t colour) {
  const std::uint32_t shown = SnapToConsole(colour);
  char text[48];
  std::snprintf(text, sizeof text, "Console word $%04X, shown as #%02X%02X%02X",
                static_cast<unsigned>(ConsoleWord(colour)), static_cast<unsigned>(shown & 0xFFu),
                static_cast<unsigned>((shown >> 8) & 0xFFu), static_cast<unsigned>(shown >> 16));
  return text;
}

std::vector<std::uint8_t> ConsoleWordBytes(std::span<const std::uint32_t> colours) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(colours.size() * 2);
  for (const std::uint32_t colour : colours) {
    const std::uint16_t word = ConsoleWord(colour);
    bytes.push_back(static_cast<std::uint8_t>(word & 0xFFu));
    bytes.push_back(static_cast<std::uint8_t>(word >> 8));
  }
  return bytes;
}

}  // namespace tegulo
