// "LZSS-CT"'s layout in one place: the two offset modes and the rule of the first section
// record that picks one, the record bytes, and the token walk that the careful decoder (and
// the fast one between its fast groups), the scan's checker and the extent walk share.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "base/stream_view.h"
#include "compress/shared/layout_visit.h"

namespace tegulo::ct {

// An offset mode: how a back-reference's 16 bits split into length and distance.
struct TMode {
  unsigned lengthShift;     // length - 3 in the bits from here up
  unsigned distanceMask;    // distance (0 copies from the output position itself)
  std::uint32_t maxLength;  // (0xFFFF >> lengthShift) + 3
  std::uint32_t maxDistance;
};
inline constexpr TMode kMode11{11, 0x7FFu, 34, 2047};
inline constexpr TMode kMode12{12, 0xFFFu, 18, 4095};

// Bit 6 of the first section record's byte selects 11-bit mode; clear, 12-bit. Later records
// never change the mode. Our writers set bits 7 and 6 together, as older readers looked for
// a byte of 0xC0 or more.
inline constexpr std::uint8_t kElevenBitFlag = 0x40;
inline constexpr std::uint8_t kElevenBitMark = 0xC0;
inline constexpr unsigned kCountMask = 0x3Fu;  // a record's token count; 0 ends the stream
inline constexpr unsigned kDefaultCount = 8;   // tokens under a control byte without a record
inline constexpr std::size_t kHeaderSize = 2;  // the distance to the first record
inline constexpr std::size_t kRecordSize = 3;  // count byte, 16-bit position of the next
inline constexpr std::size_t kMaxPosition =
    0xFFFF;  // of a record, as the header and records hold it

constexpr const TMode& ModeOfFirstRecord(std::uint8_t record) {
  return (record & kElevenBitFlag) != 0 ? kMode11 : kMode12;
}

// The record byte our writers put first: the mode mark and a token count.
constexpr std::uint8_t FirstRecordByte(bool eleven, unsigned count) {
  return static_cast<std::uint8_t>((eleven ? kElevenBitMark : 0u) | count);
}

struct TReference {
  std::uint32_t length;
  std::uint32_t distance;
};
constexpr TReference SplitReference(unsigned bits, const TMode& mode) {
  return {(bits >> mode.lengthShift) + 3, bits & mode.distanceMask};
}
constexpr unsigned JoinReference(std::uint32_t length, std::uint32_t distance, const TMode& mode) {
  return ((length - 3) << mode.lengthShift) | distance;
}

// How a walk ended.
enum class TWalkEnd {
  kEndRecord,      // the end record: `in` is the position after it
  kNoFirstRecord,  // the first record lies past the end of the stream: the mode is unknown
  kCut,            // a byte needed past the end of the stream
  kMissedRecord,   // the next record lies behind the position at a control-byte boundary
  kStopped,        // the visitor said stop
};
struct TWalk {
  TWalkEnd end;
  std::size_t in;     // bytes read (for kCut: where the missing byte would be)
  std::uint64_t out;  // output bytes the tokens read so far yield
};

// Walks the tokens of the stream as DecompressCT reads them, without writing output:
// records only at control-byte boundaries, a zero control byte eight raw bytes whatever the
// count, a record's count for the next control byte only (tokens after the eighth literals).
// The visitor's Literal(out), Raw(out) for the eight bytes of a zero control byte and
// Reference(out, TReference) return false to stop the walk (`out` the output position before
// the token); Group(out) is called before each control byte, and may stop it too. A visitor
// that writes output takes the bytes: Literal(out, byte) and Raw(out, bytes), which gets the
// bytes there are when the stream ends inside the eight. When
// `stopAtMissedRecord` is clear, a record behind the position is never met again and the
// walk runs on to the end of the stream, as the decoder does.
namespace detail {

// The walk's state, and its two steps: the records met at a control-byte boundary, and one
// control byte with its tokens. Each returns the end of the walk, or nothing to go on.
template <class V>
struct TWalker {
  std::span<const std::uint8_t> s;
  V& visit;
  const TMode& mode;
  std::size_t next;
  std::size_t in = kHeaderSize;
  std::uint64_t out = 0;
  unsigned count = kDefaultCount;

  // The steps are inlined into each user, so the walk's state stays in registers: the output
  // bytes a decoder writes could otherwise alias it.
  [[gnu::always_inline]] std::optional<TWalk> Records() {
    const std::size_t n = s.size();
    while (in == next) {
      if (in >= n) return TWalk{TWalkEnd::kCut, in, out};
      const unsigned tokens = s[in] & kCountMask;
      if (tokens == 0) return TWalk{TWalkEnd::kEndRecord, in + 1, out};
      if (n - in < kRecordSize) return TWalk{TWalkEnd::kCut, n, out};
      count = tokens;
      next = s[in + 1] | static_cast<std::size_t>(s[in + 2]) << 8;
      in += kRecordSize;
    }
    return std::nullopt;
  }

  [[gnu::always_inline]] std::optional<TWalk> Token(bool reference) {
    const std::size_t n = s.size();
    if (reference) {
      if (n - in < 2) return TWalk{TWalkEnd::kCut, n, out};
      const TReference r = SplitReference(s[in] | static_cast<unsigned>(s[in + 1]) << 8, mode);
      in += 2;
      const bool go = visit.Reference(out, r);
      out += r.length;
      if (!go) return TWalk{TWalkEnd::kStopped, in, out};
      return std::nullopt;
    }
    if (in >= n) return TWalk{TWalkEnd::kCut, in, out};
    const bool go = lz::VisitLiteral(visit, out, s[in]);
    ++in;
    ++out;
    if (!go) return TWalk{TWalkEnd::kStopped, in, out};
    return std::nullopt;
  }

  // Eight raw bytes, whatever the count; the count waits for the next control byte. A
  // visitor that takes the bytes gets those there are, even when the stream ends inside them.
  [[gnu::always_inline]] std::optional<TWalk> RawBytes() {
    const std::size_t there = std::min<std::size_t>(8, s.size() - in);
    bool go = true;
    if constexpr (requires { visit.Raw(out, s.subspan(in, there)); }) {
      go = visit.Raw(out, s.subspan(in, there));
      if (there < 8) return TWalk{TWalkEnd::kCut, s.size(), out + there};
    } else {
      if (there < 8) return TWalk{TWalkEnd::kCut, s.size(), out};
      go = visit.Raw(out);
    }
    in += 8;
    out += 8;
    if (!go) return TWalk{TWalkEnd::kStopped, in, out};
    return std::nullopt;
  }

  [[gnu::always_inline]] std::optional<TWalk> Group() {
    const unsigned ctl = s[in++];
    if (ctl == 0) return RawBytes();
    for (unsigned j = 0; j < count; ++j) {
      if (auto end = Token(j < 8 && ((ctl >> j) & 1U) != 0)) return end;
    }
    count = kDefaultCount;
    return std::nullopt;
  }

  // One pass of the walk: the records met at this control-byte boundary, then one control
  // byte with its tokens. A decoder with a fast path runs its own groups between passes
  // (updating `in`, `out` and the visitor) as long as no record is due and the count is 8.
  [[gnu::always_inline]] std::optional<TWalk> Step(bool stopAtMissedRecord) {
    if (auto end = Records()) return end;
    if (stopAtMissedRecord && in > next) return TWalk{TWalkEnd::kMissedRecord, in, out};
    if (in >= s.size()) return TWalk{TWalkEnd::kCut, in, out};
    if (!visit.Group(out)) return TWalk{TWalkEnd::kStopped, in, out};
    return Group();
  }
};

// Where the first record lies, or nothing when it lies past the end of the stream (the mode
// is unknown then).
inline std::optional<std::size_t> FirstRecord(std::span<const std::uint8_t> s) {
  const std::size_t first = ReadLePadded(s, 0, 2) + kHeaderSize;
  if (first >= s.size()) return std::nullopt;
  return first;
}

}  // namespace detail

template <class V>
TWalk WalkTokens(std::span<const std::uint8_t> s, V& visit, bool stopAtMissedRecord) {
  const auto first = detail::FirstRecord(s);
  if (!first) return {TWalkEnd::kNoFirstRecord, ReadLePadded(s, 0, 2) + kHeaderSize, 0};
  detail::TWalker<V> w{s, visit, ModeOfFirstRecord(s[*first]), *first};
  for (;;) {
    if (auto end = w.Step(stopAtMissedRecord)) return *end;
  }
}

}  // namespace tegulo::ct
