// The view driven through the window: refresh and status texts, drawing at the zoom, the
// colours of the drawing, and the export.
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstring>

#include "flow_fixture.h"
#include "png_reader.h"

namespace tegulo {
namespace {

const QString kPngFilter = QStringLiteral("PNG Image (*.png)|*.png|ALL (*.*)|*.*");

class ViewTest : public FlowTest {
protected:
  // An entry at `address` with a template, sized by typing into the spin edits.
  void AddDrawn(const QString& address, const QString& templ, int width, int height) {
    AddEntry(address);
    Pick(cbTemplate, templ);
    Type(seWidth, QString::number(width));
    Type(seHeight, QString::number(height));
  }
};

TEST_F(ViewTest, StatusTextsCountTilesAndSizes) {
  OpenRom();
  AddDrawn("0", "4bpp (SNES)", 4, 2);
  EXPECT_EQ(StatusTexts(),
            (QStringList{"#Tiles:   8 ($08)", "RawSize: 256 ($100)", "Compr.Size:   0 ($00)"}));
  AddDrawn("0", "2bpp (SNES)", 30, 1);
  EXPECT_EQ(StatusTexts(),
            (QStringList{"#Tiles:  30 ($1E)", "RawSize: 480 ($1E0)", "Compr.Size:   0 ($00)"}));
}

TEST_F(ViewTest, TheZoomEnlargesAtOnceAndTreatsZeroAsOne) {
  OpenRom();
  AddDrawn("0", "4bpp (SNES)", 2, 1);
  EXPECT_EQ(Image->PictureSize(), QSize(32, 16));  // the start zoom is 2
  struct Case {
    const char* typed;
    QSize picture;
  };
  for (const Case& c :
       {Case{"3", {48, 24}}, Case{"1", {16, 8}}, Case{"0", {16, 8}}, Case{"-2", {16, 8}},
        Case{"", {16, 8}}, Case{"4", {64, 32}}, Case{"6", {96, 48}}}) {
    Type(seZoom, c.typed);
    EXPECT_EQ(Image->PictureSize(), c.picture) << "zoom '" << c.typed << "'";
  }
  EXPECT_EQ(Bitmap().Width(), 16);
  EXPECT_EQ(Bitmap().Height(), 8);
  // The enlarged picture repeats each pixel zoom x zoom times.
  Type(seZoom, "3");
  const QImage shown = Image->grab().toImage();
  const QRgb topLeft = 0xFF000000u | Bitmap().Colours[Bitmap().Row(0)[0]];
  const QRgb next = 0xFF000000u | Bitmap().Colours[Bitmap().Row(0)[1]];
  EXPECT_EQ(shown.pixel(2, 2), topLeft);
  EXPECT_EQ(shown.pixel(3, 0), next);
}

TEST_F(ViewTest, IndexZeroShowsTheBackgroundAndTheGridTheEntrysOwnColours) {
  OpenRom();
  AddDrawn("0", "8bpp (PC)", 1, 1);
  Pick(cbTemplate, "4bpp (SNES)");  // PalCount 16; colours 16..255 keep the 8-bit ramp
  prompts->colourAnswers.push_back(QColor(255, 0, 0));
  ClickCell(0);
  const TTileEntry& e = *Cur();
  EXPECT_EQ(e.Palette[0], 0x0000FFu);
  EXPECT_EQ(Bitmap().Colours[0], SwapRedBlue(window->BackgroundColour()));
  Type(seOffset, "0");  // a refresh
  EXPECT_EQ(View()[0], 0x0000FFu);
  EXPECT_EQ(CellColour(0), 0x0000FFu);
  for (int i = 16; i < 256; ++i) {
    ASSERT_EQ(View()[i], 0u) << i;
    ASSERT_EQ(Bitmap().Colours[i], SwapRedBlue(Grey(i))) << i;
  }
  EXPECT_EQ(CellColour(200), 0u);
}

// Our 1bpp template decodes its tiles (8 bytes a tile, bit 7 leftmost).
TEST_F(ViewTest, TheOneBitTemplateIsSizedColouredZoomedAndDecoded) {
  OpenRom(std::vector<std::uint8_t>(256, 0xFF));
  AddDrawn("0", "4bpp (SNES)", 2, 2);
  AddDrawn("0", "1bpp", 3, 1);
  EXPECT_EQ(Bitmap().Width(), 24);
  EXPECT_EQ(Bitmap().Height(), 8);
  EXPECT_EQ(Bitmap().Colours[1], 0x00FFFFFFu);
  EXPECT_EQ(Image->PictureSize(), QSize(48, 16));
  for (std::uint8_t p : Bitmap().Pixels()) ASSERT_EQ(p, 1);
}

TEST_F(ViewTest, ABrokenLz10StreamIsReportedAndTheRefreshGoesOn) {
  std::vector<std::uint8_t> rom = MakeRom();
  rom[0x100] = 0x11;
  rom[0x101] = 0x40;  // 64 bytes announced
  rom[0x102] = 0x00;
  rom[0x103] = 0x00;
  OpenRom(rom);
  AddDrawn("$100", "4bpp (SNES)", 1, 1);
  Pick(cbCompression, "LZ77-10");
  EXPECT_EQ(prompts->messages, (std::vector<QString>{"Not valid LZ10 stream"}));
  EXPECT_TRUE(prompts->errors.empty());
  EXPECT_EQ(Cur()->RawSize, 64);
  EXPECT_EQ(sBar->PanelText(1), "RawSize:  64 ($40)");
  EXPECT_EQ(Bitmap().Width(), 8) << "and the redraw";
}

// Every scheme's message comes the same way: a HAL repeat of output not yet written.
TEST_F(ViewTest, ABrokenStreamOfAnotherSchemeIsReportedByItsName) {
  std::vector<std::uint8_t> rom = MakeRom();
  const std::uint8_t hal[] = {0x01, 0x41, 0x42, 0x80, 0x00, 0x02, 0xFF};
  std::copy(std::begin(hal), std::end(hal), rom.begin() + 0x100);
  OpenRom(rom);
  AddDrawn("$100", "4bpp (SNES)", 1, 1);
  Pick(cbCompression, "HAL");
  EXPECT_EQ(prompts->messages, (std::vector<QString>{"Not valid HAL stream"}));
  EXPECT_EQ(Cur()->RawSize, 2) << "the bytes written before the fault";
}

TEST_F(ViewTest, ExportWritesTheDrawnBitmapAsAnIndexedPng) {
  OpenRom();
  AddDrawn("0", "4bpp (SNES)", 2, 3);
  prompts->fileAnswers.push_back(Path("tiles"));  // typed without an extension
  Click("bExport");
  ASSERT_TRUE(prompts->errors.empty()) << prompts->errors[0].toStdString();
  ASSERT_EQ(prompts->requests.back().kind, FakePrompts::TKind::SaveFile);
  EXPECT_EQ(prompts->requests.back().filter, kPngFilter);
  EXPECT_EQ(prompts->requests.back().defaultExt, "png");

  const std::vector<test::TPngChunk> chunks = test::ReadPngChunks(Path("tiles.png").toStdString());
  std::vector<std::string> types;
  for (const auto& c : chunks) {
    if (types.empty() || c.type != "IDAT" || types.back() != "IDAT") types.push_back(c.type);
  }
  ASSERT_EQ(types, (std::vector<std::string>{"IHDR", "PLTE", "tRNS", "IDAT", "IEND"}));
  EXPECT_EQ(Bytes(chunks[0].data).toHex().toStdString(), "00000010000000180803000000");
  ASSERT_EQ(chunks[1].data.size(), 768u);
  for (int i = 0; i < 256; ++i) {
    const std::uint32_t c = Bitmap().Colours[static_cast<std::size_t>(i)];
    ASSERT_EQ(static_cast<std::uint8_t>(chunks[1].data[3 * i]), (c >> 16) & 0xFF) << i;
    ASSERT_EQ(static_cast<std::uint8_t>(chunks[1].data[3 * i + 1]), (c >> 8) & 0xFF) << i;
    ASSERT_EQ(static_cast<std::uint8_t>(chunks[1].data[3 * i + 2]), c & 0xFF) << i;
  }
  const int k = Bitmap().Row(23)[0];  // the bottom-left pixel; the ramp has no repeats
  EXPECT_EQ(Bytes(chunks[2].data), QByteArray(k, '\xff') + QByteArray(1, '\0'));
  const std::vector<std::uint8_t> pixels = test::ReadPng(Path("tiles.png").toStdString()).pixels;
  EXPECT_EQ(pixels, std::vector<std::uint8_t>(Bitmap().Pixels().begin(), Bitmap().Pixels().end()));
  // The dialog keeps the document's extension for the next save.
  prompts->fileAnswers.push_back(Path("doc"));
  Click("bSave");
  EXPECT_TRUE(QFileInfo::exists(Path("doc.tgl")));
}

TEST_F(ViewTest, AFailedExportIsReportedAndLeavesTheBitmapAsItWas) {
  OpenRom();
  AddDrawn("0", "2bpp (SNES)", 3, 2);
  const std::vector<std::uint8_t> pixels(Bitmap().Pixels().begin(), Bitmap().Pixels().end());
  const auto colours = Bitmap().Colours;
  const QString target = Path("no/such/folder/tiles.png");
  prompts->fileAnswers.push_back(target);
  Click("bExport");
  ASSERT_EQ(prompts->errors.size(), 1u);
  EXPECT_TRUE(prompts->errors[0].startsWith("Cannot create file \"" + target + "\". "))
      << prompts->errors[0].toStdString();
  EXPECT_EQ(std::vector<std::uint8_t>(Bitmap().Pixels().begin(), Bitmap().Pixels().end()), pixels);
  EXPECT_EQ(Bitmap().Colours, colours);
  EXPECT_EQ(Bitmap().Width(), 24);
  EXPECT_FALSE(QFileInfo::exists(target));
}

TEST_F(ViewTest, ACancelledExportWritesNothingAndChangesNothing) {
  OpenRom();
  AddDrawn("0", "2bpp (SNES)", 3, 2);
  const std::vector<std::uint8_t> pixels(Bitmap().Pixels().begin(), Bitmap().Pixels().end());
  const TTileEntry before = *Cur();
  Click("bExport");  // no answer: the dialog is cancelled
  ASSERT_EQ(prompts->requests.back().kind, FakePrompts::TKind::SaveFile);
  EXPECT_EQ(prompts->requests.back().filter, kPngFilter);
  EXPECT_TRUE(prompts->errors.empty());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"game.sfc"});
  EXPECT_EQ(std::vector<std::uint8_t>(Bitmap().Pixels().begin(), Bitmap().Pixels().end()), pixels);
  EXPECT_EQ(std::memcmp(&before, Cur(), sizeof before), 0);
  // The shared dialog's default extension is still the document's.
  prompts->fileAnswers.push_back(Path("list"));
  Click("bSave");
  EXPECT_TRUE(QFileInfo::exists(Path("list.tgl")));
}

TEST_F(ViewTest, ExportingBeforeAnythingWasDrawnSaysSo) {
  OpenRom();
  AddEntry("0");  // no template: nothing drawn, but the export is enabled
  ASSERT_TRUE(Find<QWidget>("bExport")->isEnabled());
  prompts->fileAnswers.push_back(Path("nothing.png"));
  Click("bExport");
  EXPECT_EQ(prompts->errors, (std::vector<QString>{"There is no image to export."}));
  EXPECT_FALSE(QFileInfo::exists(Path("nothing.png")));
}

// A picture of more than one piece of rows: the report rises to the last row.
TEST_F(ViewTest, ExportReportsItsProgressByRows) {
  OpenRom();
  AddDrawn("0", "8bpp (Mode7-2)", 200, 200);
  prompts->fileAnswers.push_back(Path("big.png"));
  Click("bExport");
  ASSERT_TRUE(prompts->errors.empty()) << prompts->errors[0].toStdString();
  ASSERT_EQ(prompts->progress.size(), 1u);
  const auto& report = prompts->progress[0];
  EXPECT_EQ(report.maximum, 1600);
  ASSERT_GE(report.values.size(), 2u);
  EXPECT_TRUE(std::is_sorted(report.values.begin(), report.values.end()));
  EXPECT_EQ(report.values.back(), 1600);
  const test::TPngImage png = test::ReadPng(Path("big.png").toStdString());
  ASSERT_TRUE(png.ok);
  ASSERT_EQ(png.width, 1600u);
  ASSERT_EQ(png.height, 1600u);
  EXPECT_EQ(png.pixels,
            std::vector<std::uint8_t>(Bitmap().Pixels().begin(), Bitmap().Pixels().end()));
}

TEST_F(ViewTest, CancelledExportLeavesNoFileAndAnOldFileAsItWas) {
  OpenRom();
  AddDrawn("0", "8bpp (Mode7-2)", 200, 200);
  prompts->cancelAfter = 1;
  prompts->fileAnswers.push_back(Path("new.png"));
  Click("bExport");
  EXPECT_FALSE(QFileInfo::exists(Path("new.png")));
  WriteFile("old.png", "old picture");
  prompts->fileAnswers.push_back(Path("old.png"));
  Click("bExport");
  EXPECT_EQ(ReadFile(Path("old.png")), "old picture");
  EXPECT_TRUE(prompts->errors.empty());
  EXPECT_EQ(prompts->progress.size(), 2u);
  // No temporary file stays behind either.
  const QStringList files = QDir(Path("")).entryList(QDir::Files | QDir::Hidden);
  EXPECT_EQ(files.size(), 2) << files.join(' ').toStdString();  // the ROM and old.png
}

}  // namespace
}  // namespace tegulo
