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
// Evidence of a wave stored as it is: with the list's own command, the evidence that a list
// needs (kCommandFactsEvidence).
inline constexpr std::uint32_t kStoredWaveEvidence = 7;

// kStoredWaveEvidence when the list at `pos` of `rom` opens with a two-byte header of a direct
// copy of `count` bytes (they follow the header) that hold a wave, and the header breaks that
// wave at each of its edges: the byte before it (none at the ROM's start) steps past the mean
// to the header's first byte, the first byte steps far to the wave's first byte, and so does one of
// the two steps through the header. Chance bytes read as such a list inside a wave only where
// the wave itself runs through the header; an encoder's header is foreign to the wave it
// stores and to what lies before. Else 0. The bytes must lie inside `rom`.
std::uint32_t StoredWaveEvidence(std::span<const std::uint8_t> rom, std::size_t pos,
                                 std::size_t count);

}  // namespace tegulo
