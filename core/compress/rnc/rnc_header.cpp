// The ProPack header, its CRC16 and what both methods' decoders and checkers share.
#include <algorithm>
#include <array>
#include <string>

#include "base/uCommon.h"
#include "compress/rnc/rnc_format.h"

namespace tegulo::rnc {
namespace {

constexpr std::array<std::uint16_t, 256> MakeCrcTable() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned crc = i;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1U) ^ ((crc & 1U) != 0 ? 0xA001U : 0U);
    table[i] = static_cast<std::uint16_t>(crc);
  }
  return table;
}
constexpr std::array<std::uint16_t, 256> kCrcTable = MakeCrcTable();

std::uint32_t ReadBe(std::span<const std::uint8_t> s, std::size_t pos, int bytes) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v = v << 8U | s[pos + static_cast<std::size_t>(i)];
  return v;
}

void PutBe(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace

std::uint16_t Crc16(std::span<const std::uint8_t> data) {
  unsigned crc = 0;
  for (const std::uint8_t b : data) crc = (crc >> 8U) ^ kCrcTable[(crc ^ b) & 0xFFU];
  return static_cast<std::uint16_t>(crc);
}

std::optional<THeader> ReadHeader(std::span<const std::uint8_t> s) {
  if (s.size() < kHeaderSize || !std::equal(kSignature, kSignature + 3, s.begin())) {
    return std::nullopt;
  }
  THeader h;
  h.method = s[3];
  h.rawSize = ReadBe(s, 4, 4);
  h.packedSize = ReadBe(s, 8, 4);
  h.rawCrc = static_cast<std::uint16_t>(ReadBe(s, 12, 2));
  h.packedCrc = static_cast<std::uint16_t>(ReadBe(s, 14, 2));
  h.leeway = s[16];
  h.chunks = s[17];
  return h;
}

std::vector<std::uint8_t> MakeHeader(int method, std::span<const std::uint8_t> raw,
                                     std::span<const std::uint8_t> packed, std::uint8_t chunks) {
  std::vector<std::uint8_t> out(kSignature, kSignature + 3);
  out.push_back(static_cast<std::uint8_t>(method));
  PutBe(out, static_cast<std::uint32_t>(raw.size()), 4);
  PutBe(out, static_cast<std::uint32_t>(packed.size()), 4);
  PutBe(out, Crc16(raw), 2);
  PutBe(out, Crc16(packed), 2);
  out.push_back(0);  // leeway: unused by the decoders that unpack into a separate buffer
  out.push_back(chunks);
  return out;
}

void PutHeader(int method, std::span<const std::uint8_t> raw, std::vector<std::uint8_t>& stream,
               std::uint8_t chunks) {
  const std::vector<std::uint8_t> header =
      MakeHeader(method, raw, std::span(stream).subspan(kHeaderSize), chunks);
  std::copy(header.begin(), header.end(), stream.begin());
}

void CheckSize(const char* scheme, std::size_t size) {
  if (size > kMaxSize) {
    throw TError(std::string(scheme) + " holds at most " + std::to_string(kMaxSize) +
                 " bytes; the data has " + std::to_string(size));
  }
}

std::optional<TStart> StartDecode(std::span<const std::uint8_t> stream, int method,
                                  TDecodeBuffer& output, bool* notValid) {
  *notValid = true;
  const auto header = ReadHeader(stream);
  if (!header) {
    // A header cut short by the end of the bytes is only short; one that differs is not one.
    const std::size_t n = std::min(stream.size(), std::size_t{3});
    *notValid =
        !std::equal(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(n), kSignature) ||
        stream.size() >= kHeaderSize;
    return std::nullopt;
  }
  if (header->method != method || header->rawSize > kMaxSize) return std::nullopt;
  *notValid = false;
  if (output.size() < header->rawSize) output.resize(header->rawSize);
  const std::size_t available = stream.size() - kHeaderSize;
  TStart start{*header, {}};
  start.packed.whole = header->packedSize <= available;
  start.packed.data =
      stream.subspan(kHeaderSize, std::min<std::size_t>(header->packedSize, available));
  return start;
}

bool FinishDecode(const TStart& start, std::size_t used, std::span<const std::uint8_t> output) {
  if (!start.packed.whole) return true;  // cut short: only shorter
  return used == start.header.packedSize && Crc16(start.packed.data) == start.header.packedCrc &&
         Crc16(output.first(start.header.rawSize)) == start.header.rawCrc;
}

std::size_t HeaderExtent(std::span<const std::uint8_t> stream) {
  const auto header = ReadHeader(stream);
  if (!header) return std::min(stream.size(), kHeaderSize);
  return static_cast<std::size_t>(
      std::min<std::uint64_t>(kHeaderSize + std::uint64_t{header->packedSize}, stream.size()));
}

}  // namespace tegulo::rnc

namespace tegulo {

std::size_t StreamExtentRNC(std::span<const std::uint8_t> s) { return rnc::HeaderExtent(s); }

}  // namespace tegulo
