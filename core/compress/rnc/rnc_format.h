// Rob Northen's ProPack methods 1 and 2 ("RNC1", "RNC2"): the 18-byte header they share, its
// CRC16, the bit streams of both methods, and the functions of their scheme rows.
//
// Header: "RNC", the method (1 or 2), the decoded size and the packed size (the bytes after
// the header) as 32-bit big-endian, the CRC16 of the decoded and of the packed data (16-bit
// big-endian), a leeway byte (ignored) and the chunk count (RNC1: chunks, checked when not 0;
// RNC2: blocks, ignored; the compressors write the real count for both).
//
// The decoders read at most the packed size after the header (less where the stream ends
// first: a stream cut short, not reported), lengthen `output` to the decoded size when it is
// shorter, never write past it, and return the bytes the header says the stream takes (cut to
// the stream's length). *notValid is set when the stream breaks a rule: no "RNC" signature or
// another method, a decoded size above kMaxSize, the key bit set (encrypted), a Huffman code
// or table that is not one, a copy from before the first byte or past the decoded size, packed
// data that runs out before the packed size ends or is left over after the decoded size, a
// chunk count that differs (RNC1), or either CRC not matching.
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

namespace rnc {
inline constexpr std::size_t kHeaderSize = 18;
inline constexpr std::uint8_t kSignature[3] = {0x52, 0x4E, 0x43};  // "RNC"
// The most output a decoder writes and a compressor takes (the size field holds 32 bits).
inline constexpr std::uint32_t kMaxSize = 0xFFFFFF;
// The most output a scan hit may announce: the working buffer.
inline constexpr std::uint32_t kMaxScanSize = 1U << 20U;
// Copies: RNC1 lengths 2..32769 and distances 1..32768; RNC2 lengths 2..263, distances
// 1..4096 (1..256 for a copy of 2).
inline constexpr std::uint32_t kRnc1MaxLength = 32769;
inline constexpr std::uint32_t kRnc1MaxDistance = 32768;
inline constexpr std::uint32_t kRnc2MaxLength = 263;
inline constexpr std::uint32_t kRnc2MaxDistance = 4096;

struct THeader {
  int method = 0;
  std::uint32_t rawSize = 0;
  std::uint32_t packedSize = 0;
  std::uint16_t rawCrc = 0;
  std::uint16_t packedCrc = 0;
  std::uint8_t leeway = 0;
  std::uint8_t chunks = 0;
};

// CRC-16/ARC (reflected 0xA001, initial 0, no final XOR).
std::uint16_t Crc16(std::span<const std::uint8_t> data);

// The header at the stream's start when it has the signature and is whole.
std::optional<THeader> ReadHeader(std::span<const std::uint8_t> stream);
// The header of `packed` (the bytes after it) for `raw`.
std::vector<std::uint8_t> MakeHeader(int method, std::span<const std::uint8_t> raw,
                                     std::span<const std::uint8_t> packed, std::uint8_t chunks);
// Writes the header into the first kHeaderSize bytes of `stream`, kept for it, for the packed
// bytes after them: the stream is written in place, without a copy.
void PutHeader(int method, std::span<const std::uint8_t> raw, std::vector<std::uint8_t>& stream,
               std::uint8_t chunks);
// Throws TError naming the scheme when `size` passes kMaxSize.
void CheckSize(const char* scheme, std::size_t size);

// Where a decoder reads its packed data, and what became of it.
struct TPacked {
  std::span<const std::uint8_t> data;  // the packed bytes the stream holds
  bool whole = false;                  // the stream holds all the header announces
};

// The common part of both decoders: the header checks, the lengthened output and the packed
// bytes; nothing when no decoding can start (notValid set where the header is not one).
struct TStart {
  THeader header;
  TPacked packed;
};
std::optional<TStart> StartDecode(std::span<const std::uint8_t> stream, int method,
                                  TDecodeBuffer& output, bool* notValid);
// The CRCs and the end: the packed data all used, the CRCs matching; false where one fails.
bool FinishDecode(const TStart& start, std::size_t used, std::span<const std::uint8_t> output);
// The bytes the header says the stream takes, cut to the stream (18 without the signature).
std::size_t HeaderExtent(std::span<const std::uint8_t> stream);

}  // namespace rnc

// The decoders; they return the bytes the header says the stream takes. The second forms
// also give the count of chunks (RNC1) or blocks (RNC2) decoded.
std::uint32_t DecompressRNC1(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* notValid);
std::uint32_t DecompressRNC2(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* notValid);
std::uint32_t DecompressRNC1(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* notValid,
                             std::size_t* chunks);
std::uint32_t DecompressRNC2(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* notValid,
                             std::size_t* blocks);

// RNC2: a shortest stream in bytes (an exact shortest parse; one block).
// RNC1: the shortest found in chunks of at most kRnc1ChunkSize bytes, each the best of a few
// rounds of an exact parse for given code lengths and Huffman codes rebuilt from that parse.
// Both throw TError above rnc::kMaxSize bytes.
inline constexpr std::size_t kRnc1ChunkSize = 0x7FFF;
// Neither reads an option.
std::vector<std::uint8_t> CompressRNC1(std::span<const std::uint8_t> data,
                                       const TCompressOptions& options = {});
std::vector<std::uint8_t> CompressRNC2(std::span<const std::uint8_t> data,
                                       const TCompressOptions& options = {});

// Scan: the signature and method at pos, a decoded size of minSize..rnc::kMaxScanSize, the
// packed data inside the ROM with its CRC matching, and a test decode that breaks no rule.
std::optional<TScanHit> CheckRNC1Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                     std::uint32_t minSize, TStreamStats* stats);
std::optional<TScanHit> CheckRNC2Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                     std::uint32_t minSize, TStreamStats* stats);
// The bytes the header says the stream takes (either method), cut to the stream.
std::size_t StreamExtentRNC(std::span<const std::uint8_t> s);

}  // namespace tegulo
