// The compressors of LZ77-10, the FF ring schemes and CT, and the entry point of every scheme's
// compressor: the shortest streams each format allows, which the scheme's decoder turns back into
// the input exactly. Unlike the greedy encoders (tools/greedy), they never rely on what the
// decoders do at their limits: no reference reaches before the first output byte (except into the
// FF schemes' ring, which holds zeros there as the games' decoders keep it), the last token ends
// exactly at the end of the data, and a stream holds nothing after its end but the zeros of
// padToWords.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "compress/ct/ct_writer.h"
#include "compress/flag/flag_streams.h"

namespace tegulo {

struct TCompressOptions {
  // LZ77-10: allow references one byte back. Off by default: GBA code that unpacks straight
  // into video memory writes 16 bits at a time and needs distances of 2 or more.
  bool allowDistance1 = false;
  // LZSS-CT: the offset mode; none picks the one that gives the shorter stream (11-bit on a
  // tie).
  std::optional<TCTMode> ctMode{};
  // The GBA BIOS family (the 4-byte header with a 24-bit size): pad the stream with zeros to
  // a multiple of 4 bytes, as the BIOS tools write them (the BIOS reads in words, and the
  // next stream starts aligned). Off for write-back, where the bytes after a stream are the
  // ROM's own and padding would only make fewer streams fit in their old place.
  bool padToWords = false;
};

// Each compressor takes the options every scheme's compressor takes and reads those of its
// scheme; the others change nothing.

// "LZ77-10": optimal parse over lengths 3..18 and distances 2 (1 when allowed)..4096.
// Throws TError for inputs above 16,777,215 bytes (the header's 24-bit size).
std::vector<std::uint8_t> CompressLZ10(std::span<const std::uint8_t> data,
                                       const TCompressOptions& options = {});

// "LZSS-FF5" / "LZSS-FF6": optimal parse over lengths 3..34 and distances 1..2047 (never the
// ring slot about to be written), sources before the output reading the ring's zeros. FF5 throws
// TError above 65,535 input bytes (its 16-bit size), FF6 when the stream would pass 65,535 bytes
// (its 16-bit length).
std::vector<std::uint8_t> CompressFF5(std::span<const std::uint8_t> data,
                                      const TCompressOptions& options = {});
std::vector<std::uint8_t> CompressFF6(std::span<const std::uint8_t> data,
                                      const TCompressOptions& options = {});

// "LZSS-CT": parse with the fewest bits (9 a literal, 17 a reference; at most 3 bytes above
// the shortest stream of this layout: groups of eight tokens, one record for a last short
// group, the end record) in options.ctMode. Throws TError when a record position would pass
// 65,535.
std::vector<std::uint8_t> CompressCT(std::span<const std::uint8_t> data,
                                     const TCompressOptions& options = {});

// The compressor of a scheme row with one (Compressions; not kSchemeNone), the stream padded
// when the options ask it; throws std::invalid_argument for others.
std::vector<std::uint8_t> CompressStream(int scheme, std::span<const std::uint8_t> data,
                                         const TCompressOptions& options = {});

}  // namespace tegulo
