// One road through the whole window: a generated ROM with a compressed picture, an entry,
// its template and compression, a ROM palette, the zoom, the export, save and reload.
#include <QFileInfo>

#include "flow_fixture.h"
#include "greedy_encoders.h"
#include "png_reader.h"

namespace tegulo {
namespace {

constexpr int kStreamAt = 0x9000;

// 16 tiles of 4-bit SNES data that compress well.
std::vector<std::uint8_t> PictureData() {
  std::vector<std::uint8_t> data(512);
  for (std::size_t i = 0; i < data.size(); ++i) {
    data[i] = static_cast<std::uint8_t>((i / 32) * 17 + (i % 5) * 3);
  }
  return data;
}

// The pixel at (x, y) of a picture of `width` 4-bit SNES tiles, read straight from the
// bit planes: planes 0 and 1 interleaved in the first 16 bytes of a tile, 2 and 3 after.
int SnesPixel(const std::vector<std::uint8_t>& data, int width, int x, int y) {
  const std::size_t tile = static_cast<std::size_t>((y / 8) * width + x / 8) * 32;
  const int row = y % 8;
  const int bit = 7 - x % 8;
  int value = 0;
  const std::size_t at[4] = {tile + 2 * row, tile + 2 * row + 1, tile + 16 + 2 * row,
                             tile + 17 + 2 * row};
  for (int plane = 0; plane < 4; ++plane) {
    const std::uint8_t b = at[plane] < data.size() ? data[at[plane]] : 0;
    value |= ((b >> bit) & 1) << plane;
  }
  return value;
}

// A colour's red, green and blue as a PLTE entry holds them.
QByteArray RgbBytes(std::uint32_t c) {
  const char bytes[3] = {static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF),
                         static_cast<char>((c >> 16) & 0xFF)};
  return QByteArray(bytes, 3);
}

using EndToEndTest = FlowTest;

TEST_F(EndToEndTest, FromRomToPngAndBackToTheSameDocument) {
  std::vector<std::uint8_t> rom = MakeRom();
  const std::vector<std::uint8_t> picture = PictureData();
  const std::vector<std::uint8_t> stream = EncodeLZ10(picture);
  ASSERT_LT(stream.size(), picture.size());
  std::copy(stream.begin(), stream.end(), rom.begin() + kStreamAt);
  OpenRom(rom, "demo.sfc");

  AddEntry(QStringLiteral("$%1").arg(kStreamAt, 0, 16));
  Pick(cbTemplate, "4bpp (SNES)");
  Pick(cbCompression, "LZ77-10");
  Type(seWidth, "4");
  Type(seHeight, "4");
  Type(ePalAddress, QString::number(kRomPalette));
  Click("bLoadPalROM");
  Type(seZoom, "3");
  Type(eName, "Demo picture");
  ASSERT_TRUE(prompts->errors.empty()) << prompts->errors[0].toStdString();
  ASSERT_TRUE(prompts->messages.empty());

  EXPECT_EQ(StatusTexts(), (QStringList{"#Tiles:  16 ($10)", "RawSize: 512 ($200)",
                                        QString::asprintf("Compr.Size: %3d ($%.2X)",
                                                          static_cast<int>(stream.size()),
                                                          static_cast<unsigned>(stream.size()))}));
  EXPECT_EQ(Image->PictureSize(), QSize(96, 96));
  EXPECT_EQ(lbList->item(0)->text(), "Demo picture");

  prompts->fileAnswers.push_back(Path("demo"));
  Click("bExport");
  const std::vector<test::TPngChunk> chunks = test::ReadPngChunks(Path("demo.png").toStdString());
  ASSERT_GE(chunks.size(), 5u);
  EXPECT_EQ(chunks[0].type, "IHDR");
  EXPECT_EQ(Bytes(chunks[0].data).toHex().toStdString(), "00000020000000200803000000");
  ASSERT_EQ(chunks[1].type, "PLTE");
  const std::uint32_t bg = window->BackgroundColour();
  EXPECT_EQ(Bytes(chunks[1].data).left(3), RgbBytes(bg));
  for (int i = 1; i < 16; ++i) {
    const std::uint32_t c = ConsoleColour(RomColourWord(i));
    EXPECT_EQ(Bytes(chunks[1].data).mid(3 * i, 3), RgbBytes(c)) << "colour " << i;
  }
  ASSERT_EQ(chunks[2].type, "tRNS");
  const int bottomLeft = SnesPixel(picture, 4, 0, 31);
  EXPECT_EQ(Bytes(chunks[2].data), QByteArray(bottomLeft, '\xff') + QByteArray(1, '\0'));
  const std::vector<std::uint8_t> pixels = test::ReadPng(Path("demo.png").toStdString()).pixels;
  ASSERT_EQ(pixels.size(), 32u * 32u);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      ASSERT_EQ(pixels[static_cast<std::size_t>(y * 32 + x)], SnesPixel(picture, 4, x, y))
          << x << "," << y;
    }
  }
  EXPECT_EQ(chunks.back().type, "IEND");

  // The offset moves into the unpacked data, whose tail reads as zero.
  Type(seOffset, "32");
  const std::vector<std::uint8_t> shifted(picture.begin() + 32, picture.end());
  EXPECT_EQ(Bitmap().Row(0)[0], SnesPixel(shifted, 4, 0, 0));
  EXPECT_EQ(Bitmap().Row(31)[31], 0);
  Type(seOffset, "0");

  AddEntry("$20");
  prompts->fileAnswers.push_back(Path("demo"));
  Click("bSave");
  const QByteArray saved = ReadFile(Path("demo.tgl"));
  ASSERT_EQ(saved.size(), 2 * 1096);
  std::vector<TTileEntry> before;
  for (const auto& e : TfmMainPeer::Entries(*window)) before.push_back(*e);

  Click("bNew");
  prompts->fileAnswers.push_back(Path("demo.tgl"));
  Click("bLoad");
  ASSERT_EQ(lbList->count(), 2);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(std::memcmp(TfmMainPeer::Entries(*window)[static_cast<std::size_t>(i)].get(),
                          &before[static_cast<std::size_t>(i)], sizeof(TTileEntry)),
              0)
        << "entry " << i;
  }
  ClickItem(0);
  EXPECT_EQ(eName->text(), "Demo picture");
  EXPECT_EQ(cbTemplate->currentText(), "4bpp (SNES)");
  EXPECT_EQ(cbCompression->currentText(), "LZ77-10");
  EXPECT_EQ(ePalAddress->text(), "$008000");
  prompts->fileAnswers.push_back(Path("again.tgl"));
  Click("bSave");
  EXPECT_EQ(ReadFile(Path("again.tgl")), saved);
  prompts->fileAnswers.push_back(Path("again.png"));
  Click("bExport");
  EXPECT_EQ(ReadFile(Path("again.png")), ReadFile(Path("demo.png")));
  EXPECT_TRUE(prompts->errors.empty());
}

}  // namespace
}  // namespace tegulo
