// The decoders' fast paths against their careful loops on packed tile data, on damaged
// copies of it (bytes changed, streams cut, headers that announce other sizes) and on
// noise, into output arrays of several lengths that are not cleared.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "compress/scheme_formats.h"
#include "decoder_paths_check.h"
#include "greedy_encoders.h"
#include "sample_data.h"

using namespace tegulo;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Pack(int scheme, std::span<const std::uint8_t> data) {
  switch (scheme) {
    case 1: return EncodeLZ10(data);
    case 2: return EncodeFF5(data);
    case 3: return EncodeFF6(data);
    default: return EncodeCT(data, data.size() % 2 ? TCTMode::Bits11 : TCTMode::Bits12);
  }
}

std::string_view SchemeName(int row) { return kSchemeRows[row].name; }

}  // namespace

TEST(DecoderPaths, AgreeOnPackedDamagedAndNoisyStreams) {
  std::mt19937 rng(13);
  const Bytes tiles = MakeTileLikeData(1 << 16, 7);
  for (int scheme = 1; scheme <= 4; ++scheme) {
    for (int round = 0; round < 300; ++round) {
      const std::size_t len = 1 + rng() % 8000;
      const std::size_t at = rng() % (tiles.size() - len);
      Bytes data(tiles.begin() + static_cast<std::ptrdiff_t>(at),
                 tiles.begin() + static_cast<std::ptrdiff_t>(at + len));
      if (round % 5 == 4) {
        for (auto& b : data) b = static_cast<std::uint8_t>(rng());
      }
      Bytes stream = Pack(scheme, data);
      const int damage = round % 4;
      if (damage == 1) {
        for (int k = 0; k < 4; ++k)
          stream[rng() % stream.size()] = static_cast<std::uint8_t>(rng());
      } else if (damage == 2) {
        stream.resize(rng() % stream.size());
      } else if (damage == 3 && stream.size() > 4) {
        // Another announced size, length or record distance.
        stream[1] = static_cast<std::uint8_t>(rng());
        if (scheme != 1) stream[0] = static_cast<std::uint8_t>(rng());
      }
      static constexpr std::size_t kOutputs[] = {0, 17, 300, 4096, 70000};
      const std::size_t outputSize = kOutputs[rng() % 5];
      const auto fill = static_cast<std::uint8_t>(rng());
      ASSERT_TRUE(fuzz::DecoderPathsAgree(scheme, stream, outputSize, fill))
          << SchemeName(scheme) << ", round " << round << ", damage " << damage << ", output "
          << outputSize << ", stream of " << stream.size();
    }
  }
}

// References before the output start and CT's distance 0 inside groups the fast path takes.
TEST(DecoderPaths, AgreeOnReferencesBeforeTheStart) {
  std::mt19937 rng(5);
  for (int scheme = 1; scheme <= 4; ++scheme) {
    for (int round = 0; round < 200; ++round) {
      Bytes stream(2000);
      for (auto& b : stream) b = static_cast<std::uint8_t>(rng());
      if (scheme == 1) {
        stream[0] = 0x10;
        stream[3] = 0;  // at most 64 KiB announced
      } else if (scheme == 4) {
        stream[0] = 0xF0;  // the first record far behind the start
        stream[1] = 0x07;
      } else {
        stream[1] |= 0x40;  // a size or length that does not end at once
      }
      ASSERT_TRUE(fuzz::DecoderPathsAgree(scheme, stream, 1 << 16, 0xA5))
          << SchemeName(scheme) << ", round " << round;
    }
  }
}

// Streams from a few byte values, so that CT's distance 0 (which keeps what the output held)
// and short distances come often, right after groups the fast paths take.
TEST(DecoderPaths, AgreeOnStreamsOfFewByteValues) {
  std::mt19937 rng(17);
  static constexpr std::uint8_t kValues[] = {0x00, 0x08, 0x18, 0x41, 0xFF, 0x03, 0x10, 0xF8};
  for (int scheme = 1; scheme <= 4; ++scheme) {
    for (int round = 0; round < 300; ++round) {
      Bytes stream(100 + rng() % 3000);
      for (auto& b : stream) b = kValues[rng() % 8];
      if (scheme == 1) {
        stream[0] = 0x10;
        stream[3] = 0;
      } else {
        stream[1] = static_cast<std::uint8_t>(rng() % 16);  // records or ends somewhere inside
      }
      const std::size_t outputSize = 1000 + rng() % 70000;
      ASSERT_TRUE(fuzz::DecoderPathsAgree(scheme, stream, outputSize, 0x5A))
          << SchemeName(scheme) << ", round " << round << ", stream of " << stream.size();
    }
  }
}

// Data made of short repeated patterns, so that every distance up to 40 comes with every
// length the scheme allows: runs of one byte, the distances 2 to 7 that are copied a byte
// at a time, copies whose source overlaps their own moves, and the long copies of FF5, FF6
// and CT that take a second step. The fast path must also give back the data itself.
TEST(DecoderPaths, AgreeOnEveryShortDistanceAndLength) {
  std::mt19937 rng(29);
  Bytes data;
  for (int period = 1; period <= 40; ++period) {
    for (int length = 3; length <= 40; ++length) {
      Bytes pattern(static_cast<std::size_t>(period));
      for (auto& b : pattern) b = static_cast<std::uint8_t>(rng());
      for (int i = 0; i < period + length; ++i) data.push_back(pattern[i % period]);
    }
  }
  data.resize(60000);  // LZSS-FF5 and LZSS-FF6 hold at most 64 KiB
  for (int scheme = 1; scheme <= 5; ++scheme) {
    const Bytes stream = scheme == 5   ? EncodeCT(data, TCTMode::Bits11)
                         : scheme == 4 ? EncodeCT(data, TCTMode::Bits12)
                                       : Pack(scheme, data);
    const int row = std::min(scheme, 4);
    EXPECT_TRUE(fuzz::DecoderPathsAgree(row, stream, data.size() + 100, 0x77))
        << SchemeName(row) << (scheme == 5 ? " (11-bit)" : "");
    TDecodeBuffer out(data.size(), 0);
    switch (row) {
      case 1: DecompressLZ10(stream, out); break;
      case 2: DecompressFF5(stream, out); break;
      case 3: DecompressFF6(stream, out); break;
      default: DecompressCT(stream, out); break;
    }
    EXPECT_TRUE(std::equal(data.begin(), data.end(), out.begin())) << SchemeName(row);
  }
}

// A stream cut at every length over its last few hundred bytes: decoding stops at each
// place the fast path can hand over to the careful loop, right after groups whose moves
// reach past their end, and the output beyond the stop must keep what it held.
TEST(DecoderPaths, AgreeOnStreamsCutAtEveryLengthNearTheEnd) {
  const Bytes tiles = MakeTileLikeData(12000, 31);
  for (int scheme = 1; scheme <= 4; ++scheme) {
    const Bytes stream = Pack(scheme, tiles);
    const std::size_t from = stream.size() > 600 ? stream.size() - 600 : 0;
    for (std::size_t cut = from; cut <= stream.size(); ++cut) {
      ASSERT_TRUE(
          fuzz::DecoderPathsAgree(scheme, std::span(stream).first(cut), tiles.size() + 100, 0x5A))
          << SchemeName(scheme) << ", cut to " << cut << " of " << stream.size();
    }
  }
}

// ProPack streams with bytes changed (the packed CRC made right, so decoding goes on past the
// change), into outputs of two fills: the same count, verdict and bytes.
TEST(DecoderPaths, RncOutputsAgreeOnDamagedStreams) {
  std::mt19937 rng(17);
  const Bytes tiles = MakeTileLikeData(6000, 8);
  for (const Bytes& clean : {CompressRNC1(tiles), CompressRNC2(tiles)}) {
    for (int round = 0; round < 150; ++round) {
      Bytes s = clean;
      for (int k = 0; k < 3; ++k)
        s[rnc::kHeaderSize + rng() % (s.size() - rnc::kHeaderSize)] ^= 1U << (rng() % 8);
      const std::uint16_t crc = rnc::Crc16(std::span(s).subspan(rnc::kHeaderSize));
      s[14] = static_cast<std::uint8_t>(crc >> 8);
      s[15] = static_cast<std::uint8_t>(crc);
      const std::size_t length = round % 3 == 0 ? 100 : 7000;
      EXPECT_TRUE(fuzz::RncOutputsAgree(s, length, static_cast<std::uint8_t>(rng())))
          << "method " << int{s[3]} << " round " << round;
    }
  }
}
