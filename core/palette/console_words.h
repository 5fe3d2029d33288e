// Colours back into console colour words: the nearest 15-bit word to a colour, so that
// ConsoleColour of the word gives back every colour it can give exactly.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tegulo {

// The 5-bit channel value v whose v * 255 / 31 (truncated) lies nearest to `channel`; of two
// at the same distance the lower. Exact inverse on the 32 values the conversion produces.
std::uint8_t NearestConsoleChannel(std::uint8_t channel);

// The 15-bit word (bit 15 clear) nearest to the colour 0x00BBGGRR, channel by channel; the
// top byte is ignored. ConsoleWord(ConsoleColour(w)) == (w & 0x7FFF) for every word w.
std::uint16_t ConsoleWord(std::uint32_t colour);

// The colour the console shows for the nearest word: ConsoleColour(ConsoleWord(colour)).
std::uint32_t SnapToConsole(std::uint32_t colour);

// What the colour picker shows beside a colour: "Console word $7C1F, shown as #FF00FF" (the
// nearest word and the colour it gives, red first).
std::string ConsoleWordText(std::uint32_t colour);

// The colours as little-endian console words, two bytes each, in order.
std::vector<std::uint8_t> ConsoleWordBytes(std::span<const std::uint32_t> colours);

}  // namespace tegulo
