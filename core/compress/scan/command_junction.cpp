// The evidence at the edges of a list of commands that stores a wave as it is.
#include "compress/scan/command_junction.h"

#include <cstdlib>
#include <utility>

namespace tegulo {
namespace {

// The step between two samples, read as unsigned bytes (flip 0) or as signed ones (flip 0x80:
// the values around zero side by side).
std::uint64_t Step(std::uint8_t a, std::uint8_t b, std::uint8_t flip) {
  return static_cast<std::uint64_t>(std::abs(int{a ^ flip} - int{b ^ flip}));
}

// The sum of the steps between neighbours in each reading: unsigned, signed.
std::pair<std::uint64_t, std::uint64_t> Steps(std::span<const std::uint8_t> wave) {
  std::uint64_t plain = 0;
  std::uint64_t flipped = 0;
  for (std::size_t k = 1; k < wave.size(); ++k) {
    plain += Step(wave[k], wave[k - 1], 0);
    flipped += Step(wave[k], wave[k - 1], 0x80);
  }
  return {plain, flipped};
}

}  // namespace

std::uint32_t StoredWaveEvidence(std::span<const std::uint8_t> rom, std::size_t pos,
                                 std::size_t count, std::size_t listBytes) {
  if (count < kMinWaveBytes) return 0;
  const auto wave = rom.subspan(pos + 2, count);
  // Samples are unsigned or signed: the reading in which the wave runs the smoother.
  const auto [unsignedSteps, signedSteps] = Steps(wave);
  const std::uint8_t flip = signedSteps < unsignedSteps ? 0x80 : 0;
  const std::uint64_t steps = flip != 0 ? signedSteps : unsignedSteps;
  const std::uint64_t gaps = count - 1;
  if (steps > kMaxWaveStep * gaps) return 0;
  // A step that passes `times` the mean step (steps / gaps) and `least`.
  const auto passes = [&](std::uint8_t a, std::uint8_t b, std::uint64_t times,
                          std::uint64_t least) {
    const std::uint64_t s = Step(a, b, flip);
    return s > least && s * gaps > times * steps;
  };
  std::uint64_t jumps = 0;
  for (std::size_t k = 1; k < count; ++k) jumps += passes(wave[k], wave[k - 1], 3, kMinJumpStep);
  if (jumps * kWaveStepsPerJump > gaps) return 0;
  const std::uint8_t h0 = rom[pos];
  const std::uint8_t h1 = rom[pos + 1];
  // What lies before is often a filler of 00 or FF, a step of about 32 to a header: there a
  // step past the mean is enough.
  const bool before = pos == 0 || passes(rom[pos - 1], h0, 1, kMinBreakStep);
  const bool through = passes(h0, h1, 2, kMinBreakStep) || passes(h1, wave[0], 2, kMinBreakStep);
  const bool into = passes(h0, wave[0], 2, kMinBreakStep);
  // Where the copy is the whole list, its end byte breaks out of the wave as well: it steps far
  // from the last sample, or the byte after it (none at the ROM's end) from it.
  bool out = false;
  if (listBytes == count + 3) {
    const std::size_t end = pos + 2 + count;
    out = passes(wave[count - 1], rom[end], 2, kMinBreakStep) || end + 1 >= rom.size() ||
          passes(rom[end], rom[end + 1], 2, kMinBreakStep);
  }
  const int breaks = int{before} + int{through} + int{into} + int{out};
  return breaks >= kMinWaveBreaks ? kStoredWaveEvidence : 0;
}

}  // namespace tegulo
