// Writes the fuzz targets' seeds from every worked example of the stream formats, so the
// seeds never drift from the tests' examples: one file per example in <folder>/<scheme>/<name>
// (the stream), <folder>/decoder_paths/<name> (a byte that picks the scheme, then the stream)
// and <folder>/compress/<name> (a byte that picks the scheme, then the example's output).
#include <cctype>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "compress/uCompress.h"
#include "compress_examples.h"
#include "more_examples.h"
#include "rnc_examples.h"

namespace {

// The folder of a scheme's seeds, as the fuzz targets are named (decompress_<scheme>_fuzz).
const char* SchemeFolder(int scheme) {
  switch (scheme) {
    case tegulo::kSchemeLZ10: return "lz10";
    case tegulo::kSchemeFF5: return "ff5";
    case tegulo::kSchemeFF6: return "ff6";
    case tegulo::kSchemeCT: return "ct";
    default: return nullptr;
  }
}

// "LZ10 length-18 reference past the size" -> "lz10_length_18_reference_past_the_size".
std::string FileName(const char* name) {
  std::string out;
  for (const char* p = name; *p != '\0'; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    out += std::isalnum(c) ? static_cast<char>(std::tolower(c)) : '_';
  }
  return out;
}

void WriteSeed(const std::filesystem::path& path, char first, const std::string& rest) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.put(first);
  out.write(rest.data(), static_cast<std::streamsize>(rest.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  try {
    namespace fs = std::filesystem;
    const fs::path root = argv[1];
    // The compress target's second byte: the default options.
    const std::string kNoOptions(1, '\0');
    // scan_quick's: the minimum size 32, then the facts on and alignment 1, then a stream.
    constexpr char kScanQuickMinSize = 32;
    const std::string kScanQuickOptions("\x01\x00", 2);
    for (const tegulo::test::TCompressExample& ex : tegulo::test::CompressExamples()) {
      const char* folder = SchemeFolder(ex.compression);
      if (folder == nullptr) throw std::runtime_error(std::string("no scheme for ") + ex.name);
      fs::create_directories(root / folder);
      std::ofstream out(root / folder / FileName(ex.name), std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(ex.stream.data()),
                static_cast<std::streamsize>(ex.stream.size()));
      if (!out) throw std::runtime_error(std::string("cannot write the seed of ") + ex.name);
      // The targets' first byte: scheme - 1 in its low bits; for decoder_paths an output of
      // 5000 bytes (bits 2-3) filled with 0xA0 (the top bits).
      const auto pick = static_cast<char>(ex.compression - tegulo::kSchemeLZ10);
      WriteSeed(root / "decoder_paths" / FileName(ex.name), static_cast<char>(pick | 0xA8),
                std::string(ex.stream.begin(), ex.stream.end()));
      WriteSeed(root / "compress" / FileName(ex.name), pick, kNoOptions + ex.output);
      WriteSeed(root / "scan_quick" / FileName(ex.name), kScanQuickMinSize,
                kScanQuickOptions + std::string(ex.stream.begin(), ex.stream.end()));
    }
    // more_schemes (streams) and compress (data): scheme - 1 as the first byte.
    for (const tegulo::test::TMoreExample& ex : tegulo::test::MoreExamples()) {
      const auto pick = static_cast<char>(ex.scheme - 1);
      WriteSeed(root / "more_schemes" / FileName(ex.name), pick,
                std::string(ex.stream.begin(), ex.stream.end()));
      WriteSeed(root / "compress" / FileName(ex.name), pick,
                kNoOptions + std::string(ex.input.begin(), ex.input.end()));
      WriteSeed(root / "scan_quick" / FileName(ex.name), kScanQuickMinSize,
                kScanQuickOptions + std::string(ex.stream.begin(), ex.stream.end()));
    }
    // The ProPack examples the same way; compress's first byte holds the row's fifth bit in
    // bit 7.
    for (const tegulo::test::TRncExample& ex : tegulo::test::RncExamples()) {
      const int row = ex.method == 1 ? tegulo::kSchemeRNC1 : tegulo::kSchemeRNC2;
      WriteSeed(root / "more_schemes" / FileName(ex.name), static_cast<char>(row - 1),
                std::string(ex.stream.begin(), ex.stream.end()));
      WriteSeed(root / "decoder_paths" / FileName(ex.name), static_cast<char>(0xA8),
                std::string(ex.stream.begin(), ex.stream.end()));
      const auto pick = static_cast<char>(((row - 1) & 15) | ((row - 1) >> 4) << 7);
      WriteSeed(root / "compress" / FileName(ex.name), pick,
                std::string(ex.input.begin(), ex.input.end()));
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
    return 1;
  }
  return 0;
}
