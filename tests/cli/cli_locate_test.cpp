// The locate command on the real tegulo-cli: a state's pieces found in a ROM, as JSON, as
// text and as a document that opens with the ROM; its refusals.
#include <gtest/gtest.h>

#include "cli_support.h"
#include "compress/compressors.h"
#include "compress/uCompress.h"
#include "locate/locate.h"
#include "scene_fixtures.h"

using namespace tegulo;
using namespace tegulo::clitest;
using namespace tegulo::fixtures;

namespace {

// A ROM holding BG1's tiles plain at $1003 and its map packed as LC_LZ2 at $9003.
TBytes SceneRom(const TScene& scene) {
  TBytes rom(0x20000);
  for (std::size_t i = 0; i < rom.size(); ++i) rom[i] = static_cast<std::uint8_t>(i * 131 >> 3);
  for (const TScenePart& p : SceneParts(scene)) {
    if (p.layer != 0) continue;
    if (p.kind == TPartKind::Tiles) std::copy(p.bytes.begin(), p.bytes.end(), rom.begin() + 0x1003);
    if (p.kind == TPartKind::Map) {
      const TBytes stream = CompressStream(kSchemeLCLZ2, p.bytes);
      std::copy(stream.begin(), stream.end(), rom.begin() + 0x9003);
    }
  }
  return rom;
}

TEST(CliLocate, FindsPiecesAsJsonTextAndADocument) {
  TScratch s;
  const TScene scene = SampleSnesScene();
  WriteBytes(s.Path("game.sfc"), SceneRom(scene));
  WriteBytes(s.Path("game.000"), Snes9xSceneStream(scene, 12));
  const struct {
    std::vector<std::string> extra;
    std::string expected;
    bool present = true;
  } cases[] = {
      {{"--format", "json"}, "{\"layer\": \"bg1\", \"part\": \"tiles\", \"vram\": 0, \"length\": "},
      {{"--format", "json"}, "\"address\": 36867, \"scheme\": \"lc_lz2\", \"offset\": 0}"},
      {{}, "BG1 map VRAM $"},
      {{}, ": $009003 (LC_LZ2, offset 0)"},
      {{"--layers", "BG1"}, ": $009003 (LC_LZ2, offset 0)"},
      {{"--layers", "bg2,obj", "--format", "json"}, "\"layer\": \"bg1\"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    const TRun r = s.Run(Joined({"locate", s.Path("game.sfc"), s.Path("game.000")}, c.extra));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find(c.expected) != std::string::npos, c.present) << r.out;
  }
  const TRun doc =
      s.Run({"locate", s.Path("game.sfc"), s.Path("game.000"), "--doc", s.Path("found.tgl")});
  ASSERT_EQ(doc.status, 0) << doc.err;
  const TRun list = s.Run({"list", s.Path("found.tgl")});
  ASSERT_EQ(list.status, 0) << list.err;
  EXPECT_NE(list.out.find("BG1 tiles"), std::string::npos) << list.out;
  EXPECT_FALSE(ReadBytes(s.Path("found.tgl.screens.json")).empty());
}

TEST(CliLocate, Refusals) {
  TScratch s;
  WriteBytes(s.Path("game.sfc"), TBytes(0x1000));
  WriteBytes(s.Path("game.000"), Snes9xSceneStream(SampleSnesScene(), 12));
  WriteBytes(s.Path("notes.txt"), TBytes{'h', 'i'});
  const struct {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {{"locate", s.Path("game.sfc"), s.Path("game.000"), "--format", "xml"}, 2},
      {{"locate", s.Path("game.sfc"), s.Path("notes.txt")}, 1},
      {{"locate", s.Path("game.sfc"), s.Path("game.000"), "--doc", s.Path("game.sfc")}, 2},
      {{"locate", s.Path("game.sfc")}, 2},
      {{"locate", s.Path("game.sfc"), s.Path("game.000"), "--layers", "bg9"}, 2},
  };
  for (const auto& c : cases) {
    const TRun r = s.Run(c.args);
    EXPECT_EQ(r.status, c.status) << c.args.back() << ": " << r.err;
    EXPECT_NE(r.err.find("tegulo-cli: "), std::string::npos) << r.err;
  }
}

}  // namespace
