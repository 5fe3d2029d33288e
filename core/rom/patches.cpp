// IPS and BPS patch writers.
#include "rom/patches.h"

#include <zlib.h>

#include <algorithm>
#include <string>

#include "base/numbers.h"
#include "base/uCommon.h"

namespace tegulo {
namespace {

constexpr std::size_t kIpsLimit = 0x1000000;
constexpr std::size_t kIpsEof = 0x454F46;  // "EOF" as an offset
constexpr std::size_t kIpsMaxRecord = 0xFFFF;
constexpr std::size_t kIpsJoinGap = 5;  // a gap this short costs no more than a new record

bool Differs(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b, std::size_t i) {
  return i >= a.size() || a[i] != b[i];
}

void PutBe(std::vector<std::uint8_t>& out, std::size_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// BPS numbers: seven bits a byte, the last byte flagged, each further byte counting from one
// more than the bytes before can hold (so every value has exactly one encoding).
void PutNumber(std::vector<std::uint8_t>& out, std::uint64_t v) {
  for (;;) {
    const std::uint8_t x = v & 0x7F;
    v >>= 7;
    if (v == 0) {
      out.push_back(0x80 | x);
      return;
    }
    out.push_back(x);
    --v;
  }
}

std::uint32_t Crc(std::span<const std::uint8_t> bytes) {
  uLong crc = crc32(0L, Z_NULL, 0);
  // zlib takes lengths as uInt: feed large images in pieces.
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t n = std::min<std::size_t>(bytes.size() - at, 1u << 30);
    crc = crc32(crc, bytes.data() + at, static_cast<uInt>(n));
    at += n;
  }
  return static_cast<std::uint32_t>(crc);
}

// The four actions; this writer has no use for source copies (data moved within the image).
enum TBpsAction : std::uint64_t {
  kSourceRead = 0,
  kTargetRead = 1,
  kSourceCopy = 2,
  kTargetCopy = 3
};

void PutAction(std::vector<std::uint8_t>& out, TBpsAction action, std::size_t length) {
  PutNumber(out, (static_cast<std::uint64_t>(length - 1) << 2) | action);
}

}  // namespace

std::vector<std::uint8_t> MakeIpsPatch(std::span<const std::uint8_t> source,
                                       std::span<const std::uint8_t> target) {
  std::vector<std::uint8_t> out{'P', 'A', 'T', 'C', 'H'};
  std::size_t i = 0;
  while (i < target.size()) {
    if (!Differs(source, target, i)) {
      ++i;
      continue;
    }
    // A changed range, joined with changes that follow within a short gap.
    std::size_t end = i + 1;
    for (std::size_t j = end; j < target.size() && j - end <= kIpsJoinGap; ++j) {
      if (Differs(source, target, j)) end = j + 1;
    }
    std::size_t pos = i;
    while (pos < end) {
      std::size_t start = pos;
      if (start == kIpsEof) --start;  // this offset would read as the end marker
      if (start >= kIpsLimit) {
        throw TError("An IPS patch cannot hold the change at " +
                     FormatAddress(static_cast<std::int64_t>(start)) +
                     ": its offsets end at 16 MiB (write a BPS patch instead)");
      }
      const std::size_t n = std::min(end - start, kIpsMaxRecord);
      PutBe(out, start, 3);
      PutBe(out, n, 2);
      out.insert(out.end(), target.begin() + static_cast<std::ptrdiff_t>(start),
                 target.begin() + static_cast<std::ptrdiff_t>(start + n));
      pos = start + n;
    }
    i = end;
  }
  out.insert(out.end(), {'E', 'O', 'F'});
  if (target.size() < source.size()) {
    if (target.size() >= kIpsLimit) {
      throw TError(
          "An IPS patch cannot shorten a file to 16 MiB or more (write a BPS patch instead)");
    }
    PutBe(out, target.size(), 3);
  }
  return out;
}

std::vector<std::uint8_t> MakeBpsPatch(std::span<const std::uint8_t> source,
                                       std::span<const std::uint8_t> target) {
  constexpr std::size_t kMinRun = 8;  // shorter runs cost less as plain target bytes
  std::vector<std::uint8_t> out{'B', 'P', 'S', '1'};
  PutNumber(out, source.size());
  PutNumber(out, target.size());
  PutNumber(out, 0);  // no metadata
  std::size_t i = 0;
  std::size_t literalsFrom = 0;  // start of the pending target-read bytes
  bool inLiterals = false;
  const auto flush = [&](std::size_t upTo) {
    if (inLiterals && upTo > literalsFrom) {
      PutAction(out, kTargetRead, upTo - literalsFrom);
      out.insert(out.end(), target.begin() + static_cast<std::ptrdiff_t>(literalsFrom),
                 target.begin() + static_cast<std::ptrdiff_t>(upTo));
    }
    inLiterals = false;
  };
  // The target-copy offset moves relative to where the previous copy ended.
  std::size_t targetRelative = 0;
  while (i < target.size()) {
    if (!Differs(source, target, i)) {
      flush(i);
      std::size_t j = i;
      while (j < target.size() && !Differs(source, target, j)) ++j;
      PutAction(out, kSourceRead, j - i);
      i = j;
      continue;
    }
    std::size_t run = 1;
    while (i + run < target.size() && target[i + run] == target[i] &&
           Differs(source, target, i + run)) {
      ++run;
    }
    if (run > kMinRun && i > 0 && target[i - 1] == target[i]) {
      // The byte before already holds the value: copy it forward over the run.
      flush(i);
      PutAction(out, kTargetCopy, run);
      const std::int64_t delta =
          static_cast<std::int64_t>(i - 1) - static_cast<std::int64_t>(targetRelative);
      PutNumber(
          out, (static_cast<std::uint64_t>(delta < 0 ? -delta : delta) << 1) | (delta < 0 ? 1 : 0));
      targetRelative = i - 1 + run;
      i += run;
      continue;
    }
    if (!inLiterals) {
      inLiterals = true;
      literalsFrom = i;
    }
    ++i;
  }
  flush(i);
  PutLe32(out, Crc(source));
  PutLe32(out, Crc(target));
  PutLe32(out, Crc(out));
  return out;
}

}  // namespace tegulo
