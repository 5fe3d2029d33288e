// The SNES command-byte formats "LC_LZ2", "LC_LZ5", "HAL" and "LC_LZ1": a list of commands, each a
// header of one byte (3-bit command, 5-bit count) or two (111, command, 10-bit count), then
// its arguments; the byte 0xFF ends the list. No header and no size. Each format is a table
// of what its eight commands do (TCommandFormat); a new format of the family is one more
// table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "compress/compressors.h"
#include "compress/shared/stream_check.h"
#include "compress/uCompress.h"

namespace tegulo {

namespace command {

inline constexpr std::size_t kMaxCount = 1024;    // a long header's count
inline constexpr std::size_t kShortCount = 32;    // a short header's count
inline constexpr std::size_t kMaxXorCount = 768;  // command 7's: its long header's count

// What a command does. Copies read the output written so far, forward unless stated.
enum TKind : std::uint8_t {
  kDirect,       // n bytes of the stream, as they are
  kByteFill,     // one byte, n times
  kWordFill,     // two bytes a b: a b a b ...
  kIncFill,      // one byte v: v, v + 1, ... (mod 256)
  kRepeat,       // a copy from an absolute address
  kRepeatXor,    // the same, each byte complemented
  kRepeatBits,   // the same, each byte's bit order reversed
  kRepeatBack,   // a copy from an absolute address read backwards: A, A - 1, ...
  kRelative,     // a copy from a back-distance of one byte (1..255)
  kRelativeXor,  // the same, each byte complemented
  kKinds,
  kInvalid = kKinds  // an undefined command: the stream breaks the format's rules
};

// Where a command's source lies.
enum class TAddress : std::uint8_t { kNone, kAbsolute, kRelative };

// A command number's meaning in one format.
struct TRule {
  TKind kind = kInvalid;
  std::uint8_t argBytes = 0;  // after the header; a direct copy's bytes are its count
  std::uint8_t unit = 1;      // output bytes per count (HAL's word fill counts pairs)
  bool longOnly = false;      // reached only by the two-byte header (command 7)
  bool alias = false;         // decoders accept it as another command; no encoder writes it
  TAddress address = TAddress::kNone;
  std::uint16_t maxCount = 1024;  // 768 for command 7: a count of 769..1024 starts with 0xFF

  bool operator==(const TRule&) const = default;
};

inline constexpr TRule kDirectRule{.kind = kDirect};
inline constexpr TRule kByteFillRule{.kind = kByteFill, .argBytes = 1};
inline constexpr TRule kWordFillRule{.kind = kWordFill, .argBytes = 2};
inline constexpr TRule kIncFillRule{.kind = kIncFill, .argBytes = 1};
inline constexpr TRule kNoRule{};

constexpr TRule Absolute(TKind kind) {
  return {.kind = kind, .argBytes = 2, .address = TAddress::kAbsolute};
}

}  // namespace command

// A format of the family: its eight commands and the byte order of its absolute addresses.
// Every part of the family (decoder, scan checker, compressor and its reach search) reads
// its meaning from here. The header is the same in all of them: one byte CCCNNNNN for
// counts 1..32, two bytes 111CCCNN NNNNNNNN for counts 1..1024; a first byte 0xFF ends the
// stream.
struct TCommandFormat {
  const char* name;
  std::array<command::TRule, 8> commands;
  bool bigEndian;  // of absolute addresses

  static const TCommandFormat LCLZ2;
  static const TCommandFormat LCLZ5;
  static const TCommandFormat HAL;
  static const TCommandFormat LCLZ1;

  bool operator==(const TCommandFormat&) const = default;

  // The first command number of `kind` that an encoder writes, or -1.
  constexpr int CommandOf(command::TKind kind) const {
    for (int c = 0; c < 8; ++c) {
      if (commands[c].kind == kind && !commands[c].alias) return c;
    }
    return -1;
  }
  constexpr bool Has(command::TKind kind) const { return CommandOf(kind) >= 0; }
  constexpr const command::TRule& Rule(command::TKind kind) const {
    return commands[CommandOf(kind)];
  }
};

inline constexpr TCommandFormat TCommandFormat::LCLZ2{
    .name = "LC_LZ2",
    .commands = {command::kDirectRule, command::kByteFillRule, command::kWordFillRule,
                 command::kIncFillRule, command::Absolute(command::kRepeat), command::kNoRule,
                 command::kNoRule, command::kNoRule},
    .bigEndian = true};

inline constexpr TCommandFormat TCommandFormat::LCLZ5{
    .name = "LC_LZ5",
    .commands = {command::kDirectRule,
                 command::kByteFillRule,
                 command::kWordFillRule,
                 command::kIncFillRule,
                 command::Absolute(command::kRepeat),
                 command::Absolute(command::kRepeatXor),
                 {.kind = command::kRelative,
                  .argBytes = 1,
                  .address = command::TAddress::kRelative},
                 {.kind = command::kRelativeXor,
                  .argBytes = 1,
                  .longOnly = true,
                  .address = command::TAddress::kRelative,
                  .maxCount = 768}},
    .bigEndian = false};

inline constexpr TCommandFormat TCommandFormat::HAL{
    .name = "HAL",
    .commands = {command::kDirectRule,
                 command::kByteFillRule,
                 {.kind = command::kWordFill, .argBytes = 2, .unit = 2},
                 command::kIncFillRule,
                 command::Absolute(command::kRepeat),
                 command::Absolute(command::kRepeatBits),
                 command::Absolute(command::kRepeatBack),
                 // The games' decoders read command 7 as command 4.
                 {.kind = command::kRepeat,
                  .argBytes = 2,
                  .longOnly = true,
                  .alias = true,
                  .address = command::TAddress::kAbsolute,
                  .maxCount = 768}},
    .bigEndian = true};

// LC_LZ2 with the repeat's address little-endian.
inline constexpr TCommandFormat TCommandFormat::LCLZ1{
    .name = "LC_LZ1", .commands = TCommandFormat::LCLZ2.commands, .bigEndian = false};

// Addresses are 16-bit: no stream of these formats describes more output than this.
inline constexpr std::size_t kCommandOutputLimit = 65536;
// A command's count: 1..32 in a one-byte header, 1..1024 in a two-byte one.
inline constexpr std::uint32_t kCommandMaxCount = 1024;
// LC_LZ5's relative copies reach 1..255 bytes back.
inline constexpr std::uint32_t kCommandMaxBack = 255;

enum class TCommandEnd : std::uint8_t {
  kEnd,        // the end byte was read
  kTruncated,  // the stream ended before a header, an argument or the end byte
  kFull,       // a write would have passed the end of `output` or 65,536 bytes
  kInvalid,    // an undefined command, or a source at or after the output position
};

struct TCommandResult {
  std::uint32_t consumed = 0;  // stream bytes read, the end byte included
  std::uint32_t written = 0;
  TCommandEnd end = TCommandEnd::kEnd;
  std::uint32_t commands = 0;  // commands decoded, the end byte not counted
  std::uint32_t copies = 0;    // of them repeats (copies from the output)
  std::uint32_t copyBytes = 0;
};

// Decodes into `output` from index 0 up to its size (at most 65,536 bytes; the caller sizes
// it). Stops at the end byte or where the result says; output written stays. A repeat's
// source must start before the output position (and a backward repeat stay at or after 0):
// the games would read stale memory there, so such a stream is invalid.
TCommandResult DecodeCommands(const TCommandFormat& format, std::span<const std::uint8_t> stream,
                              TDecodeBuffer& output);

// The stream bytes DecodeCommands reads when it decodes into the working buffer, found with
// an output of 65,536 bytes (all a stream can describe).
std::size_t StreamExtentCommands(const TCommandFormat& format,
                                 std::span<const std::uint8_t> stream);

// The shortest stream of the format for `data`: an exact cheapest path over every command
// and length. Throws TError above 65,536 bytes.
std::vector<std::uint8_t> CompressCommands(const TCommandFormat& format,
                                           std::span<const std::uint8_t> data);

// SNES command formats: the stream ends with its end byte, breaks no rule of the format,
// writes minSize..65,536 bytes and a multiple of 16 (whole 2bpp tiles), and never has two
// direct copies in a row (the first short of 1024), which an encoder would have joined.
std::optional<TScanHit> CheckLCLZ2Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                      std::uint32_t minSize, TStreamStats* stats);
std::optional<TScanHit> CheckLCLZ5Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                      std::uint32_t minSize, TStreamStats* stats);
std::optional<TScanHit> CheckHALHit(std::span<const std::uint8_t> rom, std::size_t pos,
                                    std::uint32_t minSize, TStreamStats* stats);
std::optional<TScanHit> CheckLCLZ1Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                      std::uint32_t minSize, TStreamStats* stats);

// The positions whose lists of commands end at their end byte with output the checker takes
// (minSize..65,536 bytes, a multiple of 16, every copy reading written bytes): bit p % 64 of
// candidates[p / 64]. The checker refuses every other position; its other rules, and the
// score's facts (factsOnly is not looked at), are its own. One backward pass over the ROM
// (scan/command_prefilter.cpp).
void PrefilterLCLZ2(std::span<const std::uint8_t> rom, std::uint32_t minSize, bool factsOnly,
                    std::vector<std::uint64_t>& candidates);
void PrefilterLCLZ5(std::span<const std::uint8_t> rom, std::uint32_t minSize, bool factsOnly,
                    std::vector<std::uint64_t>& candidates);
void PrefilterHAL(std::span<const std::uint8_t> rom, std::uint32_t minSize, bool factsOnly,
                  std::vector<std::uint64_t>& candidates);
void PrefilterLCLZ1(std::span<const std::uint8_t> rom, std::uint32_t minSize, bool factsOnly,
                    std::vector<std::uint64_t>& candidates);
// The candidates of several of the four at once (TSharedPrefilter), rows[k] one of their rows:
// one pass for all.
void PrefilterCommandRows(std::span<const std::uint8_t> rom, std::uint32_t minSize, bool factsOnly,
                          std::span<const int> rows,
                          std::span<std::vector<std::uint64_t>> candidates);

// The copies from the output whose bytes, as far as `output` (the stream's decoded start)
// holds them, a fill writes for less: a run of one byte or a rising run. No encoder copies
// those; a stream read from the wrong start or in the wrong format of the family does.
std::uint32_t WastefulLCLZ2Copies(std::span<const std::uint8_t> stream,
                                  std::span<const std::uint8_t> output);
std::uint32_t WastefulLCLZ5Copies(std::span<const std::uint8_t> stream,
                                  std::span<const std::uint8_t> output);
std::uint32_t WastefulHALCopies(std::span<const std::uint8_t> stream,
                                std::span<const std::uint8_t> output);
std::uint32_t WastefulLCLZ1Copies(std::span<const std::uint8_t> stream,
                                  std::span<const std::uint8_t> output);

// One format's decoder, extent walk and compressor, the format a template argument: the
// decoder returns the bytes written and sets *notValid (when given) to whether the stream broke
// a rule (an undefined command, a source not yet written). The compressor reads no option.
template <const TCommandFormat& F>
std::uint32_t DecompressCommands(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                                 bool* notValid = nullptr) {
  const TCommandResult r = DecodeCommands(F, stream, output);
  if (notValid != nullptr) *notValid = r.end == TCommandEnd::kInvalid;
  return r.written;
}
template <const TCommandFormat& F>
std::size_t StreamExtentCommands(std::span<const std::uint8_t> stream) {
  return StreamExtentCommands(F, stream);
}
template <const TCommandFormat& F>
std::vector<std::uint8_t> CompressCommands(std::span<const std::uint8_t> data,
                                           const TCompressOptions& /*options*/ = {}) {
  return CompressCommands(F, data);
}

// The scheme name of a format, as in the lists.
inline const char* CommandFormatName(const TCommandFormat& format) { return format.name; }

}  // namespace tegulo
