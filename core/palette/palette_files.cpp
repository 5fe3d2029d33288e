// Palette files: JASC-PAL and GIMP text files, RIFF PAL, Adobe Color Tables, raw dumps.
#include "palette/palette_files.h"

#include <algorithm>
#include <cstdio>

#include "io/safe_write.h"
#include "palette/state_bytes.h"

namespace tegulo {
namespace {

constexpr int kMaxColours = 256;

std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return r | (g << 8) | (b << 16);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The lines of a text file, without their CR LF or LF ends.
class TLines {
public:
  explicit TLines(std::span<const std::uint8_t> bytes)
      : text_(reinterpret_cast<const char*>(bytes.data()), bytes.size()) {}
  // The next line without its end and trailing blanks; false at the end of the text.
  bool Next(std::string_view& line) {
    if (at_ >= text_.size()) return false;
    const std::size_t end = std::min(text_.find('\n', at_), text_.size());
    line = text_.substr(at_, end - at_);
    while (!line.empty() && (line.back() == '\r' || IsBlank(line.back()))) line.remove_suffix(1);
    at_ = end + 1;
    ++number_;
    return true;
  }
  int Number() const { return number_; }

private:
  std::string_view text_;
  std::size_t at_ = 0;
  int number_ = 0;
};

// A decimal number at the start of `s` (after blanks), removed from it; -1 when there is
// none, a value above 999999 counts as 1000000.
long TakeNumber(std::string_view& s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  if (s.empty() || s.front() < '0' || s.front() > '9') return -1;
  long v = 0;
  while (!s.empty() && s.front() >= '0' && s.front() <= '9') {
    v = std::min(v * 10 + (s.front() - '0'), 1000000L);
    s.remove_prefix(1);
  }
  return v;
}

std::string LineText(int line) { return "line " + std::to_string(line); }

// "R G B" at the start of `s`; the rest of the line stays in `s`.
std::uint32_t TakeColour(std::string_view& s, int line) {
  long c[3];
  for (long& v : c) {
    v = TakeNumber(s);
    if (v < 0) throw TError(LineText(line) + " is not a colour (red, green and blue, 0 to 255)");
  }
  if (!s.empty() && !IsBlank(s.front())) {
    throw TError(LineText(line) + " is not a colour (red, green and blue, 0 to 255)");
  }
  for (const long v : c) {
    if (v > 255) throw TError(LineText(line) + " has a value above 255");
  }
  return Rgb(static_cast<std::uint32_t>(c[0]), static_cast<std::uint32_t>(c[1]),
             static_cast<std::uint32_t>(c[2]));
}

std::string TooMany() { return "it has more than " + std::to_string(kMaxColours) + " colours"; }

void Append(std::vector<std::uint8_t>& out, std::string_view s) {
  out.insert(out.end(), s.begin(), s.end());
}

}  // namespace

TPalette ReadJascPal(std::span<const std::uint8_t> bytes, std::int32_t* held) {
  TLines lines(bytes);
  std::string_view line;
  if (!lines.Next(line) || line != "JASC-PAL") throw TError("line 1 is not \"JASC-PAL\"");
  if (!lines.Next(line) || line != "0100") throw TError("line 2 is not the version \"0100\"");
  if (!lines.Next(line)) throw TError("line 3, the colour count, is missing");
  std::string_view rest = line;
  const long count = TakeNumber(rest);
  if (count < 0 || !rest.empty()) throw TError("line 3 is not a colour count");
  if (count > kMaxColours) throw TError(TooMany());
  TPalette out{};
  for (long i = 0; i < count; ++i) {
    if (!lines.Next(line)) {
      throw TError("it ends after " + std::to_string(i) + " of its " + std::to_string(count) +
                   " colours");
    }
    out[static_cast<std::size_t>(i)] = TakeColour(line, lines.Number());
    if (!line.empty()) throw TError(LineText(lines.Number()) + " has more than a colour");
  }
  while (lines.Next(line)) {
    if (!line.empty())
      throw TError("it has more colour lines than its count " + std::to_string(count));
  }
  if (held != nullptr) *held = static_cast<std::int32_t>(count);
  return out;
}

TPalette ReadGpl(std::span<const std::uint8_t> bytes, std::int32_t* held) {
  TLines lines(bytes);
  std::string_view line;
  if (!lines.Next(line) || !line.starts_with("GIMP Palette")) {
    throw TError("line 1 is not \"GIMP Palette\"");
  }
  TPalette out{};
  int n = 0;
  while (lines.Next(line)) {
    std::string_view s = line;
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    if (s.empty() || s.front() == '#' || s.starts_with("Name:") || s.starts_with("Columns:")) {
      continue;
    }
    const std::uint32_t c = TakeColour(s, lines.Number());  // the rest is the colour's name
    if (n == kMaxColours) throw TError(TooMany());
    out[static_cast<std::size_t>(n++)] = c;
  }
  if (held != nullptr) *held = n;
  return out;
}

TPalette ReadRiffPal(std::span<const std::uint8_t> bytes, std::int32_t* held) {
  TByteCursor in(bytes, "the RIFF palette is cut short");
  const auto head = in.Take(12);
  if (!StartsWith(head, "RIFF") || !StartsWith(head.subspan(8), "PAL ")) {
    throw TError("it is not a RIFF palette");
  }
  while (in.Left() >= 8) {
    const auto id = in.Take(4);
    const std::uint32_t size = in.U32Le();
    const auto data = in.Take(size);
    if (StartsWith(id, "data")) {
      if (data.size() < 4) throw TError("the RIFF palette's data is cut short");
      const std::size_t count = data[2] | (data[3] << 8);
      if (count > kMaxColours) throw TError(TooMany());
      if (data.size() < 4 + 4 * count) throw TError("the RIFF palette's data is cut short");
      TPalette out{};
      for (std::size_t i = 0; i < count; ++i) {
        const auto e = data.subspan(4 + 4 * i, 4);  // red, green, blue, flags
        out[i] = Rgb(e[0], e[1], e[2]);
      }
      if (held != nullptr) *held = static_cast<std::int32_t>(count);
      return out;
    }
    if (size % 2 != 0 && in.Left() > 0) in.Skip(1);  // chunks are padded to even sizes
  }
  throw TError("the RIFF palette has no data chunk");
}

TPalette ReadAct(std::span<const std::uint8_t> bytes, std::int32_t* held) {
  if (bytes.size() != 768 && bytes.size() != 772) {
    throw TError("an Adobe Color Table is 768 or 772 bytes long");
  }
  std::size_t count = kMaxColours;
  if (bytes.size() == 772) {
    count = (bytes[768] << 8) | bytes[769];
    if (count > kMaxColours) throw TError(TooMany());
  }
  TPalette out{};
  for (std::size_t i = 0; i < count; ++i) {
    out[i] = Rgb(bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]);
  }
  if (held != nullptr) *held = static_cast<std::int32_t>(count);
  return out;
}

TPalette ReadCgramDump(std::span<const std::uint8_t> bytes) {
  if (bytes.size() != 512) throw TError("a palette dump is 512 or 1024 bytes long");
  return ConsoleWordsLe(bytes);
}

TPalette ReadGbaPaletteDump(std::span<const std::uint8_t> bytes, TPaletteHalf half) {
  if (bytes.size() != 1024) throw TError("a palette dump is 512 or 1024 bytes long");
  return GbaPaletteHalf(bytes, half);
}

std::vector<std::uint8_t> WritePaletteFile(const TPalette& colours, TPaletteFileFormat format,
                                           const std::string& name) {
  std::vector<std::uint8_t> out;
  char line[64];
  switch (format) {
    case TPaletteFileFormat::JascPal:
      Append(out, "JASC-PAL\r\n0100\r\n256\r\n");
      for (const std::uint32_t c : colours) {
        std::snprintf(line, sizeof line, "%u %u %u\r\n", c & 0xFF, (c >> 8) & 0xFF,
                      (c >> 16) & 0xFF);
        Append(out, line);
      }
      break;
    case TPaletteFileFormat::Gpl:
      Append(out, "GIMP Palette\nName: ");
      Append(out, name);
      Append(out, "\nColumns: 16\n#\n");
      for (std::size_t i = 0; i < colours.size(); ++i) {
        const std::uint32_t c = colours[i];
        std::snprintf(line, sizeof line, "%3u %3u %3u\tIndex %zu\n", c & 0xFF, (c >> 8) & 0xFF,
                      (c >> 16) & 0xFF, i);
        Append(out, line);
      }
      break;
    case TPaletteFileFormat::Act:
      for (const std::uint32_t c : colours) {
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
        out.push_back(static_cast<std::uint8_t>(c >> 16));
      }
      break;
  }
  return out;
}

std::optional<TPaletteFileFormat> PaletteFormatOfPath(const std::string& path) {
  const auto slash = path.find_last_of('/');
  const auto dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::nullopt;
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (ext == "pal") return TPaletteFileFormat::JascPal;
  if (ext == "gpl") return TPaletteFileFormat::Gpl;
  if (ext == "act") return TPaletteFileFormat::Act;
  return std::nullopt;
}

void ExportPaletteFile(const std::string& path, const TPalette& colours) {
  const auto format = PaletteFormatOfPath(path);
  if (!format) throw TError("Cannot export a palette as " + path + ": use .pal, .gpl or .act");
  WriteFileAtomically(path, WritePaletteFile(colours, *format));
}

}  // namespace tegulo
