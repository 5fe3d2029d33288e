// A small bounded reader of JSON text: objects, arrays, strings, integers and the literals,
// enough for the files Tegulo writes. Every read stays inside the text.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tegulo {

class TJsonReader {
public:
  explicit TJsonReader(std::span<const std::uint8_t> text) : text_(text) {}

  // Each throws TError "<what was expected> at byte N" when the text holds something else.
  void Expect(char c);
  bool Take(char c);  // skips blanks; takes `c` when it comes next
  std::string String();
  std::int64_t Integer();  // at most 15 digits
  void SkipValue();        // any value, nested at most 64 deep
  void End();              // nothing but blanks left

private:
  [[noreturn]] void Fail(std::string_view expected) const;
  void Blanks();
  int Peek() const { return pos_ < text_.size() ? text_[pos_] : -1; }
  void SkipValue(int depth);

  std::span<const std::uint8_t> text_;
  std::size_t pos_ = 0;
};

// The text of a JSON string holding `bytes`: quotes, escapes for '"', '\\' and every byte
// below 0x20 or above 0x7E (as \u00XX).
std::string JsonString(std::string_view bytes);

}  // namespace tegulo
