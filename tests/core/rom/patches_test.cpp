// IPS and BPS patches, applied by the small appliers of patch_apply.h.
#include "rom/patches.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <optional>
#include <random>
#include <stdexcept>

#include "base/uCommon.h"
#include "patch_apply.h"

using namespace tegulo;
using tegulo::test::ApplyBps;
using tegulo::test::ApplyIps;

namespace {

using Bytes = std::vector<std::uint8_t>;

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
