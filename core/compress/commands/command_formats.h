// The SNES command-byte formats "LC_LZ2", "LC_LZ5", "HAL" and "LC_LZ1": a list of commands, each a
// header of one byte (3-bit command, 5-bit count) or two (111, command, 10-bit count), then
// its arguments; the byte 0xFF ends the list. No header and no size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "compress/compressors.h"
#include "compress/shared/stream_check.h"
#include "compress/uCompress.h"

namespace tegulo {

// LC_LZ1 is LC_LZ2 with the repeat's address little-endian.
enum class TCommandFormat : std::uint8_t { LCLZ2, LCLZ5, HAL, LCLZ1 };

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
TCommandResult DecodeCommands(TCommandFormat format, std::span<const std::uint8_t> stream,
                              TDecodeBuffer& output);

// The stream bytes DecodeCommands reads when it decodes into the working buffer, found with
// an output of 65,536 bytes (all a stream can describe).
std::size_t StreamExtentCommands(TCommandFormat format, std::span<const std::uint8_t> stream);

// The shortest stream of the format for `data`: an exact cheapest path over every command
// and length. Throws TError above 65,536 bytes.
std::vector<std::uint8_t> CompressCommands(TCommandFormat format,
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

// One format's decoder, extent walk and compressor in the scheme table's shapes: the decoder
// returns the bytes written and sets *notValid to whether the stream broke a rule (an
// undefined command, a source not yet written).
template <TCommandFormat F>
std::uint32_t DecompressCommands(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                                 bool* notValid);
template <TCommandFormat F>
std::size_t StreamExtentCommands(std::span<const std::uint8_t> stream);
template <TCommandFormat F>
std::vector<std::uint8_t> CompressCommands(std::span<const std::uint8_t> data,
                                           const TCompressOptions& options);

// The scheme name of a format, as in the lists.
const char* CommandFormatName(TCommandFormat format);

}  // namespace tegulo
