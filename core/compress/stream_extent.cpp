// Stream extents: the tokens walked by the walkers of their layouts, which read them as the
// decoders do, the output only counted.
#include "compress/stream_extent.h"

#include <algorithm>

#include "base/stream_view.h"
#include "compress/ct/ct_layout.h"
#include "compress/flag/ff_layout.h"
#include "compress/flag/lz10_layout.h"
#include "compress/scheme_formats.h"
#include "compress/uCompress.h"

namespace tegulo {
namespace {

// LZ77-10 and FF5 end at the announced size, or where the output is full (a last reference
// may run on past the size up to there).
struct TCountVisitor {
  std::size_t size;
  std::size_t outN;
  std::size_t o = 0;
  bool Done(std::size_t /*in*/, std::uint64_t /*out*/) const { return o >= size; }
  bool Literal(std::uint64_t /*out*/) {
    if (o >= outN) return false;
    ++o;
    return true;
  }
  template <class TReference>
  bool Reference(std::uint64_t /*out*/, TReference r) {
    const std::size_t fit = std::min<std::size_t>(r.length, outN - o);
    o += fit;
    return fit == r.length;
  }
};

// LZ77-10's decoder lengthens the working buffer to the announced size.
std::size_t WalkLZ10(std::span<const std::uint8_t> s) {
  const std::size_t size = ReadLePadded(s, 0, lz10::kHeaderSize) >> 8;
  TCountVisitor visit{size, std::max(size, kDecodeBufferSize)};
  return std::min(lz10::WalkTokens(s, visit).in, s.size());
}

std::size_t WalkFF5(std::span<const std::uint8_t> s) {
  TCountVisitor visit{ReadLePadded(s, 0, ff::kHeaderSize), kDecodeBufferSize};
  return std::min(ff::WalkTokens<false>(s, visit).in, s.size());
}

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

std::size_t StreamExtentLZ10(std::span<const std::uint8_t> stream) { return WalkLZ10(stream); }
std::size_t StreamExtentFF5(std::span<const std::uint8_t> stream) { return WalkFF5(stream); }
std::size_t StreamExtentFF6(std::span<const std::uint8_t> stream) { return WalkFF6(stream); }
std::size_t StreamExtentCT(std::span<const std::uint8_t> stream) { return WalkCT(stream); }

std::size_t StreamBytesUsed(int scheme, std::span<const std::uint8_t> stream) {
  const TSchemeFormat* format = FindSchemeFormat(scheme);
  if (format == nullptr || format->extent == nullptr) return 0;
  return format->extent(stream);
}

}  // namespace tegulo
