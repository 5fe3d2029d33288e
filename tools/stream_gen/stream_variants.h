// The ways the world writes streams of every scheme: every parse strategy and layout choice
// that the scan must meet, as one list, and the stream of a variant for some data.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "bios_writers.h"
#include "lz_parse.h"
#include "snes2_writers.h"
#include "stream_writers.h"

namespace tegulo::gen {

struct TVariant {
  int scheme = 1;  // row in Compressions
  TParse parse = TParse::kGreedy;
  bool distance1 = true;  // references may copy from one byte back
  TPad pad = TPad::kNone;
  bool zeroRing = false;              // FF5, FF6: zeros taken from the ring before the output
  bool mode11 = true;                 // CT: 11-bit distances, else 12-bit
  TCTMark mark = TCTMark::kHighBits;  // CT: how the first record marks the mode
  THuffmanTree tree = THuffmanTree::kBreadthFirst;  // Huffman: how the tree is built and laid
  // The form another encoder chooses where the format leaves a choice: LC_LZ17 every long copy
  // with a third byte and the end 00 00 00; Koei the unused last code word's place kept; RNC1
  // equal code lengths, chunks of 4 KiB and byte 17 zero; RNC2 byte 17 zero and no literal runs.
  bool otherForm = false;
};

// Diff-8 or Diff-16.
bool IsDiff(const TVariant& v);

// The scheme's name, and for CT its mode and mark: "LZSS-CT 11-bit 0xC0".
std::string SchemeLabel(const TVariant& v);
// "greedy", "lazy no-d1 pad4", "optimal zero-ring", "heavy-first", ...
std::string ParseLabel(const TVariant& v);

// Every variant: for the flag-byte schemes (CT in both modes and both marks, LZ77-11) the
// three parses, with and without distance 1, padded to 4 bytes or not; for FF5 and FF6 an
// optimal parse that takes zeros from the ring, for LZ77-10 and LZ77-11 one padded with 0xFF;
// Huffman in three tree orders; RLE-30 greedy and optimal, Diff, padded or not; the command
// formats greedy and optimal; LC_LZ1 and Konami greedy and shortest, LC_LZ14 greedy without
// and lazy and optimal with zeros before the data, LC_LZ17, Koei and RNC1/RNC2 greedy, lazy
// and optimal, one of them in the other form.
std::vector<TVariant> AllVariants();

// The data of a variant's stream: `data` cut to what the scheme's streams hold (whole 2bpp
// tiles for the command formats, whole units for Diff-16).
std::vector<std::uint8_t> FitData(const TVariant& v, std::vector<std::uint8_t> data);

// The stream of `data` (FitData's) written as `v` says. `data` must fit the scheme (at most
// 65,535 bytes for FF5 and a CT stream below 64 KiB). Empty when the format cannot hold it
// that way (an 8-bit Huffman tree whose offsets do not fit).
std::vector<std::uint8_t> MakeStream(const TVariant& v, std::span<const std::uint8_t> data);

}  // namespace tegulo::gen
