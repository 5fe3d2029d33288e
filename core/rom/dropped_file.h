// What a file dropped on the window is: a picture, a document, a palette source or a ROM.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tegulo {

enum class TDroppedFile { Picture, Document, Palette, Rom };

// The bytes of a file's start that decide its kind; a file no longer than this is read whole,
// so that the palette dumps told apart by their size are known too.
inline constexpr std::size_t kDropHeadBytes = 4096;

// Decides by name and content, in this order: a ".tgl" name is a document, a ROM extension
// (".smc", ".sfc", ".gba") a ROM; a ".png" name is a picture, while PNG content under another
// name is an mGBA state; content that a palette import recognises is a palette source, as is
// a name the palette import's dialog lists (".zst", ".gpl", ".sgm"...); anything else is a
// ROM. `head` is the file's start; `whole` says whether it is the whole file. Letter case
// plays no part in names.
TDroppedFile ClassifyDroppedFile(std::string_view fileName, std::span<const std::uint8_t> head,
                                 bool whole);

// Reads at most kDropHeadBytes + 1 bytes of the file (without blocking on special files) and
// classifies it. A file that cannot be read is judged by its name alone, so that the action
// it leads to reports the failure as the button would.
TDroppedFile ClassifyDroppedFile(const std::string& path);

}  // namespace tegulo
