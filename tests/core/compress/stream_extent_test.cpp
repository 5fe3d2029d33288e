// The extent walks, which write no output, against the bytes the decoders that count input
// consume when they unpack into the working buffer: on packed streams,
// cut and damaged copies, noise, and headers that announce more than the working buffer.
#include "compress/stream_extent.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "compress/bios/bios_schemes.h"
#include "compress/commands/command_formats.h"
#include "compress/compressors.h"
#include "compress/scheme_formats.h"
#include "compress/uCompress.h"
#include "sample_data.h"

using namespace tegulo;
using Bytes = std::vector<std::uint8_t>;

namespace {

// The bytes the decoder of `row` consumes into a fresh working buffer.
std::size_t ConsumedByDecoding(int row, std::span<const std::uint8_t> s) {
  TDecodeBuffer out(kDecodeBufferSize, 0);
  switch (row) {
    case kSchemeLZ10: return DecompressLZ10(s, out);
    case kSchemeFF5: return DecompressFF5(s, out);
    case kSchemeLZ11: return DecompressLZ11(s, out);
    case kSchemeHuffman4: return DecompressHuffman<4>(s, out);
    case kSchemeHuffman8: return DecompressHuffman<8>(s, out);
    case kSchemeRLE30: return DecompressRLE30(s, out);
    case kSchemeDiff8: return DecompressDiff<1>(s, out);
    case kSchemeDiff16: return DecompressDiff<2>(s, out);
    case kSchemeLCLZ2: return DecodeCommands(TCommandFormat::LCLZ2, s, out).consumed;
    case kSchemeLCLZ5: return DecodeCommands(TCommandFormat::LCLZ5, s, out).consumed;
    default: return DecodeCommands(TCommandFormat::HAL, s, out).consumed;
  }
}

}  // namespace

TEST(StreamExtent, WalksCountWhatTheDecodersConsume) {
  std::mt19937 rng(29);
  const Bytes tiles = MakeTileLikeData(1 << 15, 3);
  constexpr int kRows[] = {kSchemeLZ10,     kSchemeFF5,   kSchemeLZ11,  kSchemeHuffman4,
                           kSchemeHuffman8, kSchemeRLE30, kSchemeDiff8, kSchemeDiff16,
                           kSchemeLCLZ2,    kSchemeLCLZ5, kSchemeHAL};
  for (const int row : kRows) {
    const char* name = SchemeFormats()[row].name;
    for (int round = 0; round < 60; ++round) {
      const std::size_t len = 1 + rng() % 6000;
      const std::size_t at = rng() % (tiles.size() - len);
      Bytes stream = CompressStream(row, std::span(tiles).subspan(at, len));
      switch (round % 5) {
        case 1: stream.resize(rng() % stream.size()); break;  // cut
        case 2:                                               // bytes changed
          for (int k = 0; k < 6; ++k) stream[rng() % stream.size()] ^= 1u << (rng() % 8);
          break;
        case 3:  // noise under the header
          for (std::size_t i = 4; i < stream.size(); ++i)
            stream[i] = static_cast<std::uint8_t>(rng());
          break;
        case 4:  // a size above the working buffer, or a stream read on past its end
          if (stream.size() > 4) stream[3] = static_cast<std::uint8_t>(0x10 + rng() % 0xF0);
          stream.resize(stream.size() + 3000, static_cast<std::uint8_t>(rng()));
          break;
        default: break;
      }
      ASSERT_EQ(StreamBytesUsed(row, stream), ConsumedByDecoding(row, stream))
          << name << " round " << round;
    }
  }
}
