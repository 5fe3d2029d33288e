// One named entry of a ZIP archive, found through the archive's central directory.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "io/zlib_inflate.h"

namespace tegulo {

// The bytes of the entry called `name` (stored or deflated), or nothing when the archive
// has no such entry. Throws TError "the ZIP archive is damaged" when its directory or the
// entry's header lies outside the bytes, the entry uses another method or its size or
// CRC-32 does not match, "the ZIP archive
// is cut short" / the inflation errors of InflateRaw, and never yields more than `limit`
// bytes.
std::optional<std::vector<std::uint8_t>> ReadZipEntry(std::span<const std::uint8_t> zip,
                                                      std::string_view name,
                                                      std::size_t limit = kMaxInflatedBytes);

}  // namespace tegulo
