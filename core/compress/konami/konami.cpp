// "Konami-1", "Konami-2" and "Konami-2R": the decoder and the bytes a stream takes. A 16-bit
// stream length (Konami-2: 15 bits and the reorder flag), then command bytes: copies from a
// 1024-byte ring of the output (zeros before it), raw runs, zero-interleaved bytes, fills and
// zero runs. The compressor is in konami_compressor.cpp, the scan's checker in
// konami_scan.cpp.
#include <span>

#include "base/uCommon.h"
#include "compress/konami/konami.h"
#include "compress/konami/konami_walk.h"

namespace tegulo {

using namespace konami::walk;

template <TKonami V>
std::uint32_t DecompressKonami(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                               bool* notValid) {
  TNoHook hook;
  const TWalk w = Walk(stream, V, output.data(), output.size(), hook);
  const bool reordered = Header(stream, V).second;
  if (reordered) Reorder(output.data(), w.pos, false);
  *notValid = w.stop == TStop::kInvalid || (reordered && w.stop == TStop::kEnd && w.pos % 16 != 0);
  return static_cast<std::uint32_t>(w.pos);
}

template <TKonami V>
std::size_t StreamExtentKonami(std::span<const std::uint8_t> stream) {
  // The bytes read do not depend on the output; the walk writes into a buffer of its own.
  thread_local TDecodeBuffer out(kDecodeBufferSize);
  TNoHook hook;
  return Walk(stream, V, out.data(), out.size(), hook).in;
}

namespace {

// Stops the walk at a command 0xFF.
struct TLongZerosHook {
  std::span<const std::uint8_t> s;
  bool Command(unsigned /*kind*/, std::size_t inStart, std::size_t /*pos*/, std::size_t /*count*/,
               std::size_t /*distance*/) const {
    return s[inStart] != 0xFF;
  }
};

}  // namespace

bool KonamiVersionsReadAlike(std::span<const std::uint8_t> stream) {
  thread_local TDecodeBuffer out(kDecodeBufferSize);
  TLongZerosHook hook{stream};
  return Walk(stream, TKonami::k1, out.data(), out.size(), hook).stop == TStop::kEnd;
}

// The three versions the scheme table names.
template std::uint32_t DecompressKonami<TKonami::k1>(std::span<const std::uint8_t>, TDecodeBuffer&,
                                                     bool*);
template std::size_t StreamExtentKonami<TKonami::k1>(std::span<const std::uint8_t>);
template std::uint32_t DecompressKonami<TKonami::k2>(std::span<const std::uint8_t>, TDecodeBuffer&,
                                                     bool*);
template std::size_t StreamExtentKonami<TKonami::k2>(std::span<const std::uint8_t>);
template std::uint32_t DecompressKonami<TKonami::k2R>(std::span<const std::uint8_t>, TDecodeBuffer&,
                                                      bool*);
template std::size_t StreamExtentKonami<TKonami::k2R>(std::span<const std::uint8_t>);

}  // namespace tegulo
