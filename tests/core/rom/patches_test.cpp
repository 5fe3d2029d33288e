// IPS and BPS patches, applied by small appliers written here from the formats alone.
#include "rom/patches.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <optional>
#include <random>
#include <stdexcept>

#include "base/uCommon.h"

using namespace tegulo;

namespace {

using Bytes = std::vector<std::uint8_t>;

// IPS: records until "EOF" (RLE records included), then an optional 3-byte length.
Bytes ApplyIps(const Bytes& source, const Bytes& patch,
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

std::uint32_t Crc(const Bytes& b, std::size_t n) {
  return static_cast<std::uint32_t>(crc32(0, b.data(), static_cast<uInt>(n)));
}

// BPS with all four actions and the three checksums.
Bytes ApplyBps(const Bytes& source, const Bytes& patch) {
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

Bytes Changed(const Bytes& source, std::mt19937& rng, int changes) {
  Bytes t = source;
  for (int c = 0; c < changes; ++c) {
    const std::size_t at = rng() % t.size();
    const std::size_t n = std::min<std::size_t>(1 + rng() % 300, t.size() - at);
    const bool run = rng() % 2;
    const auto v = static_cast<std::uint8_t>(rng());
    for (std::size_t i = 0; i < n; ++i) t[at + i] = run ? v : static_cast<std::uint8_t>(rng());
  }
  return t;
}

}  // namespace

TEST(Patches, BothFormatsGiveTheNewImage) {
  std::mt19937 rng(1416);
  for (int round = 0; round < 40; ++round) {
    Bytes source(1 + rng() % 200000);
    for (auto& b : source) b = static_cast<std::uint8_t>(rng() % 4);
    const Bytes target = Changed(source, rng, static_cast<int>(rng() % 20));
    EXPECT_EQ(ApplyIps(source, MakeIpsPatch(source, target)), target) << "round " << round;
    EXPECT_EQ(ApplyBps(source, MakeBpsPatch(source, target)), target) << "round " << round;
  }
  // Unchanged: nothing but the frame.
  const Bytes same(1000, 7);
  EXPECT_EQ(MakeIpsPatch(same, same), (Bytes{'P', 'A', 'T', 'C', 'H', 'E', 'O', 'F'}));
  EXPECT_EQ(ApplyBps(same, MakeBpsPatch(same, same)), same);
}

TEST(Patches, LengthChanges) {
  const Bytes source(5000, 1);
  Bytes longer = source;
  longer.resize(6000, 9);
  Bytes shorter(source.begin(), source.begin() + 3000);
  shorter[10] = 2;
  for (const Bytes* t : {&longer, &shorter}) {
    EXPECT_EQ(ApplyIps(source, MakeIpsPatch(source, *t)), *t);
    EXPECT_EQ(ApplyBps(source, MakeBpsPatch(source, *t)), *t);
  }
}

TEST(Patches, IpsRecordLimits) {
  // A change of 200,000 bytes whose second record of 65,535 would start at the offset
  // spelling "EOF".
  Bytes source(0x480000, 0);
  Bytes target = source;
  for (std::size_t i = 0x454F46 - 65535; i < 0x454F46 + 134465; ++i) {
    target[i] = static_cast<std::uint8_t>(i | 1);
  }
  std::vector<std::size_t> starts;
  const Bytes ips = MakeIpsPatch(source, target);
  EXPECT_EQ(ApplyIps(source, ips, &starts), target);
  EXPECT_EQ(std::count(starts.begin(), starts.end(), 0x454F46), 0);
  EXPECT_EQ(std::count(starts.begin(), starts.end(), 0x454F45), 1) << "starts a byte earlier";
  // A single change exactly at that offset.
  Bytes one = source;
  one[0x454F46] = 1;
  starts.clear();
  EXPECT_EQ(ApplyIps(source, MakeIpsPatch(source, one), &starts), one);
  EXPECT_EQ(starts, (std::vector<std::size_t>{0x454F45}));

  Bytes big(0x1000010, 0);
  Bytes bigTarget = big;
  bigTarget[0xFFFFFF] = 1;
  EXPECT_EQ(ApplyIps(big, MakeIpsPatch(big, bigTarget)), bigTarget);
  bigTarget[0x1000008] = 1;
  try {
    MakeIpsPatch(big, bigTarget);
    FAIL();
  } catch (const TError& e) {
    EXPECT_STREQ(
        e.what(),
        "An IPS patch cannot hold the change at $1000008: its offsets end at 16 MiB (write "
        "a BPS patch instead)");
  }
  EXPECT_EQ(ApplyBps(big, MakeBpsPatch(big, bigTarget)), bigTarget);
}
