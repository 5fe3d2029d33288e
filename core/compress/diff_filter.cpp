// "Diff-8" and "Diff-16": the first unit as it is, then each unit minus the one before,
// modulo the unit's range; and the header shared by the BIOS family.
#include <algorithm>
#include <string>

#include "base/stream_view.h"
#include "base/uCommon.h"
#include "compress/bios_schemes.h"
#include "compress/more_scan.h"

namespace tegulo {

std::vector<std::uint8_t> BiosHeader(std::uint8_t type, std::size_t size) {
  return {type, static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
          static_cast<std::uint8_t>(size >> 16)};
}

void CheckBiosSize(const char* scheme, std::size_t size) {
  if (size > 0xFFFFFF) {
    throw TError(std::string(scheme) + " holds at most 16777215 bytes; the data are " +
                 std::to_string(size) + " bytes");
  }
}

namespace {

// The units up to the announced size, each sum handed to `put(o, sum)`; returns the bytes
// consumed.
template <class TPut>
std::uint32_t WalkUnits(std::span<const std::uint8_t> stream, std::size_t size, std::size_t unit,
                        TPut put) {
  const std::size_t n = stream.size();
  std::size_t in = 4;
  unsigned acc = 0;
  for (std::size_t o = 0; o < size; o += unit) {
    if (in + unit > n) return static_cast<std::uint32_t>(std::min(in, n));
    acc += unit == 2 ? stream[in] | stream[in + 1] << 8 : stream[in];
    in += unit;
    put(o, acc);
  }
  return static_cast<std::uint32_t>(std::min(in, n));
}

std::size_t UnitBytes(int unitBytes) { return unitBytes == 2 ? 2 : 1; }

}  // namespace

std::uint32_t DecompressDiff(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                             int unitBytes, bool* notValid) {
  const std::uint32_t header = ReadLePadded(stream, 0, 4);
  const unsigned type = header & 0xFFu;
  if (notValid != nullptr) {
    *notValid = unitBytes == 1 ? type != 0x81u && type != 0x80u : type != 0x82u;
  }
  const std::size_t size = header >> 8;
  if (output.size() < size) output.resize(size);
  const std::size_t unit = UnitBytes(unitBytes);
  return WalkUnits(stream, size, unit, [&](std::size_t o, unsigned acc) {
    output[o] = static_cast<std::uint8_t>(acc);
    if (unit == 2 && o + 1 < size) output[o + 1] = static_cast<std::uint8_t>(acc >> 8);
  });
}

std::size_t StreamExtentDiff(std::span<const std::uint8_t> stream, int unitBytes) {
  return WalkUnits(stream, ReadLePadded(stream, 0, 4) >> 8, UnitBytes(unitBytes),
                   [](std::size_t /*o*/, unsigned /*acc*/) {});
}

std::vector<std::uint8_t> CompressDiff(std::span<const std::uint8_t> data, int unitBytes) {
  const bool wide = unitBytes == 2;
  CheckBiosSize(wide ? "Diff-16" : "Diff-8", data.size());
  std::vector<std::uint8_t> out = BiosHeader(wide ? 0x82 : 0x81, data.size());
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

}  // namespace tegulo

namespace tegulo {

TStreamStats& FreshStats(TStreamStats* stats, TStreamStats& local) {
  TStreamStats& st = stats != nullptr ? *stats : local;
  std::uint8_t* marks = st.literalMarks;
  const bool factsOnly = st.factsOnly;  // the caller's, kept as for the other checkers
  st = {};
  st.literalMarks = marks;
  st.factsOnly = factsOnly;
  return st;
}

std::optional<std::uint32_t> BiosHeaderAt(std::span<const std::uint8_t> rom, std::size_t pos,
                                          std::uint8_t type, std::uint32_t minSize) {
  if (pos % 4 != 0 || pos >= rom.size() || rom.size() - pos < 4 || rom[pos] != type) {
    return std::nullopt;
  }
  const std::uint32_t size = ReadLePadded(rom, pos, 4) >> 8;
  if (size == 0 || size < minSize || size > kMaxBiosOutput) return std::nullopt;
  return size;
}

namespace {

template <int kUnit>
std::optional<TScanHit> CheckDiff(std::span<const std::uint8_t> rom, std::size_t pos,
                                  std::uint32_t minSize, TStreamStats* stats) {
  TStreamStats local;
  TStreamStats& st = FreshStats(stats, local);
  auto size = BiosHeaderAt(rom, pos, kUnit == 2 ? 0x82 : 0x81, minSize);
  if (!size && kUnit == 1) size = BiosHeaderAt(rom, pos, 0x80, minSize);
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
