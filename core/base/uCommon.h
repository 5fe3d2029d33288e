// Shared types of the core: the working buffer, choice-table rows, colour byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tegulo {

// An error a user can cause; what() is the exact text the window shows.
class TError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The working buffer of the unpackers; never shorter than kDecodeBufferSize.
using TDecodeBuffer = std::vector<std::uint8_t>;
inline constexpr std::size_t kDecodeBufferSize = 1048576;

// A row of the constant choice tables: name length, up to 20 name bytes, one value.
struct TChoice {
  std::uint8_t NameLen;
  char Name[20];
  std::uint8_t Value;

  std::string_view name() const { return {Name, NameLen <= 20 ? NameLen : std::size_t{20}}; }
};
static_assert(sizeof(TChoice) == 22);

// Builds a table row at compile time from a literal of at most 20 characters.
consteval TChoice MakeChoice(std::string_view name, std::uint8_t value) {
  TChoice c{};
  c.NameLen = static_cast<std::uint8_t>(name.size());
  for (std::size_t i = 0; i < name.size() && i < 20; ++i) c.Name[i] = name[i];
  c.Value = value;
  return c;
}

// Converts entry colours (0x00BBGGRR) to colour-table order (0x00RRGGBB) in place:
// the lowest and third bytes change places and the top byte is cleared.
// Converts min(count, colours.size()) values; nothing when count <= 0.
void SwapRedBlue(std::span<std::uint32_t> colours, std::int32_t count);

inline constexpr std::uint32_t SwapRedBlue(std::uint32_t v) {
  return ((v & 0xFFu) << 16) | (v & 0xFF00u) | ((v >> 16) & 0xFFu);
}

}  // namespace tegulo
