// ZIP entries: the end record, the central directory, the local header, then the data.
#include "io/zip_entry.h"

#include <zlib.h>

#include <algorithm>

#include "base/stream_view.h"
#include "base/uCommon.h"

namespace tegulo {
namespace {

constexpr std::size_t kEndRecord = 22;
constexpr std::size_t kMaxComment = 0xFFFF;
constexpr std::size_t kCentralHeader = 46;
constexpr std::size_t kLocalHeader = 30;

bool Signature(std::span<const std::uint8_t> s, std::size_t at, std::uint8_t kind) {
  return s[at] == 'P' && s[at + 1] == 'K' && s[at + 2] == kind && s[at + 3] == kind + 1;
}

[[noreturn]] void Damaged() { throw TError("the ZIP archive is damaged"); }

// The end record sits before a comment of up to 64 KiB; searched back from the end.
std::size_t EndRecord(std::span<const std::uint8_t> zip) {
  std::size_t end = zip.size() - kEndRecord;
  const std::size_t lowest = end > kMaxComment ? end - kMaxComment : 0;
  while (!Signature(zip, end, 5)) {
    if (end == lowest) throw TError("the ZIP archive is cut short");
    --end;
  }
  return end;
}

// The bytes of the entry whose central directory header is `central`, stored or inflated,
// checked against its size and CRC.
std::vector<std::uint8_t> EntryData(std::span<const std::uint8_t> zip,
                                    std::span<const std::uint8_t> central, std::size_t limit) {
  const std::uint32_t method = ReadLePadded(central, 10, 2);
  const std::uint32_t crc = ReadLePadded(central, 16, 4);
  const std::size_t packed = ReadLePadded(central, 20, 4);
  const std::size_t size = ReadLePadded(central, 24, 4);
  const std::size_t local = ReadLePadded(central, 42, 4);
  if (local > zip.size() || zip.size() - local < kLocalHeader || !Signature(zip, local, 3)) {
    Damaged();
  }
  const std::size_t dataAt =
      local + kLocalHeader + ReadLePadded(zip, local + 26, 2) + ReadLePadded(zip, local + 28, 2);
  if (dataAt > zip.size() || zip.size() - dataAt < packed) {
    throw TError("the ZIP archive is cut short");
  }
  const auto data = zip.subspan(dataAt, packed);
  std::vector<std::uint8_t> out;
  if (method == 0) {
    if (packed > limit)
      throw TError("it inflates to more than " + std::to_string(limit) + " bytes");
    out.assign(data.begin(), data.end());
  } else if (method == 8) {
    out = InflateRaw(data, std::min(size, limit));
  } else {
    Damaged();
  }
  if (out.size() != size || crc32(0, out.data(), static_cast<uInt>(out.size())) != crc) Damaged();
  return out;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadZipEntry(std::span<const std::uint8_t> zip,
                                                      std::string_view name, std::size_t limit) {
  if (zip.size() < kEndRecord) throw TError("the ZIP archive is cut short");
  const std::size_t end = EndRecord(zip);
  const std::size_t count = ReadLePadded(zip, end + 10, 2);
  const std::size_t dirSize = ReadLePadded(zip, end + 12, 4);
  const std::size_t dirAt = ReadLePadded(zip, end + 16, 4);
  if (dirAt > end || dirSize > end - dirAt) Damaged();
  const auto dir = zip.subspan(dirAt, dirSize);
  std::size_t at = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (dir.size() - at < kCentralHeader || !Signature(dir, at, 1)) Damaged();
    const std::size_t nameLen = ReadLePadded(dir, at + 28, 2);
    const std::size_t skip =
        nameLen + ReadLePadded(dir, at + 30, 2) + ReadLePadded(dir, at + 32, 2);
    if (dir.size() - at - kCentralHeader < skip) Damaged();
    const auto entryName = dir.subspan(at + kCentralHeader, nameLen);
    const auto header = dir.subspan(at, kCentralHeader);
    at += kCentralHeader + skip;
    if (std::equal(entryName.begin(), entryName.end(), name.begin(), name.end())) {
      return EntryData(zip, header, limit);
    }
  }
  return std::nullopt;
}

}  // namespace tegulo
