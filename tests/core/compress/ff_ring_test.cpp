// LZSS-FF5 and LZSS-FF6 decoders, which copy from their own output, against a plain decoder
// that keeps the ring, on packed, damaged and noisy streams into outputs of several lengths.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

#include "base/stream_view.h"
#include "compress/flag/ff_layout.h"
#include "compress/shared/careful_decoders.h"
#include "greedy_encoders.h"
#include "sample_data.h"

using namespace tegulo;
using Bytes = std::vector<std::uint8_t>;

namespace {

// A plain decoder that keeps the 2048-byte ring itself, a byte at a time: the reference the
// decoders' copies from their own output are checked against.
template <bool kFF6>
std::uint32_t RingDecode(std::span<const std::uint8_t> stream, TDecodeBuffer& output) {
  const std::uint8_t* src = stream.data();
  const std::size_t n = stream.size();
  std::uint8_t* out = output.data();
  const std::size_t outN = output.size();
  // FF5: the announced size; FF6: the stream length, header included.
  const std::size_t limit = ReadLePadded(stream, 0, 2);

  std::array<std::uint8_t, ff::kRingSize> ring{};
  std::size_t w = ff::kRingStart;
  std::size_t in = 2;
  std::size_t o = 0;
  const auto result = [&]() -> std::uint32_t {
    return static_cast<std::uint32_t>(kFF6 ? o : std::min(in, n));
  };
  const auto more = [&]() { return kFF6 ? in < limit : o < limit; };

  while (more()) {
    if (in >= n) return result();
    unsigned flags = src[in++];
    for (int bit = 0; bit < 8; ++bit, flags >>= 1) {
      if (flags & 1u) {
        if (in >= n) return result();
        const std::uint8_t v = src[in++];
        if (o >= outN) return result();
        out[o++] = v;
        ring[w] = v;
        w = (w + 1) & ff::kRingMask;
      } else {
        if (in + 1 >= n) {
          in = n;  // the first byte of the reference was there and counts as consumed
          return result();
        }
        const ff::TReference r = ff::SplitReference<kFF6>(src[in], src[in + 1]);
        in += 2;
        std::size_t p = r.index;
        const std::size_t fit = std::min(r.length, outN - o);
        for (std::size_t i = 0; i < fit; ++i) {
          const std::uint8_t v = ring[p];
          out[o++] = v;
          ring[w] = v;
          w = (w + 1) & ff::kRingMask;
          p = (p + 1) & ff::kRingMask;
        }
        if (fit < r.length) return result();
      }
      if (!more()) return result();
    }
  }
  return result();
}

}  // namespace

TEST(FFRing, DecodersMatchAPlainRing) {
  std::mt19937 rng(29);
  const Bytes tiles = MakeTileLikeData(1 << 15, 3);
  for (const bool ff6 : {false, true}) {
    for (int round = 0; round < 200; ++round) {
      const std::size_t len = 1 + rng() % 5000;
      Bytes data(tiles.begin(), tiles.begin() + static_cast<std::ptrdiff_t>(len));
      if (round % 3 == 2) {
        for (auto& b : data) b = static_cast<std::uint8_t>(rng());
      }
      Bytes stream = ff6 ? EncodeFF6(data) : EncodeFF5(data);
      if (round % 4 == 1) stream[rng() % stream.size()] = static_cast<std::uint8_t>(rng());
      if (round % 4 == 2) stream.resize(rng() % stream.size());
      const std::size_t outputs[] = {0, 33, 4096, 70000};
      const std::size_t size = outputs[round % 4];
      TDecodeBuffer ring(size, 0xAB);
      TDecodeBuffer careful(size, 0xAB);
      TDecodeBuffer fast(size, 0xAB);
      const std::uint32_t want =
          ff6 ? RingDecode<true>(stream, ring) : RingDecode<false>(stream, ring);
      const std::uint32_t got =
          ff6 ? DecompressFF6Careful(stream, careful) : DecompressFF5Careful(stream, careful);
      const std::uint32_t gotFast = ff6 ? DecompressFF6(stream, fast) : DecompressFF5(stream, fast);
      ASSERT_EQ(got, want) << (ff6 ? "FF6" : "FF5") << " round " << round;
      ASSERT_EQ(gotFast, want) << (ff6 ? "FF6" : "FF5") << " round " << round;
      ASSERT_EQ(careful, ring) << (ff6 ? "FF6" : "FF5") << " round " << round;
      ASSERT_EQ(fast, ring) << (ff6 ? "FF6" : "FF5") << " round " << round;
    }
  }
}
