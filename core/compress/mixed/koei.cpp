// "Koei": the decoder and the bytes a stream takes. Flag bytes, literals and code words share
// one byte sequence in reading order; each code word's place is reserved when the word before
// it is loaded. The walk is in koei_walk.h, the compressor in koei_compressor.cpp (its parse in
// koei_path.h), the scan's checker in koei_scan.cpp.
#include "compress/mixed/koei.h"

#include <span>

#include "base/uCommon.h"
#include "compress/mixed/koei_walk.h"

namespace tegulo {

using namespace koei::walk;

std::uint32_t DecompressKoei(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                             bool* notValid) {
  TNoHook hook;
  const TWalk w = Walk(stream, output.data(), output.size(), hook);
  *notValid = w.stop == TStop::kInvalid;
  return static_cast<std::uint32_t>(w.pos);
}

std::size_t StreamExtentKoei(std::span<const std::uint8_t> stream) {
  thread_local TDecodeBuffer out(kDecodeBufferSize);
  TNoHook hook;
  return Walk(stream, out.data(), out.size(), hook).end;
}

}  // namespace tegulo
