#include "rom/rom_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "base/uCommon.h"
#include "temp_dir.h"

using namespace tegulo;
namespace fs = std::filesystem;

namespace {

class RomFileTest : public test::TempDirTest {};

}  // namespace

TEST_F(RomFileTest, WrittenBytesReadBackWhole) {
  std::vector<std::uint8_t> bytes(300000);
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
  WriteBytesFile(Path("rom.sfc"), bytes);
  EXPECT_EQ(ReadRomFile(Path("rom.sfc")), bytes);

  WriteBytesFile(Path("rom.sfc"), std::span(bytes).first(3));  // replaces, never appends
  EXPECT_EQ(ReadRomFile(Path("rom.sfc")),
            std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 3));

  WriteBytesFile(Path("empty"), {});
  EXPECT_TRUE(ReadRomFile(Path("empty")).empty());
}

TEST_F(RomFileTest, FailuresNameThePath) {
  const std::string missing = Path("missing.sfc");
  EXPECT_EQ(ErrorOf([&] { ReadRomFile(missing); }), missing + " not found");
  EXPECT_EQ(ErrorOf([&] { ReadRomFile(Dir().string()); }),
            "Cannot read \"" + Dir().string() + "\"");

  const std::string noDir = Path("no/such/dir.bin");
  EXPECT_EQ(ErrorOf([&] { WriteBytesFile(noDir, {}); }),
            "Cannot create file \"" + noDir + "\". No such file or directory");
  EXPECT_EQ(ErrorOf([&] { WriteBytesFile(Dir().string(), {}); }),
            Dir().string() + " is not a regular file");
}

TEST_F(RomFileTest, DevicesAreNeitherReadNorWritten) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  const std::vector<std::uint8_t> bytes(100, 1);
  EXPECT_EQ(ErrorOf([&] { WriteBytesFile("/dev/full", bytes); }),
            "/dev/full is not a regular file");
  EXPECT_EQ(ErrorOf([&] { ReadRomFile("/dev/zero"); }), "/dev/zero is not a regular file");
}
