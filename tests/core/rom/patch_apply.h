// Small IPS and BPS appliers for the tests, written from the formats alone.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace tegulo::test {

using Bytes = std::vector<std::uint8_t>;

// IPS: records until "EOF" (RLE records included), then an optional 3-byte length.
inline Bytes ApplyIps(const Bytes& source, const Bytes& patch,
                      std::vector<std::size_t>* starts = nullptr) {
  if (Bytes(patch.begin(), patch.begin() + 5) != Bytes{'P', 'A', 'T', 'C', 'H'}) {
    throw std::runtime_error("no IPS header");
  }
  Bytes out = source;
  std::size_t at = 5;
  auto be = [&](int n) {
    std::size_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 8 | patch.at(at++);
    return v;
  };
  for (;;) {
    if (patch.at(at) == 'E' && patch.at(at + 1) == 'O' && patch.at(at + 2) == 'F') {
      at += 3;
      break;
    }
    const std::size_t offset = be(3);
    std::size_t n = be(2);
    if (starts) starts->push_back(offset);
    if (n == 0) {
      n = be(2);
      const std::uint8_t v = patch.at(at++);
      if (out.size() < offset + n) out.resize(offset + n);
      std::fill_n(out.begin() + offset, n, v);
      continue;
    }
    if (out.size() < offset + n) out.resize(offset + n);
    for (std::size_t i = 0; i < n; ++i) out[offset + i] = patch.at(at++);
  }
  if (at + 3 == patch.size()) out.resize(be(3));
  if (at != patch.size()) throw std::runtime_error("bytes after the IPS end");
  return out;
}

inline std::uint32_t Crc(const Bytes& b, std::size_t n) {
  return static_cast<std::uint32_t>(crc32(0, b.data(), static_cast<uInt>(n)));
}

// BPS with all four actions and the three checksums.
inline Bytes ApplyBps(const Bytes& source, const Bytes& patch) {
  std::size_t at = 4;
  auto number = [&] {
    std::uint64_t data = 0, shift = 1;
    for (;;) {
      const std::uint8_t x = patch.at(at++);
      data += (x & 0x7F) * shift;
      if (x & 0x80) return data;
      shift <<= 7;
      data += shift;
    }
  };
  auto le32 = [&](std::size_t p) {
    return static_cast<std::uint32_t>(patch[p] | patch[p + 1] << 8 | patch[p + 2] << 16 |
                                      static_cast<std::uint32_t>(patch[p + 3]) << 24);
  };
  if (Bytes(patch.begin(), patch.begin() + 4) != Bytes{'B', 'P', 'S', '1'}) {
    throw std::runtime_error("no BPS header");
  }
  const std::size_t end = patch.size() - 12;
  if (le32(end + 8) != Crc(patch, end + 8)) throw std::runtime_error("patch CRC");
  if (le32(end) != Crc(source, source.size())) throw std::runtime_error("source CRC");
  if (number() != source.size()) throw std::runtime_error("source size");
  Bytes target(number());
  at += number();  // metadata
  std::size_t out = 0, sourceRel = 0, targetRel = 0;
  auto signedNumber = [&] {
    const std::uint64_t v = number();
    return (v & 1 ? -1 : 1) * static_cast<std::int64_t>(v >> 1);
  };
  while (at < end) {
    const std::uint64_t data = number();
    std::size_t length = (data >> 2) + 1;
    switch (data & 3) {
      case 0:
        while (length--) target.at(out) = source.at(out), ++out;
        break;
      case 1:
        while (length--) target.at(out++) = patch.at(at++);
        break;
      case 2:
        sourceRel += signedNumber();
        while (length--) target.at(out++) = source.at(sourceRel++);
        break;
      case 3:
        targetRel += signedNumber();
        while (length--) target.at(out++) = target.at(targetRel++);
        break;
    }
  }
  if (out != target.size()) throw std::runtime_error("target not filled");
  if (le32(end + 4) != Crc(target, target.size())) throw std::runtime_error("target CRC");
  return target;
}

}  // namespace tegulo::test
