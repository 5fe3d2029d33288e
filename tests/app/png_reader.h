// Reads back the chunks of a PNG file that the export wrote, for the tests.
#pragma once

#include <zlib.h>
#include <QByteArray>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace tegulo {

struct TPngChunk {
  std::string type;
  QByteArray data;
};

inline std::uint32_t BigEndian32(const QByteArray& b, qsizetype at) {
  return (static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at])) << 24) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 1])) << 16) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 2])) << 8) |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3]));
}

// The chunks in file order; empty when the signature or a length is wrong.
inline std::vector<TPngChunk> PngChunks(const QByteArray& file) {
  if (!file.startsWith(QByteArray("\x89PNG\r\n\x1a\n", 8))) return {};
  std::vector<TPngChunk> chunks;
  qsizetype at = 8;
  while (at + 12 <= file.size()) {
    const qsizetype length = BigEndian32(file, at);
    if (at + 12 + length > file.size()) return {};
    chunks.push_back({file.mid(at + 4, 4).toStdString(), file.mid(at + 8, length)});
    at += 12 + length;
  }
  return at == file.size() ? chunks : std::vector<TPngChunk>{};
}

// The pixel indices of an 8-bit indexed image, the row filters undone.
inline std::vector<std::uint8_t> PngPixels(const std::vector<TPngChunk>& chunks, int width,
                                           int height) {
  QByteArray idat;
  for (const TPngChunk& c : chunks) {
    if (c.type == "IDAT") idat += c.data;
  }
  std::vector<std::uint8_t> raw(static_cast<std::size_t>(height) * (width + 1));
  uLongf size = static_cast<uLongf>(raw.size());
  if (uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(idat.data()),
                 static_cast<uLong>(idat.size())) != Z_OK ||
      size != raw.size()) {
    return {};
  }
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t filter = raw[static_cast<std::size_t>(y) * (width + 1)];
    const std::uint8_t* in = &raw[static_cast<std::size_t>(y) * (width + 1) + 1];
    std::uint8_t* out = &pixels[static_cast<std::size_t>(y) * width];
    const std::uint8_t* up = y > 0 ? out - width : nullptr;
    for (int x = 0; x < width; ++x) {
      const int a = x > 0 ? out[x - 1] : 0;
      const int b = up ? up[x] : 0;
      const int c = (up && x > 0) ? up[x - 1] : 0;
      int predictor = 0;
      switch (filter) {
        case 1: predictor = a; break;
        case 2: predictor = b; break;
        case 3: predictor = (a + b) / 2; break;
        case 4: {
          const int p = a + b - c;
          const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
          predictor = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
          break;
        }
        default: break;
      }
      out[x] = static_cast<std::uint8_t>(in[x] + predictor);
    }
  }
  return pixels;
}

}  // namespace tegulo
