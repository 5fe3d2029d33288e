// Writes the fuzz targets' seed streams: every worked example of the stream formats, one file
// per example in <folder>/<scheme>/<name>, so the seeds never drift from the tests' examples.
#include <cctype>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

#include "compress/uCompress.h"
#include "compress_examples.h"

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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  try {
    namespace fs = std::filesystem;
    const fs::path root = argv[1];
    for (const tegulo::test::TCompressExample& ex : tegulo::test::CompressExamples()) {
      const char* folder = SchemeFolder(ex.compression);
      if (folder == nullptr) throw std::runtime_error(std::string("no scheme for ") + ex.name);
      fs::create_directories(root / folder);
      std::ofstream out(root / folder / FileName(ex.name), std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(ex.stream.data()),
                static_cast<std::streamsize>(ex.stream.size()));
      if (!out) throw std::runtime_error(std::string("cannot write the seed of ") + ex.name);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
    return 1;
  }
  return 0;
}
