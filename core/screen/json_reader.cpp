// The bounded JSON reader and the string writer.
#include "screen/json_reader.h"

#include <algorithm>

#include "base/uCommon.h"

namespace tegulo {
namespace {

int HexDigit(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

constexpr int kMaxDepth = 64;
constexpr int kMaxDigits = 15;

}  // namespace

void TJsonReader::Fail(std::string_view expected) const {
  throw TError(std::string(expected) + " at byte " + std::to_string(pos_));
}

void TJsonReader::Blanks() {
  while (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r') ++pos_;
}

bool TJsonReader::Take(char c) {
  Blanks();
  if (Peek() != static_cast<unsigned char>(c)) return false;
  ++pos_;
  return true;
}

void TJsonReader::Expect(char c) {
  if (!Take(c)) Fail(std::string("'") + c + "' expected");
}

std::string TJsonReader::String() {
  Expect('"');
  std::string out;
  for (;;) {
    const int c = Peek();
    if (c < 0) Fail("an unterminated string");
    ++pos_;
    if (c == '"') return out;
    if (c != '\\') {
      if (c < 0x20) Fail("a control character in a string");
      out.push_back(static_cast<char>(c));
      continue;
    }
    const int e = Peek();
    ++pos_;
    switch (e) {
      case '"':
      case '\\':
      case '/': out.push_back(static_cast<char>(e)); break;
      case 'b': out.push_back('\b'); break;
      case 'f': out.push_back('\f'); break;
      case 'n': out.push_back('\n'); break;
      case 'r': out.push_back('\r'); break;
      case 't': out.push_back('\t'); break;
      case 'u': {
        int value = 0;
        for (int i = 0; i < 4; ++i) {
          const int d = HexDigit(Peek());
          if (d < 0) Fail("four hexadecimal digits");
          value = value * 16 + d;
          ++pos_;
        }
        // Names are single bytes: only \u0000 to \u00FF stand for one.
        if (value > 0xFF) Fail("a character of a name (\\u0000 to \\u00FF)");
        out.push_back(static_cast<char>(value));
        break;
      }
      default: Fail("an escape");
    }
  }
}

std::int64_t TJsonReader::Integer() {
  Blanks();
  const bool negative = Peek() == '-';
  if (negative) ++pos_;
  std::int64_t value = 0;
  int digits = 0;
  while (Peek() >= '0' && Peek() <= '9') {
    if (++digits > kMaxDigits) Fail("an integer of at most 15 digits");
    value = value * 10 + (Peek() - '0');
    ++pos_;
  }
  if (digits == 0) Fail("an integer");
  if (Peek() == '.' || Peek() == 'e' || Peek() == 'E') Fail("an integer");
  return negative ? -value : value;
}

void TJsonReader::SkipValue() { SkipValue(0); }

void TJsonReader::SkipValue(int depth) {
  if (depth > kMaxDepth) Fail("values nested at most 64 deep");
  Blanks();
  const int c = Peek();
  if (c == '"') {
    String();
  } else if (c == '{' || c == '[') {
    const char close = c == '{' ? '}' : ']';
    ++pos_;
    if (Take(close)) return;
    do {
      if (c == '{') {
        String();
        Expect(':');
      }
      SkipValue(depth + 1);
    } while (Take(','));
    Expect(close);
  } else if (c == '-' || (c >= '0' && c <= '9')) {
    Integer();
  } else {
    for (const std::string_view word : {"true", "false", "null"}) {
      if (text_.size() - pos_ >= word.size() &&
          std::equal(word.begin(), word.end(), text_.begin() + static_cast<std::ptrdiff_t>(pos_))) {
        pos_ += word.size();
        return;
      }
    }
    Fail("a value");
  }
}

void TJsonReader::End() {
  Blanks();
  if (Peek() >= 0) Fail("the end of the text");
}

std::string JsonString(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20 || c > 0x7E) {
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

}  // namespace tegulo
