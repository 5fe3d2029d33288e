// Bounded inflation of zlib (RFC 1950) and gzip (RFC 1952) data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tegulo {

// The most bytes a save state or palette may inflate to.
inline constexpr std::size_t kMaxInflatedBytes = 64u << 20;

// Inflates one zlib stream, or one or more gzip members one after another (bytes after the
// last member that do not start another one are ignored). The output grows as data comes,
// never beyond `limit` bytes, whatever sizes the data announces.
// Throws TError "the compressed data is cut short" when the input ends inside a stream,
// "the compressed data is damaged" when it is not valid deflate data or a check fails, and
// "it inflates to more than N bytes" (N = limit) when the output would pass the limit.
std::vector<std::uint8_t> InflateZlib(std::span<const std::uint8_t> in,
                                      std::size_t limit = kMaxInflatedBytes);
// Raw deflate data (RFC 1951), as a ZIP entry holds it.
std::vector<std::uint8_t> InflateRaw(std::span<const std::uint8_t> in,
                                     std::size_t limit = kMaxInflatedBytes);
std::vector<std::uint8_t> InflateGzip(std::span<const std::uint8_t> in,
                                      std::size_t limit = kMaxInflatedBytes);

}  // namespace tegulo
