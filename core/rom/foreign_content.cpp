// Content that is plainly no ROM: text, images, archives and programs told by their start.
#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "rom/dropped_file.h"

namespace tegulo {
namespace {

struct TSignature {
  std::size_t at;
  std::string_view bytes;
  const char* what;
};

using namespace std::string_view_literals;

// Signatures long enough that a ROM's first bytes (code, a header) do not meet them by chance.
constexpr std::array<TSignature, 13> kSignatures = {{
    {0, "\xFF\xD8\xFF"sv, "a JPEG image"},
    {0, "GIF87a"sv, "a GIF image"},
    {0, "GIF89a"sv, "a GIF image"},
    {8, "WEBP"sv, "a WebP image"},
    {0, "%PDF-"sv, "a PDF document"},
    {0, "PK\x03\x04"sv, "a ZIP archive"},
    {0, "\x1F\x8B\x08"sv, "a gzip archive"},
    {0, "7z\xBC\xAF\x27\x1C"sv, "a 7z archive"},
    {0, "Rar!\x1A\x07"sv, "a RAR archive"},
    {0,
     "\xFD"
     "7zXZ\x00"sv,
     "an xz archive"},
    {0, "\x28\xB5\x2F\xFD"sv, "a zstd archive"},
    {0,
     "\x7F"
     "ELF"sv,
     "an ELF program"},
    {0, "BZh"sv, "a bzip2 archive"},
}};

bool Matches(std::span<const std::uint8_t> head, const TSignature& s) {
  if (head.size() < s.at + s.bytes.size()) return false;
  return std::equal(s.bytes.begin(), s.bytes.end(),
                    head.begin() + static_cast<std::ptrdiff_t>(s.at),
                    [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// "BM", the reserved words zero and a pixel offset just past a header of a known size.
bool IsBmp(std::span<const std::uint8_t> head) {
  if (head.size() < 18 || head[0] != 'B' || head[1] != 'M' || Le32(head, 6) != 0) return false;
  const std::uint32_t header = Le32(head, 14);
  const std::uint32_t pixels = Le32(head, 10);
  const bool knownHeader = header == 12 || header == 40 || header == 108 || header == 124;
  return knownHeader && pixels >= 14 + header && pixels <= 14 + header + 1024;
}

// The length of the UTF-8 sequence a lead byte starts (0: no lead byte of a text).
std::size_t SequenceLength(std::uint8_t lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

bool IsText(std::span<const std::uint8_t> head, bool whole) {
  if (head.empty()) return false;
  std::size_t i = 0;
  while (i < head.size()) {
    const std::uint8_t b = head[i];
    if ((b >= 0x20 && b < 0x7F) || b == '\t' || b == '\n' || b == '\r') {
      ++i;
      continue;
    }
    const std::size_t n = SequenceLength(b);
    if (n == 0) return false;
    const std::size_t end = std::min(i + n, head.size());
    for (std::size_t j = i + 1; j < end; ++j) {
      if ((head[j] & 0xC0) != 0x80) return false;
    }
    if (i + n > head.size() && whole) return false;  // a sequence the file cuts off
    i = end;
  }
  return true;
}

}  // namespace

std::string ForeignContent(std::span<const std::uint8_t> head, bool whole) {
  for (const TSignature& s : kSignatures) {
    if (Matches(head, s)) {
      // RIFF holds WebP images, but also sounds and palettes: only the WebP kind is named.
      if (s.at == 8 && !(head[0] == 'R' && head[1] == 'I' && head[2] == 'F' && head[3] == 'F')) {
        continue;
      }
      // "BZh" is short: its block size digit and block magic must follow.
      if (s.bytes == "BZh"sv && (head.size() < 10 || head[3] < '1' || head[3] > '9' ||
                                 head[4] != 0x31 || head[5] != 0x41)) {
        continue;
      }
      return s.what;
    }
  }
  if (IsBmp(head)) return "a BMP image";
  if (IsText(head, whole)) return "text";
  return {};
}

std::string ForeignFileText(std::string_view fileName, const std::string& what) {
  const std::size_t slash = fileName.find_last_of('/');
  if (slash != std::string_view::npos) fileName.remove_prefix(slash + 1);
  return std::string(fileName) + " is " + what + ", not a ROM; nothing was opened.";
}

}  // namespace tegulo
