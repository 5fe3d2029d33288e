// What a file dropped on the window is: a picture, a document, a palette source or a ROM.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tegulo {

// Foreign: content that is plainly something else than a ROM (text, an image, an archive or a
// program), which the window refuses to open as one.
enum class TDroppedFile { Picture, Document, Palette, Rom, Foreign };

// The bytes of a file's start that decide its kind; a file no longer than this is read whole,
// so that the palette dumps told apart by their size are known too.
inline constexpr std::size_t kDropHeadBytes = 4096;

// What a file's start shows it to be when that is plainly no ROM: "text", "a JPEG image",
// "a GIF image", "a BMP image", "a WebP image", "a PDF document", "a ZIP archive", "a gzip
// archive", "a 7z archive", "a RAR archive", "a bzip2 archive", "an xz archive", "a zstd
// archive", "an ELF program"; empty for anything else (an empty head too). Text is a head of
// printable ASCII, tabs, line ends and well-formed UTF-8 (a sequence cut by the head's end
// counts when `whole` is false).
std::string ForeignContent(std::span<const std::uint8_t> head, bool whole);

// "NAME is text, not a ROM; nothing was opened." for a Foreign file (its name without folders).
std::string ForeignFileText(std::string_view fileName, const std::string& what);

// Decides by name and content, in this order: a ".tgl" name is a document, content that
// ForeignContent names is foreign, a ROM extension
// (".smc", ".sfc", ".gba") a ROM; a ".png" name is a picture, while PNG content under another
// name is an mGBA state; content that a palette import recognises is a palette source, as is
// a name the palette import's dialog lists (".zst", ".gpl", ".sgm"...); anything else is a
// ROM. `head` is the file's start; `whole` says whether it is the whole file. Letter case
// plays no part in names.
TDroppedFile ClassifyDroppedFile(std::string_view fileName, std::span<const std::uint8_t> head,
                                 bool whole);

// Reads at most kDropHeadBytes + 1 bytes of the file (without blocking on special files) and
// classifies it; `what` (when given) gets ForeignContent's name for a Foreign file. A file that
// cannot be read is judged by its name alone, so that the action it leads to reports the failure as
// the button would.
TDroppedFile ClassifyDroppedFile(const std::string& path, std::string* what = nullptr);

}  // namespace tegulo
