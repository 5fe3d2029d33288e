// Stream extents. LZ77-10 and LZSS-FF5 decoders count the bytes they consume; for LZSS-FF6
// and LZSS-CT, which count output, the tokens are walked the way their decoders walk them.
#include "compress/stream_extent.h"

#include <algorithm>

#include "base/stream_view.h"
#include "compress/more_rows.h"
#include "compress/uCompress.h"

namespace tegulo {
namespace {

std::size_t WalkFF6(std::span<const std::uint8_t> s) {
  const std::size_t n = s.size();
  const std::size_t limit = ReadLePadded(s, 0, 2);
  std::size_t in = 2;
  while (in < limit) {
    if (in >= n) return n;
    unsigned flags = s[in++];
    for (int bit = 0; bit < 8; ++bit, flags >>= 1) {
      in += (flags & 1u) ? 1 : 2;
      if (in > n) return n;
      if (in >= limit) return in;
    }
  }
  return std::min(in, n);
}

std::size_t WalkCT(std::span<const std::uint8_t> s) {
  const std::size_t n = s.size();
  std::size_t next = ReadLePadded(s, 0, 2) + std::size_t{2};
  if (next >= n) return std::min<std::size_t>(2, n);
  const unsigned shift = s[next] >= 0xC0 ? 11 : 12;
  std::size_t in = 2;
  std::size_t out = 0;
  unsigned count = 8;
  for (;;) {
    while (in == next) {
      if (in >= n) return n;
      const unsigned tokens = s[in] & 0x3Fu;
      if (tokens == 0) return in + 1;
      if (in + 2 >= n) return n;
      count = tokens;
      next = s[in + 1] | static_cast<std::size_t>(s[in + 2]) << 8;
      in += 3;
    }
    if (in >= n || out >= kDecodeBufferSize) return std::min(in, n);
    const unsigned ctl = s[in++];
    if (ctl == 0) {
      in += 8;
      out += 8;
      if (in > n) return n;
      continue;
    }
    for (unsigned j = 0; j < count; ++j) {
      if (j < 8 && ((ctl >> j) & 1u) != 0) {
        if (in + 1 >= n) return n;
        out += (static_cast<std::size_t>(s[in] | s[in + 1] << 8) >> shift) + 3;
        in += 2;
      } else {
        if (in >= n) return n;
        ++in;
        ++out;
      }
      if (out >= kDecodeBufferSize) return in;
    }
    count = 8;
  }
}

}  // namespace

std::size_t StreamBytesUsed(int scheme, std::span<const std::uint8_t> stream) {
  switch (scheme) {
    case 1: {
      tLZStream out(kDecodeBufferSize, 0);
      return DecompressLZ10(stream, out);
    }
    case 2: {
      tLZStream out(kDecodeBufferSize, 0);
      return DecompressFF5(stream, out);
    }
    case 3: return WalkFF6(stream);
    case 4: return WalkCT(stream);
    default: return MoreStreamBytesUsed(scheme, stream);
  }
}

}  // namespace tegulo
