// The AVX2 path of the tile decoders: four tiles a step, the rest of a run by the SSE2 and
// scalar forms compiled alongside. This file alone is built with AVX2 enabled and is used
// only after the processor has reported AVX2 (tile_paths.cpp).
#include "tiles/tile_kernels.h"

#if defined(__x86_64__) && defined(__AVX2__)

#include <immintrin.h>

#include "tiles/tile_ops_sse2.h"
#include "tiles/tile_scalar.h"
#include "tiles/tile_simd.h"

namespace tegulo {
namespace {
namespace simd {

// Two 16-byte halves: half 0 for the first pair of tiles, half 1 for the next.
struct TAvx2 {
  using V = __m256i;
  static constexpr std::size_t kPairs = 2;
  static V Load(const std::uint8_t* p, std::size_t pairStep) {
    const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + pairStep));
    return _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1);
  }
  static V Load8(const std::uint8_t* p, std::size_t pairStep) {
    const __m128i lo = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
    const __m128i hi = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + pairStep));
    return _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1);
  }
  static void Store(std::uint8_t* p, V v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
  static V Set8(std::uint8_t b) { return _mm256_set1_epi8(static_cast<char>(b)); }
  static V Set64(std::uint64_t u) { return _mm256_set1_epi64x(static_cast<long long>(u)); }
  static V Zero() { return _mm256_setzero_si256(); }
  static V And(V a, V b) { return _mm256_and_si256(a, b); }
  static V Xor(V a, V b) { return _mm256_xor_si256(a, b); }
  template <int n>
  static V Srl16(V a) {
    return _mm256_srli_epi16(a, n);
  }
  template <int n>
  static V Sll64(V a) {
    return _mm256_slli_epi64(a, n);
  }
  template <int n>
  static V Srl64(V a) {
    return _mm256_srli_epi64(a, n);
  }
  static V Lo8(V a, V b) { return _mm256_unpacklo_epi8(a, b); }
  static V Hi8(V a, V b) { return _mm256_unpackhi_epi8(a, b); }
  static V Lo16(V a, V b) { return _mm256_unpacklo_epi16(a, b); }
  static V Hi16(V a, V b) { return _mm256_unpackhi_epi16(a, b); }
  static V Lo32(V a, V b) { return _mm256_unpacklo_epi32(a, b); }
  static V Hi32(V a, V b) { return _mm256_unpackhi_epi32(a, b); }
  static V Lo64(V a, V b) { return _mm256_unpacklo_epi64(a, b); }
  static V Hi64(V a, V b) { return _mm256_unpackhi_epi64(a, b); }
  static V PackUs16(V a, V b) { return _mm256_packus_epi16(a, b); }
  static V Bswap16(V a) {
    const V swap = _mm256_setr_epi8(1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14, 1, 0, 3,
                                    2, 5, 4, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14);
    return _mm256_shuffle_epi8(a, swap);
  }
};

// Four tiles a step, then two, then one.
template <int B, void (*Step4)(const std::uint8_t*, std::uint8_t*, std::size_t),
          void (*Step2)(const std::uint8_t*, std::uint8_t*, std::size_t),
          void (*Tile)(const std::uint8_t*, std::uint8_t*, std::size_t)>
void Run4(const std::uint8_t* src, std::uint8_t* out, std::size_t stride, std::size_t count) {
  Run<TAvx2, B, Step4, Run<TSse2, B, Step2, ScalarRun<B, Tile>>>(src, out, stride, count);
}

}  // namespace simd
}  // namespace

const TTileKernels* Avx2TileKernels() {
  using simd::Run4;
  using A = simd::TAvx2;
  using S = simd::TSse2;
  static const TTileKernels kKernels = {
      Run4<32, simd::Gba4<A>, simd::Gba4<S>, TileGba4>,
      Run4<32, simd::Snes4<A>, simd::Snes4<S>, TileSnes4>,
      Run4<24, simd::Snes3<A>, simd::Snes3<S>, TileSnes3>,
      Run4<16, simd::Snes2<A>, simd::Snes2<S>, TileSnes2>,
      ScalarRun<8, Tile1bpp>,
      Run4<128, simd::Mode7Interleaved<A>, simd::Mode7Interleaved<S>, TileMode7Interleaved>,
      Run4<64, simd::Mode7Linear<A>, simd::Mode7Linear<S>, TileMode7Linear>,
      Run4<64, simd::Mode3<A>, simd::Mode3<S>, TileMode3>,
  };
  return &kKernels;
}

}  // namespace tegulo

#else

namespace tegulo {
const TTileKernels* Avx2TileKernels() { return nullptr; }
}  // namespace tegulo

#endif
