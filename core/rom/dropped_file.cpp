// What a file dropped on the window is, by its name and its first bytes.
#include "rom/dropped_file.h"

#include <algorithm>
#include <array>
#include <vector>

#include "io/read_file.h"
#include "palette/palette_import.h"

namespace tegulo {
namespace {

constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::array<std::string_view, 3> kRomExtensions = {"smc", "sfc", "gba"};
// The import dialog's row that lists every palette and save state pattern.
constexpr std::size_t kAllPalettesRow = 1;
// Names shared with pictures and ROM dumps: for them the content decides.
constexpr std::array<std::string_view, 2> kAmbiguousPatterns = {"*.png", "*.bin"};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The name's extension in lower case, without its dot; empty for none.
std::string Extension(std::string_view fileName) {
  const std::size_t slash = fileName.find_last_of('/');
  if (slash != std::string_view::npos) fileName.remove_prefix(slash + 1);
  const std::size_t dot = fileName.find_last_of('.');
  if (dot == std::string_view::npos || dot == 0) return {};
  std::string ext(fileName.substr(dot + 1));
  std::transform(ext.begin(), ext.end(), ext.begin(), Lower);
  return ext;
}

// A dialog pattern "*.EXT", where "?" in EXT stands for any one character.
bool MatchesPattern(std::string_view ext, std::string_view pattern) {
  if (pattern.size() < 2 || pattern.substr(0, 2) != "*.") return false;
  pattern.remove_prefix(2);
  if (pattern.size() != ext.size() || pattern == "*") return false;
  for (std::size_t i = 0; i < ext.size(); ++i) {
    if (pattern[i] != '?' && Lower(pattern[i]) != ext[i]) return false;
  }
  return true;
}

bool IsPaletteName(std::string_view ext) {
  std::string_view patterns = PaletteImportRows()[kAllPalettesRow].patterns;
  while (!patterns.empty()) {
    const std::size_t end = std::min(patterns.find(';'), patterns.size());
    const std::string_view pattern = patterns.substr(0, end);
    patterns.remove_prefix(std::min(end + 1, patterns.size()));
    const bool ambiguous = std::find(kAmbiguousPatterns.begin(), kAmbiguousPatterns.end(),
                                     pattern) != kAmbiguousPatterns.end();
    if (!ambiguous && MatchesPattern(ext, pattern)) return true;
  }
  return false;
}

bool IsPaletteContent(std::span<const std::uint8_t> head, bool whole) {
  const TPaletteSourceKind kind = DetectPaletteSource(head);
  switch (kind) {
    case TPaletteSourceKind::Unknown: return false;
    // Told by their size alone, which only the whole file shows.
    case TPaletteSourceKind::Act:
    case TPaletteSourceKind::CgramDump:
    case TPaletteSourceKind::GbaPaletteDump: return whole;
    default: return true;
  }
}

}  // namespace

TDroppedFile ClassifyDroppedFile(std::string_view fileName, std::span<const std::uint8_t> head,
                                 bool whole) {
  const std::string ext = Extension(fileName);
  if (ext == "tgl") return TDroppedFile::Document;
  // Content that is plainly something else is refused whatever its name says.
  if (ext != "png" && !IsPaletteName(ext) && !IsPaletteContent(head, whole) &&
      !ForeignContent(head, whole).empty()) {
    return TDroppedFile::Foreign;
  }
  if (std::find(kRomExtensions.begin(), kRomExtensions.end(), ext) != kRomExtensions.end()) {
    return TDroppedFile::Rom;
  }
  if (ext == "png") return TDroppedFile::Picture;
  const bool png = head.size() >= kPngSignature.size() &&
                   std::equal(kPngSignature.begin(), kPngSignature.end(), head.begin());
  if (png || IsPaletteContent(head, whole) || IsPaletteName(ext)) return TDroppedFile::Palette;
  return TDroppedFile::Rom;
}

TDroppedFile ClassifyDroppedFile(const std::string& path, std::string* what) {
  std::vector<std::uint8_t> head;
  bool whole = false;
  try {
    head = ReadFileHead(path, kDropHeadBytes + 1);
    whole = head.size() <= kDropHeadBytes;
  } catch (const TError&) {
    head.clear();  // judged by the name; the action then reports why the file cannot be read
  }
  if (!whole) head.resize(std::min(head.size(), kDropHeadBytes));
  const TDroppedFile kind = ClassifyDroppedFile(path, head, whole);
  if (what != nullptr && kind == TDroppedFile::Foreign) *what = ForeignContent(head, whole);
  return kind;
}

}  // namespace tegulo
