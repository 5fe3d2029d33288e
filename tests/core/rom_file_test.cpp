// Reading a ROM image whole: the bytes as stored, and the two failures.
#include "rom_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "uCommon.h"

using namespace tegulo;
namespace fs = std::filesystem;

namespace {

class RomFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("tegulo_rom_" + std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const fs::path path = dir / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path.string();
  }

  static std::string MessageOf(const std::string& path) {
    try {
      ReadRomFile(path);
    } catch (const TError& e) {
      return e.what();
    }
    return "(no error)";
  }

  fs::path dir;
};

TEST_F(RomFileTest, ReadsEveryByteAsStored) {
  std::vector<std::uint8_t> bytes(70000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  bytes[0] = 0;  // no header is skipped
  EXPECT_EQ(ReadRomFile(Write("game.sfc", bytes)), bytes);
  EXPECT_TRUE(ReadRomFile(Write("empty.sfc", {})).empty());
}

TEST_F(RomFileTest, ReportsAMissingFileAndOneThatCannotBeRead) {
  const std::string missing = (dir / "missing.smc").string();
  EXPECT_EQ(MessageOf(missing), missing + " not found");
  EXPECT_EQ(MessageOf(dir.string()), "Cannot read " + dir.string());
}

}  // namespace
