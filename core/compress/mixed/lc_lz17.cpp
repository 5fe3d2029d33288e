// "LC_LZ17": the decoder and the bytes a stream takes. No header: flag bits in 16-bit
// little-endian words, each token's bytes after its bits; an end token closes it. The walk is
// in lc_lz17_walk.h, the compressor in lc_lz17_compressor.cpp, the scan's checker in
// lc_lz17_scan.cpp.
#include <span>

#include "compress/mixed/lc_lz17.h"
#include "compress/mixed/lc_lz17_walk.h"

namespace tegulo {

using namespace lclz17::walk;

std::uint32_t DecompressLCLZ17(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                               bool* notValid) {
  TNoHook hook;
  const TWalk w = Walk(stream, output.data(), output.size(), hook);
  *notValid = w.stop == TStop::kInvalid;
  return static_cast<std::uint32_t>(w.pos);
}

std::size_t StreamExtentLCLZ17(std::span<const std::uint8_t> stream) {
  TNoHook hook;
  return Walk(stream, nullptr, kDecodeBufferSize, hook).in;
}

}  // namespace tegulo
