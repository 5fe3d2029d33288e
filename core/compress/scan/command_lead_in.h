// Chance commands that run into a real list of commands: bytes before a stream of the command
// formats often read as a command or two whose walk meets the stream's own and ends with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "compress/shared/stream_check.h"

namespace tegulo {

// Chance bytes read as a short list of fills; a list with less evidence than this (its
// commands, a copy counting more) is told from them by its content alone.
inline constexpr std::uint32_t kCommandFactsEvidence = 8;

// Commands in a row that chance bytes before a stream make up often enough to count as no
// evidence: a fill or two, or a direct copy that takes the bytes up to the stream's start.
inline constexpr std::size_t kLeadInCommands = 2;

// For two hits of the command formats (any two of them) that end at one byte, `later` starting
// inside `earlier`: whether `earlier` is a lead-in of chance bytes into `later`. The commands
// of each before the two walks meet are its own, the rest is the same bytes. Where `earlier`'s
// own commands are at most eight that chance bytes make (fills of a value other than zero,
// direct copies shorter than the longest), the shared ones tell first: their copies read the
// output from two starts, and where fewer of them stop short of their match from one start (an
// encoder makes each as long as it matches), that is the stream's. Otherwise, or where as many
// do, the shared part tells nothing, and `earlier` is a lead-in where its own commands are at
// most kLeadInCommands that chance bytes make (a stream that starts with blank data or with a
// copy is no such thing), and `later`'s own commands are none, or at least
// kCommandFactsEvidence, or hold one that chance bytes seldom make (a fill of zeros, a copy, a
// direct copy of the longest count): evidence of their own, which a few chance commands read in
// the literal bytes of a real stream lack. False for hits of other schemes or that end apart.
bool IsCommandLeadIn(std::span<const std::uint8_t> rom, const TScanHit& earlier,
                     const TScanHit& later);

// The offset into `hit`'s stream after which no later stream can find it a lead-in (the
// start of its first command that no lead-in holds): the scan checks its scheme's positions
// up to there although the hit hides the rest. 0 for hits of other schemes.
std::size_t CommandLeadInReach(std::span<const std::uint8_t> rom, const TScanHit& hit);

}  // namespace tegulo
