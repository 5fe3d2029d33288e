// Reading a ROM image whole into memory.
#include "rom_file.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>

#include "uCommon.h"

namespace tegulo {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::vector<std::uint8_t> ReadRomFile(const std::string& path) {
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
  if (!f) throw TError(path + " not found");
  const TError cannotRead("Cannot read " + path);
  // A folder opens, and may measure as any size at all: only plain files are images.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) throw cannotRead;
  if (std::fseek(f.get(), 0, SEEK_END) != 0) throw cannotRead;
  const long size = std::ftell(f.get());
  if (size < 0 || std::fseek(f.get(), 0, SEEK_SET) != 0) throw cannotRead;
  std::vector<std::uint8_t> bytes;
  try {
    bytes.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    throw cannotRead;
  } catch (const std::length_error&) {
    throw cannotRead;
  }
  const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), f.get());
  if (got != bytes.size() || std::ferror(f.get())) throw cannotRead;
  return bytes;
}

}  // namespace tegulo
