// "Diff-8" and "Diff-16": the first unit as it is, then each unit minus the one before,
// modulo the unit's range.
#include <algorithm>
#include <string>

#include "base/stream_view.h"
#include "base/uCommon.h"
#include "compress/bios/bios_header.h"
#include "compress/bios/bios_schemes.h"
#include "compress/bios/diff_walk.h"

namespace tegulo {

template <int UnitBytes>
std::uint32_t DecompressDiff(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                             bool* notValid) {
  static_assert(UnitBytes == 1 || UnitBytes == 2);
  const std::uint32_t header = ReadLePadded(stream, 0, 4);
  const unsigned type = header & 0xFFu;
  if (notValid != nullptr) {
    *notValid = UnitBytes == 1 ? type != bios::kTypeDiff8 && type != bios::kTypeDiff8Other
                               : type != bios::kTypeDiff16;
  }
  const std::size_t size = header >> 8;
  if (output.size() < size) output.resize(size);
  constexpr std::size_t unit = UnitBytes;
  return WalkDiffUnits(stream, size, unit, [&](std::size_t o, unsigned acc) {
    output[o] = static_cast<std::uint8_t>(acc);
    if (unit == 2 && o + 1 < size) output[o + 1] = static_cast<std::uint8_t>(acc >> 8);
  });
}

template <int UnitBytes>
std::size_t StreamExtentDiff(std::span<const std::uint8_t> stream) {
  return WalkDiffUnits(stream, ReadLePadded(stream, 0, 4) >> 8, UnitBytes,
                       [](std::size_t /*o*/, unsigned /*acc*/) {});
}

namespace {

std::size_t SampleDiff(std::span<const std::uint8_t> stream, std::uint32_t rawSize,
                       std::span<std::uint8_t> output, std::size_t unit) {
  // Scoring reads only the start: a chance header may announce megabytes.
  const std::size_t n = std::min<std::size_t>(rawSize, output.size());
  WalkDiffUnits(stream, n, unit, [&](std::size_t o, unsigned acc) {
    output[o] = static_cast<std::uint8_t>(acc);
    if (unit == 2 && o + 1 < n) output[o + 1] = static_cast<std::uint8_t>(acc >> 8);
  });
  return rawSize;
}

}  // namespace

std::size_t SampleDiff8(std::span<const std::uint8_t> stream, std::uint32_t rawSize,
                        std::span<std::uint8_t> output) {
  return SampleDiff(stream, rawSize, output, 1);
}

std::size_t SampleDiff16(std::span<const std::uint8_t> stream, std::uint32_t rawSize,
                         std::span<std::uint8_t> output) {
  return SampleDiff(stream, rawSize, output, 2);
}

template <int UnitBytes>
std::vector<std::uint8_t> CompressDiff(std::span<const std::uint8_t> data,
                                       const TCompressOptions& /*options*/) {
  constexpr bool wide = UnitBytes == 2;
  CheckBiosSize(wide ? "Diff-16" : "Diff-8", data.size());
  std::vector<std::uint8_t> out =
      BiosHeader(wide ? bios::kTypeDiff16 : bios::kTypeDiff8, data.size());
  out.reserve(out.size() + data.size() + 1);
  unsigned last = 0;
  const std::size_t unit = wide ? 2 : 1;
  for (std::size_t i = 0; i < data.size(); i += unit) {
    // An odd size ends with half a unit, its missing top byte zero.
    const unsigned v = wide ? data[i] | (i + 1 < data.size() ? data[i + 1] << 8 : 0u) : data[i];
    const unsigned d = v - last;
    out.push_back(static_cast<std::uint8_t>(d));
    if (wide) out.push_back(static_cast<std::uint8_t>(d >> 8));
    last = v;
  }
  return out;
}

// Diff-8 and Diff-16 are the only forms.
template std::uint32_t DecompressDiff<1>(std::span<const std::uint8_t>, TDecodeBuffer&, bool*);
template std::uint32_t DecompressDiff<2>(std::span<const std::uint8_t>, TDecodeBuffer&, bool*);
template std::size_t StreamExtentDiff<1>(std::span<const std::uint8_t>);
template std::size_t StreamExtentDiff<2>(std::span<const std::uint8_t>);
template std::vector<std::uint8_t> CompressDiff<1>(std::span<const std::uint8_t>,
                                                   const TCompressOptions&);
template std::vector<std::uint8_t> CompressDiff<2>(std::span<const std::uint8_t>,
                                                   const TCompressOptions&);

}  // namespace tegulo

namespace tegulo {

namespace {

template <int kUnit>
std::optional<TScanHit> CheckDiff(std::span<const std::uint8_t> rom, std::size_t pos,
                                  std::uint32_t minSize, TStreamStats* stats) {
  TStreamStats local;
  TStreamStats& st = FreshStats(stats, local);
  auto size = BiosHeaderAt(rom, pos, kUnit == 2 ? bios::kTypeDiff16 : bios::kTypeDiff8, minSize);
  if (!size && kUnit == 1) size = BiosHeaderAt(rom, pos, bios::kTypeDiff8Other, minSize);
  if (!size || (kUnit == 2 && *size % 2 != 0) || rom.size() - pos - 4 < *size) return std::nullopt;
  st.literals = *size;
  st.comprSize = 4 + *size;
  return TScanHit{pos, kUnit == 2 ? kSchemeDiff16 : kSchemeDiff8, *size, 4 + *size, 0};
}

}  // namespace

std::optional<TScanHit> CheckDiff8Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                      std::uint32_t minSize, TStreamStats* stats) {
  return CheckDiff<1>(rom, pos, minSize, stats);
}
std::optional<TScanHit> CheckDiff16Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                       std::uint32_t minSize, TStreamStats* stats) {
  return CheckDiff<2>(rom, pos, minSize, stats);
}

}  // namespace tegulo
