// PNG chunks written here, IDAT compressed with libdeflate piece by piece.
//
// libdeflate compresses a whole buffer into a complete deflate stream, its last block
// marked final. To join pieces into one stream, each piece but the last is walked once
// with zlib's inflate, stopping at every block boundary, which gives the bit position of
// the final block's header and of its end: the final mark is cleared and an empty stored
// block follows, which brings the stream to a byte boundary for the next piece.
#include "image/png_encode.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "base/uCommon.h"

namespace tegulo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// zlib runs beside libdeflate over the first 64 KiB of rows, and on as long as the rows
// compress to a sixteenth or less: it is quick on such rows.
constexpr std::size_t kBothBelow = 64u << 10;
constexpr std::size_t kCheapRatio = 16;

// zlib at level 9 over the rows fed so far, one stream; `alive` until stopped.
struct TZlibShadow {
  z_stream zs{};
  Bytes bytes;
  bool alive = false;
  TZlibShadow() { alive = deflateInit(&zs, 9) == Z_OK; }
  ~TZlibShadow() { Stop(); }
  TZlibShadow(const TZlibShadow&) = delete;
  TZlibShadow& operator=(const TZlibShadow&) = delete;
  void Add(std::span<const std::uint8_t> raw, bool final) {
    zs.next_in = const_cast<Bytef*>(raw.data());
    zs.avail_in = static_cast<uInt>(raw.size());
    const int flush = final ? Z_FINISH : Z_NO_FLUSH;
    for (;;) {
      std::uint8_t buf[1 << 16];
      zs.next_out = buf;
      zs.avail_out = sizeof buf;
      const int rc = deflate(&zs, flush);
      bytes.insert(bytes.end(), buf, buf + (sizeof buf - zs.avail_out));
      if (rc == Z_STREAM_END) return;
      if (rc != Z_OK && rc != Z_BUF_ERROR) {
        Stop();
        return;
      }
      if (!final && zs.avail_in == 0 && zs.avail_out != 0) return;
    }
  }
  void Stop() {
    if (alive) deflateEnd(&zs);
    alive = false;
    bytes = Bytes();
  }
};

void PutBe32(Bytes& b, std::uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<std::uint8_t>(v >> s));
}

void Chunk(const TPngBytes& out, const char* type, std::span<const std::uint8_t> data) {
  Bytes head;
  PutBe32(head, static_cast<std::uint32_t>(data.size()));
  head.insert(head.end(), type, type + 4);
  std::uint32_t crc = libdeflate_crc32(0, type, 4);
  // A null buffer would ask libdeflate for the initial value instead.
  if (!data.empty()) crc = libdeflate_crc32(crc, data.data(), data.size());
  out(head);
  if (!data.empty()) out(data);
  Bytes tail;
  PutBe32(tail, crc);
  out(tail);
}

struct TCompressorFree {
  void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

// Rows [first, last) with a filter byte 0 before each.
void RawRows(const TIndexedBitmap& bmp, std::int32_t first, std::int32_t last, Bytes& raw) {
  const std::size_t w = static_cast<std::size_t>(bmp.Width());
  raw.resize((w + 1) * static_cast<std::size_t>(last - first));
  std::uint8_t* p = raw.data();
  for (std::int32_t y = first; y < last; ++y, p += w + 1) {
    p[0] = 0;
    std::memcpy(p + 1, bmp.Row(y), w);
  }
}

// Makes the complete raw deflate stream in `d` a non-final part of a longer one: finds
// its final block by decoding it (`raw` is what it decodes to), clears the final mark and
// appends an empty stored block. False when zlib does not read the stream as expected.
bool MakeNonFinal(Bytes& d, std::span<const std::uint8_t> raw) {
  z_stream zs{};
  if (inflateInit2(&zs, -15) != Z_OK) return false;
  Bytes scratch(raw.size() + 1);
  zs.next_in = d.data();
  zs.avail_in = static_cast<uInt>(d.size());
  zs.next_out = scratch.data();
  zs.avail_out = static_cast<uInt>(scratch.size());
  std::uint64_t finalHeader = 0;
  std::uint64_t end = 0;
  bool found = false;
  while (!found) {
    const int rc = inflate(&zs, Z_BLOCK);
    if (rc != Z_OK) break;
    if ((zs.data_type & 128) == 0) continue;
    const std::uint64_t bit = std::uint64_t{zs.total_in} * 8 - (zs.data_type & 63);
    if (zs.data_type & 64) {
      end = bit;  // just past the final block
      found = true;
    } else {
      finalHeader = bit;  // the next block's header, final or not
    }
  }
  const bool same =
      found && zs.total_out == raw.size() && std::equal(raw.begin(), raw.end(), scratch.begin());
  inflateEnd(&zs);
  if (!same) return false;
  d[finalHeader / 8] &= static_cast<std::uint8_t>(~(1u << (finalHeader % 8)));
  // Bits from `end` on become the stored block's three zero header bits and the padding.
  d.resize((end + 3 + 7) / 8, 0);
  if (end % 8 != 0) d[end / 8] &= static_cast<std::uint8_t>((1u << (end % 8)) - 1);
  for (std::size_t i = (end + 7) / 8; i < d.size(); ++i) d[i] = 0;
  const std::uint8_t stored[4] = {0x00, 0x00, 0xFF, 0xFF};  // LEN 0, NLEN
  d.insert(d.end(), stored, stored + 4);
  return true;
}

}  // namespace

void EncodeIndexedPng(const TIndexedBitmap& bmp, int transparent, const TPngBytes& out,
                      const TPngProgress& progress, std::size_t pieceBytes) {
  static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  const std::unique_ptr<libdeflate_compressor, TCompressorFree> compressor(
      libdeflate_alloc_compressor(9));
  if (!compressor) throw TError("Out of memory");
  out(kSignature);

  Bytes ihdr;
  PutBe32(ihdr, static_cast<std::uint32_t>(bmp.Width()));
  PutBe32(ihdr, static_cast<std::uint32_t>(bmp.Height()));
  ihdr.insert(ihdr.end(), {8, 3, 0, 0, 0});  // depth, palette, deflate, filter 0, no interlace
  Chunk(out, "IHDR", ihdr);
  Bytes plte;
  for (std::uint32_t c : bmp.Colours) {  // 0x00RRGGBB
    plte.insert(plte.end(), {static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                             static_cast<std::uint8_t>(c)});
  }
  Chunk(out, "PLTE", plte);
  Bytes trns(static_cast<std::size_t>(transparent) + 1, 255);
  trns.back() = 0;
  Chunk(out, "tRNS", trns);

  const std::size_t rowBytes = static_cast<std::size_t>(bmp.Width()) + 1;
  const std::int32_t rowsPerPiece =
      static_cast<std::int32_t>(std::clamp<std::size_t>(pieceBytes / rowBytes, 1, 1u << 30));
  const Bytes header = {0x78, 0xDA};  // deflate, 32 KiB window, level 9

  // zlib's level 9 runs beside as long as it is cheap: while the rows so far are few or
  // compress very well. Meanwhile the libdeflate stream is held back, and at the end the
  // smaller of the two is written.
  TZlibShadow zlib;
  Bytes held = header;
  std::size_t rawSoFar = 0;
  std::uint32_t adler = 1;
  Bytes raw;
  Bytes piece;
  for (std::int32_t y = 0; y < bmp.Height(); y += rowsPerPiece) {
    const std::int32_t last = std::min(bmp.Height(), y + rowsPerPiece);
    const bool final = last == bmp.Height();
    RawRows(bmp, y, last, raw);
    adler = libdeflate_adler32(adler, raw.data(), raw.size());
    rawSoFar += raw.size();

    piece.resize(libdeflate_deflate_compress_bound(compressor.get(), raw.size()));
    piece.resize(libdeflate_deflate_compress(compressor.get(), raw.data(), raw.size(), piece.data(),
                                             piece.size()));
    if (piece.empty()) throw TError("Out of memory");  // cannot happen within the bound
    if (!final && !MakeNonFinal(piece, raw)) {
      throw TError("Cannot encode the image. Deflate error");
    }
    if (final) PutBe32(piece, adler);

    const bool cheap =
        rawSoFar <= kBothBelow || (held.size() + piece.size()) * kCheapRatio <= rawSoFar;
    if (zlib.alive && cheap) {
      zlib.Add(raw, final);
    } else {
      zlib.Stop();
    }
    held.insert(held.end(), piece.begin(), piece.end());
    if (!zlib.alive) {
      Chunk(out, "IDAT", held);
      held.clear();
    }
    if (progress) progress(last);
  }
  if (!held.empty())
    Chunk(out, "IDAT", zlib.alive && zlib.bytes.size() < held.size() ? zlib.bytes : held);
  Chunk(out, "IEND", {});
}

}  // namespace tegulo
