// The score of a filter's stream (Diff-8, Diff-16): no rule that chance bytes break, so the
// figures of its differences and of its output decide.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tegulo {

// What tells the differences of real data from bytes that only follow a chance header. Each
// figure is taken over the sample: `body` the stored differences, `output` the running sums.
// With 16-bit units the byte figures read the units' high bytes, which carry a sample's or a
// colour's shape (the low bytes of sound are noise either way); the entropies of all bytes
// are kept beside them.
struct TFilterFacts {
  double outEntropy = 0;        // bits per byte of the output
  double bodyEntropy = 0;       // the same of the differences
  double outBytesEntropy = 0;   // 16-bit units: of every byte of the output
  double bodyBytesEntropy = 0;  // 16-bit units: of every byte of the differences
  double smallShare = 0;        // units whose difference lies within kSmallStep of 0
  double kept = 0;              // bytes of the output's second half at a value its first half holds
  int gap = 0;             // the longest arc of byte values (0xFF next to 0) the output never holds
  double clearTop = 0;     // 16-bit units of the output with bit 15 clear (15-bit colours)
  std::size_t levels = 0;  // runs of at least kLevelRun equal units in the output
  std::size_t returns = 0;      // of those, the ones at a level of one of the kLevelMemory before
  std::size_t zeroLevels = 0;   // of the runs, those at 0
  std::size_t zeroReturns = 0;  // of those, the ones after a unit of the output that is not 0
  double zeroShare = 0;         // units of the output that are 0
  double flatShare = 0;         // units of the output inside the runs counted in `levels`
  std::size_t outValues = 0;    // byte values the output holds (all its bytes)
  std::size_t bodyValues = 0;   // the same of the differences
  double centre = 0;            // short outputs: |mean| of the units read signed, over their range
  double outColours = 0;        // short outputs: colours per whole 4bpp planar tile (0: none)
  double bodyColours = 0;       // short outputs: the same of the differences
  double steady = 0;     // the correlation of each unit of the output, read signed, with the next
  double centreAll = 0;  // centre over the whole output
};
inline constexpr int kSmallStep8 = 8;
inline constexpr int kSmallStep16 = 0x800;
inline constexpr std::size_t kLevelRun = 4;
inline constexpr std::size_t kLevelMemory = 8;
// The longest output whose colours as tiles, centre and short wave are weighed: over more
// bytes the entropies, the range and the return to its values say the same more surely.
inline constexpr std::size_t kFewValuesOutput = 256;

// `body` and `output` of one length; `unitBytes` 1 or 2.
TFilterFacts FilterFacts(std::span<const std::uint8_t> body, std::span<const std::uint8_t> output,
                         int unitBytes);

// 0..100 from the facts. A real stream shows one of the things that chance headers almost
// never show, where the running sum of unfiltered data is nearer noise than the data, drifts,
// or moves to a new level after each burst:
//  - an output clearly simpler than its differences (a filtered picture, text, map), or one
//    that holds clearly fewer byte values than its differences (tiles, a map's words: data
//    of few values gives differences of more, and a running sum of such data more values
//    again), or, over a short output, read as 4bpp tiles fewer colours a tile (tiles of many
//    byte values still draw with a few colours, the differences of any data with many);
//  - small differences of an output that holds in its second half the values of its first
//    and stays in a bounded range (an arc of byte values never met), where the differences
//    are the simpler or the output has many values over a long sample (sound, ramps, maps);
//  - over a short output, small steps of many sizes swinging both ways round 0 in a range it
//    keeps well inside (a few hundred samples of sound; a short wave to one side of 0 is no
//    sound, it is the running sum of quiet sound behind a chance header);
//  - a wave: an output whose each unit lies near the one before, with no flats, centred on 0,
//    in a range it keeps and no more than a little more complex than its differences (sound
//    of any length, where a long wave's range or its many values fall short);
//  - 16-bit units: differences far simpler than an output of 15-bit colours in a bounded range;
//  - an output that keeps coming back to the levels it left (sparse data), or mostly 0 and
//    back at 0 after each burst;
//  - differences that are all 0 up to the size stated and not one byte further (the padding
//    to 4 bytes aside): a filtered blank; `after` holds the bytes that follow the stream;
//  - 16-bit units, all differences 0 and a header alone among zeros: `before` holds the bytes
//    before the header.
// A stream under the 8-bit header's other type byte (0x80) needs surer facts. An output whose
// runs keep moving to new levels gets no credit. The output must hold more
// than one value and not be noise; a short one scores less. `stream` starts at the header.
// `needed`: a score that cannot reach it may come back as any lower value.
int FilteredScore(std::span<const std::uint8_t> stream, std::span<const std::uint8_t> output,
                  int unitBytes, int needed = 0, std::span<const std::uint8_t> after = {},
                  std::span<const std::uint8_t> before = {});

}  // namespace tegulo
