// "LZSS-CT": control bytes read from the lowest bit up, a set bit marks a back-reference;
// section records placed inside the stream end it or set the token count of the next
// control byte.
//
// A control byte of the usual eight tokens whose bytes are sure to lie inside the stream
// and whose output fits runs without per-token checks and with wide copies; records, other
// counts and everything near the ends go through the careful steps of the layout's walk.
#include <algorithm>
#include <cstring>

#include "base/stream_view.h"
#include "compress/ct/ct_layout.h"
#include "compress/shared/careful_decoders.h"
#include "compress/shared/lz_copy.h"
#include "compress/uCompress.h"

namespace tegulo {
namespace {

// Eight tokens read at most 1 + 8 * 2 bytes (their 8-byte moves up to 8 more) and write at
// most 8 * 34 bytes, the wide moves up to 40 past a token's start.
constexpr std::size_t kGroupIn = 17 + 8;
constexpr std::size_t kGroupReach = 8 * 34 + 40;

// The careful decoder: a visitor of the layout's token walk that writes each token, checked.
struct TCarefulDecoder {
  std::uint8_t* out;
  std::size_t outN;
  std::size_t o = 0;  // output bytes written

  static bool Group(std::uint64_t /*out*/) { return true; }
  bool Raw(std::uint64_t /*out*/, std::span<const std::uint8_t> bytes) {
    const std::size_t fit = std::min(bytes.size(), outN - o);
    if (fit > 0) std::memcpy(out + o, bytes.data(), fit);
    o += fit;
    return fit == bytes.size();
  }
  bool Literal(std::uint64_t /*out*/, std::uint8_t v) {
    if (o >= outN) return false;
    out[o++] = v;
    return true;
  }
  bool Reference(std::uint64_t /*out*/, ct::TReference r) {
    const std::size_t fit = std::min<std::size_t>(r.length, outN - o);
    lz::CopyChecked(out, o, r.distance, fit);
    o += fit;
    return fit == r.length;
  }
};

// Eight tokens of a control byte from `in` with no check inside, `o` bytes written; `saved`
// first keeps what the wide moves may write past them.
template <class TSaved>
inline void FastGroup(const std::uint8_t* src, std::size_t& in, std::uint8_t* out, std::size_t& o,
                      const ct::TMode mode, TSaved& saved) {
  if (src[in] == 0) {  // eight raw bytes, written exactly
    lz::Store8(out + o, lz::Load8(src + in + 1));
    in += 9;
    o += 8;
    return;
  }
  saved.Cover(o);
  // A set bit marks a reference.
  const unsigned refs = static_cast<unsigned>(src[in++]) | 0x100u;
  lz::RunGroup(refs, src, in, out, o, [&] {
    const ct::TReference r =
        ct::SplitReference(src[in] | static_cast<unsigned>(src[in + 1]) << 8, mode);
    in += 2;
    if (r.distance == 0) {
      // Each byte copied onto itself: the buffer keeps what it held before this call.
      saved.Restore(o, r.length);
    } else {
      // Three moves cover the lengths of 12-bit distances (up to 18) and most of those of
      // 11-bit ones (up to 34); fewer bytes written past the copy make fewer later reads
      // wait for them.
      lz::CopyWide<3>(out, o, r.distance, r.length);
      if (r.length > 24) lz::CopyWide<2>(out, o + 24, r.distance, r.length - 24);
    }
    o += r.length;
  });
  saved.reached = std::max(saved.reached, o + 40);
}

// Fast groups while no record is due and the count is the usual eight; the careful walk
// takes each other step (records, other counts, everything near the ends), then the fast
// groups go on.
std::uint32_t Decode(std::span<const std::uint8_t> stream, TDecodeBuffer& output, bool& missed) {
  missed = false;
  const auto first = ct::detail::FirstRecord(stream);
  if (!first) return 0;  // the offset mode is unknown
  const std::uint8_t* src = stream.data();
  const std::size_t n = stream.size();
  std::uint8_t* out = output.data();
  const std::size_t outN = output.size();
  // The first record fixes the mode for the whole stream.
  const ct::TMode mode = ct::ModeOfFirstRecord(src[*first]);

  TCarefulDecoder visit{out, outN};
  ct::detail::TWalker<TCarefulDecoder> walk{stream, visit, mode, *first};
  lz::TSavedBytes<kGroupReach> saved{out, outN, visit.o};
  for (;;) {
    if (walk.count == ct::kDefaultCount) {
      // The positions live in locals here: `saved` refers to the output position, which
      // would keep it in memory all through the hot loop.
      std::size_t in = walk.in;
      std::size_t o = visit.o;
      const std::size_t next = walk.next;
      while (in != next && in + kGroupIn <= n && o + kGroupReach <= outN) {
        FastGroup(src, in, out, o, mode, saved);
      }
      walk.in = in;
      walk.out = o;
      visit.o = o;
      // The careful steps read the bytes at the output position itself (distance 0).
      saved.Settle();
    }
    if (const auto end = walk.Step(false)) {
      // Records are met only at their positions: one behind the end was passed over.
      missed = end->end != ct::TWalkEnd::kEndRecord && walk.next < walk.in;
      return static_cast<std::uint32_t>(visit.o);
    }
  }
}

}  // namespace

std::uint32_t DecompressCT(std::span<const std::uint8_t> stream, TDecodeBuffer& output) {
  bool missed = false;
  return Decode(stream, output, missed);
}

std::uint32_t DecompressCT(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                           bool* notValid) {
  return Decode(stream, output, *notValid);
}

std::uint32_t DecompressCTCareful(std::span<const std::uint8_t> stream, TDecodeBuffer& output) {
  TCarefulDecoder visit{output.data(), output.size()};
  ct::WalkTokens(stream, visit, false);
  return static_cast<std::uint32_t>(visit.o);
}

}  // namespace tegulo
