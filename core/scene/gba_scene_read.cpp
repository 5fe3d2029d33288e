// GBA scenes: mGBA state blocks and VisualBoyAdvance / VBA-M streams. Both keep the I/O
// registers as the last values written, in the console's own layout.
#include "base/uCommon.h"
#include "palette/state_bytes.h"
#include "palette/state_parts.h"
#include "scene/scene.h"

namespace tegulo {
namespace {

constexpr std::size_t kGbaOam = 0x400;
constexpr std::size_t kGbaIo = 0x400;
constexpr std::size_t kGbaPalette = 0x400;

TScene GbaParts(std::span<const std::uint8_t> io, std::span<const std::uint8_t> palette,
                std::span<const std::uint8_t> oam, std::span<const std::uint8_t> vram) {
  TScene scene;
  scene.console = TConsole::Gba;
  scene.vram.assign(vram.begin(), vram.end());
  scene.oam.assign(oam.begin(), oam.end());
  scene.palette.resize(512);
  for (std::size_t i = 0; i < 512; ++i) {
    scene.palette[i] =
        static_cast<std::uint16_t>((palette[2 * i] | (palette[2 * i + 1] << 8)) & 0x7FFF);
  }
  for (std::size_t i = 0; i < scene.gbaIo.size(); ++i) {
    scene.gbaIo[i] = static_cast<std::uint16_t>(io[2 * i] | (io[2 * i + 1] << 8));
  }
  return scene;
}

}  // namespace

TScene MgbaScene(std::span<const std::uint8_t> block) {
  if (block.size() < kMgbaStateSize) throw TError("the mGBA state is cut short");
  TScene scene = GbaParts(block.subspan(0x400, kGbaIo), block.subspan(0x800, kGbaPalette),
                          block.subspan(0xC00, kGbaOam), block.subspan(0x1000, kGbaVram));
  scene.source = "mGBA state version " + std::to_string(block[0]);
  return scene;
}

TScene VbaScene(std::span<const std::uint8_t> stream) {
  const std::int32_t version = VbaVersion(stream);
  // External work RAM follows palette RAM, then VRAM, OAM, the frame buffer and the I/O
  // registers; the frame buffer grew by a border in version 6.
  const std::size_t palette = VbaPaletteOffset(version);
  const std::size_t vram = palette + kGbaPalette + 0x40000;
  const std::size_t oam = vram + 0x20000;
  const std::size_t io = oam + kGbaOam + (version >= 6 ? 4 * 241 * 162 : 4 * 240 * 160);
  if (stream.size() < io + kGbaIo) {
    throw TError("the VisualBoyAdvance state is cut short before its I/O registers");
  }
  TScene scene = GbaParts(stream.subspan(io, kGbaIo), stream.subspan(palette, kGbaPalette),
                          stream.subspan(oam, kGbaOam), stream.subspan(vram, kGbaVram));
  scene.source = "VisualBoyAdvance state version " + std::to_string(version);
  return scene;
}

}  // namespace tegulo
