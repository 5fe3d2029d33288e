// What the bytes around a list of commands tell: a list whose first command copies a sampled
// wave as it is, and whose header breaks into the wave from outside.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tegulo {

// A direct copy shorter than this tells too little of the wave it holds.
inline constexpr std::size_t kMinWaveBytes = 48;
// The mean step between neighbouring bytes, read as unsigned or as signed samples (whichever
// is the smoother), at most this: a sampled wave. Noise, packed data and code step about 64 to
// 85; tile art jumps between its values.
inline constexpr std::uint32_t kMaxWaveStep = 40;
// A wave seldom jumps: at most one step in kWaveStepsPerJump passes three times the mean step
// and kMinJumpStep (sampled sounds: one in 20 at most). Packed sound whose control bytes
// interrupt its runs of literal samples every few bytes jumps in and out of each.
inline constexpr std::uint32_t kMinJumpStep = 64;
inline constexpr std::uint64_t kWaveStepsPerJump = 16;
// A step counts as a break where it passes twice the wave's mean step (the step into the
// header from before it: the mean step) and this.
inline constexpr std::uint32_t kMinBreakStep = 24;
// Of the four edges where an encoder's bytes meet the wave (the byte before to the header, the
// two steps through the header, the header's first byte to the wave, the end byte after a copy
// that is the whole list), this many at least break it. Inside a wave chance bytes break it
// seldom at any: of the lists of one such copy that 19 MiB of sampled waves (signed and
// unsigned, quiet and loud) hold, 5 % break it at the three edges at the head and 6 % at
// three of the four, while stored waves break it at every edge but one.
inline constexpr int kMinWaveBreaks = 3;
// Evidence of a wave stored as it is: with the list's own command, the evidence that a list
// needs (kCommandFactsEvidence).
inline constexpr std::uint32_t kStoredWaveEvidence = 7;

// kStoredWaveEvidence when the list of `listBytes` at `pos` of `rom` opens with a two-byte
// header of a direct copy of `count` bytes (they follow the header) that hold a wave, and the
// list's bytes break that wave at kMinWaveBreaks of its edges: the byte before the header
// (none at the ROM's start) steps past the mean to the header's first byte; one of the two
// steps through the header steps far; the first byte steps far to the wave's first byte; and
// where the copy is the whole list, its end byte steps far from the last sample or to the byte
// after it (none at the ROM's end). Chance bytes read as such a list inside a wave only where
// the wave itself runs through the header; an encoder's header and end byte are foreign to
// the wave it stores and to what lies around. Else 0. The bytes must lie inside `rom`.
std::uint32_t StoredWaveEvidence(std::span<const std::uint8_t> rom, std::size_t pos,
                                 std::size_t count, std::size_t listBytes);

}  // namespace tegulo
