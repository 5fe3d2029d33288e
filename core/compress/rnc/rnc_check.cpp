// The scan's checks of ProPack streams: the header, the packed data's CRC, then a test decode
// that must break no rule (the decoded data's CRC included).
#include <algorithm>

#include "compress/rnc/rnc_format.h"

namespace tegulo {
namespace {

using TDecode = std::uint32_t (*)(std::span<const std::uint8_t>, TDecodeBuffer&, bool*);

std::optional<TScanHit> CheckRNC(std::span<const std::uint8_t> rom, std::size_t pos,
                                 std::uint32_t minSize, TStreamStats* stats, int method, int scheme,
                                 TDecode decode) {
  TStreamStats local;
  TStreamStats& st = FreshStats(stats, local);
  if (pos >= rom.size()) return std::nullopt;
  const std::span<const std::uint8_t> s = rom.subspan(pos);
  const auto header = rnc::ReadHeader(s);
  if (!header || header->method != method ||
      header->rawSize < std::max<std::uint32_t>(minSize, 1) ||
      header->rawSize > rnc::kMaxScanSize || header->packedSize > s.size() - rnc::kHeaderSize) {
    return std::nullopt;
  }
  const auto packed = s.subspan(rnc::kHeaderSize, header->packedSize);
  if (rnc::Crc16(packed) != header->packedCrc) return std::nullopt;
  thread_local TDecodeBuffer out;
  out.assign(header->rawSize, 0);
  bool notValid = false;
  const std::uint32_t used = decode(s, out, &notValid);
  if (notValid) return std::nullopt;
  // Two CRCs and an exact decode: the facts decide. The stream is the encoder's size at
  // most: every byte a literal and a table set per chunk.
  st.literals = header->rawSize;
  st.comprSize = used;
  st.tableBytes =
      static_cast<std::uint32_t>(rnc::kHeaderSize + 64 * (header->rawSize / 0x7FFF + 1));
  st.factsMinOutput = kStrictFactsMinOutput;
  return TScanHit{pos, scheme, header->rawSize, used, 0};
}

}  // namespace

std::optional<TScanHit> CheckRNC1Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                     std::uint32_t minSize, TStreamStats* stats) {
  return CheckRNC(rom, pos, minSize, stats, 1, kSchemeRNC1, DecompressRNC1);
}

std::optional<TScanHit> CheckRNC2Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                     std::uint32_t minSize, TStreamStats* stats) {
  return CheckRNC(rom, pos, minSize, stats, 2, kSchemeRNC2, DecompressRNC2);
}

}  // namespace tegulo
