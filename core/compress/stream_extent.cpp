// Stream extents. LZ77-10 and LZSS-FF5 decoders count the bytes they consume (their rows
// decode); for LZSS-FF6 and LZSS-CT, which count output, the tokens are walked by the walkers
// of their layouts, which read them as the decoders do.
#include "compress/stream_extent.h"

#include <algorithm>

#include "base/stream_view.h"
#include "compress/ct_layout.h"
#include "compress/ff_layout.h"
#include "compress/scheme_formats.h"
#include "compress/uCompress.h"

namespace tegulo {
namespace {

// FF6's header is the stream's length: the walk ends where a token reaches it.
struct TFF6ExtentVisitor {
  std::size_t limit;
  bool Done(std::size_t in, std::uint64_t /*out*/) const { return in >= limit; }
  static bool Literal(std::uint64_t /*out*/) { return true; }
  static bool Reference(std::uint64_t /*out*/, ff::TReference /*r*/) { return true; }
};

std::size_t WalkFF6(std::span<const std::uint8_t> s) {
  TFF6ExtentVisitor visit{ReadLePadded(s, 0, 2)};
  const ff::TWalk w = ff::WalkTokens<true>(s, visit);
  return std::min(w.in, s.size());
}

// The decoder stops once its output fills the working buffer.
struct TExtentVisitor {
  bool Group(std::uint64_t out) const { return out < kDecodeBufferSize; }
  bool Raw(std::uint64_t /*out*/) const { return true; }
  bool Literal(std::uint64_t out) const { return out + 1 < kDecodeBufferSize; }
  bool Reference(std::uint64_t out, ct::TReference r) const {
    return out + r.length < kDecodeBufferSize;
  }
};

std::size_t WalkCT(std::span<const std::uint8_t> s) {
  TExtentVisitor visit;
  const ct::TWalk w = ct::WalkTokens(s, visit, false);
  switch (w.end) {
    case ct::TWalkEnd::kNoFirstRecord: return std::min(ct::kHeaderSize, s.size());
    case ct::TWalkEnd::kCut: return s.size();
    default: return std::min(w.in, s.size());
  }
}

}  // namespace

std::size_t StreamExtentFF6(std::span<const std::uint8_t> stream) { return WalkFF6(stream); }
std::size_t StreamExtentCT(std::span<const std::uint8_t> stream) { return WalkCT(stream); }

std::size_t StreamBytesUsed(int scheme, std::span<const std::uint8_t> stream) {
  const TSchemeFormat* format = FindSchemeFormat(scheme);
  if (format == nullptr || format->extent == nullptr) return 0;
  return format->extent(stream);
}

}  // namespace tegulo
