// Test oracles: the decoders of the flag-byte and CT layouts without their fast paths, by
// scheme, for the tests that hold the fast paths to them.
#pragma once

#include <cstdint>
#include <span>

#include "compress/shared/careful_decoders.h"
#include "compress/uCompress.h"

namespace tegulo {

using TCarefulDecoder = std::uint32_t (*)(std::span<const std::uint8_t> stream,
                                          TDecodeBuffer& output);

// The careful form of `scheme`'s decoder; nullptr for a scheme whose decoder has no fast
// path (it is its own careful form).
inline TCarefulDecoder CarefulDecoder(int scheme) {
  switch (scheme) {
    case kSchemeLZ10: return DecompressLZ10Careful;
    case kSchemeFF5: return DecompressFF5Careful;
    case kSchemeFF6: return DecompressFF6Careful;
    case kSchemeCT: return DecompressCTCareful;
    default: return nullptr;
  }
}

}  // namespace tegulo
