// The vector operations of tile_simd.h on one 16-byte SSE2 register. Internal linkage:
// included by each path's file, compiled with that file's instruction set.
#pragma once

#include <emmintrin.h>

#include <cstddef>
#include <cstdint>

namespace tegulo {
namespace {  // NOLINT(cert-dcl59-cpp,google-build-namespaces): one copy per code path
namespace simd {

struct TSse2 {
  using V = __m128i;
  static constexpr std::size_t kPairs = 1;
  // `pairStep` (the distance to the next pair's tile) matters only to wider registers.
  static V Load(const std::uint8_t* p, std::size_t /*pairStep*/) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  }
  static V Load8(const std::uint8_t* p, std::size_t /*pairStep*/) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
  }
  static void Store(std::uint8_t* p, V v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
  static V Set8(std::uint8_t b) { return _mm_set1_epi8(static_cast<char>(b)); }
  static V Set64(std::uint64_t u) { return _mm_set1_epi64x(static_cast<long long>(u)); }
  static V Zero() { return _mm_setzero_si128(); }
  static V And(V a, V b) { return _mm_and_si128(a, b); }
  static V Xor(V a, V b) { return _mm_xor_si128(a, b); }
  template <int n>
  static V Srl16(V a) {
    return _mm_srli_epi16(a, n);
  }
  template <int n>
  static V Sll64(V a) {
    return _mm_slli_epi64(a, n);
  }
  template <int n>
  static V Srl64(V a) {
    return _mm_srli_epi64(a, n);
  }
  static V Lo8(V a, V b) { return _mm_unpacklo_epi8(a, b); }
  static V Hi8(V a, V b) { return _mm_unpackhi_epi8(a, b); }
  static V Lo16(V a, V b) { return _mm_unpacklo_epi16(a, b); }
  static V Hi16(V a, V b) { return _mm_unpackhi_epi16(a, b); }
  static V Lo32(V a, V b) { return _mm_unpacklo_epi32(a, b); }
  static V Hi32(V a, V b) { return _mm_unpackhi_epi32(a, b); }
  static V Lo64(V a, V b) { return _mm_unpacklo_epi64(a, b); }
  static V Hi64(V a, V b) { return _mm_unpackhi_epi64(a, b); }
  static V PackUs16(V a, V b) { return _mm_packus_epi16(a, b); }
  static V Bswap16(V a) { return _mm_or_si128(_mm_slli_epi16(a, 8), _mm_srli_epi16(a, 8)); }
};

}  // namespace simd
}  // namespace
}  // namespace tegulo
