// The tokens no encoder of the ring schemes writes (see ff_scan_facts.h).
#include "compress/scan/ff_scan_facts.h"

#include <vector>

#include "compress/flag/ff_layout.h"

namespace tegulo {
namespace {

// Follows the tokens against the output; `last` is the reference before the current token,
// if the token before was one whose source lies inside the output.
struct TWasteCounter {
  std::span<const std::uint8_t> output;
  std::uint32_t wasted = 0;
  std::size_t lastDistance = 0;  // 0: the token before was no such reference
  std::size_t lastLength = 0;
  bool Done(std::size_t /*in*/, std::uint64_t out) const { return out >= output.size(); }
  // Whether the `length` bytes from `out` repeat those `distance` back (all inside the output).
  bool Repeats(std::uint64_t out, std::size_t distance, std::size_t length) const {
    if (out + length > output.size()) return false;
    for (std::size_t k = 0; k < length; ++k) {
      if (output[out + k] != output[out + k - distance]) return false;
    }
    return true;
  }
  bool Literal(std::uint64_t out) {
    if (lastDistance != 0 && lastLength < ff::kMaxLength && Repeats(out, lastDistance, 1)) {
      ++wasted;
    }
    lastDistance = 0;
    return true;
  }
  bool Reference(std::uint64_t out, ff::TReference r) {
    if (lastDistance != 0 && lastLength + r.length <= ff::kMaxLength &&
        Repeats(out, lastDistance, r.length)) {
      ++wasted;
    }
    const std::size_t d = r.Distance(out);
    lastDistance = d <= out ? d : 0;
    lastLength = r.length;
    return true;
  }
};

// Literals only: three bytes seen before within the ring's reach.
std::uint32_t RepeatedTriples(std::span<const std::uint8_t> output) {
  if (output.size() < 4) return 0;
  std::vector<std::uint32_t> last(1U << 16U, 0);  // position + 1 of a triple's last sighting
  std::uint32_t wasted = 0;
  for (std::size_t i = 0; i + 2 < output.size(); ++i) {
    const std::uint32_t key =
        ((output[i] * 2654435761U) ^ (output[i + 1] * 40503U) ^ (output[i + 2] * 97U)) & 0xFFFFU;
    const std::size_t j = last[key];
    if (j != 0 && i - (j - 1) >= 3 && i - (j - 1) <= ff::kRingSize && output[j - 1] == output[i] &&
        output[j] == output[i + 1] && output[j + 1] == output[i + 2]) {
      ++wasted;
    }
    last[key] = static_cast<std::uint32_t>(i + 1);
  }
  return wasted;
}

}  // namespace

std::uint32_t CountWastefulTokens(std::span<const std::uint8_t> stream, bool ff6,
                                  std::span<const std::uint8_t> output) {
  TWasteCounter count{output};
  std::uint32_t references = 0;
  struct TCount {
    TWasteCounter& inner;
    std::uint32_t& references;
    bool Done(std::size_t in, std::uint64_t out) const { return inner.Done(in, out); }
    bool Literal(std::uint64_t out) { return inner.Literal(out); }
    bool Reference(std::uint64_t out, ff::TReference r) {
      ++references;
      return inner.Reference(out, r);
    }
  } visit{count, references};
  if (ff6) {
    ff::WalkTokens<true>(stream, visit);
  } else {
    ff::WalkTokens<false>(stream, visit);
  }
  return count.wasted + (references == 0 ? RepeatedTriples(output) : 0);
}

}  // namespace tegulo
