// The control kinds: drop-down lists, list box, edits, image buttons, palette grid, view.
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <chrono>
#include <cstdio>

#include "choice_box.h"
#include "fonts.h"
#include "image_button.h"
#include "image_view.h"
#include "line_edit.h"
#include "list_box.h"
#include "main_peer.h"
#include "palette_grid.h"

namespace tegulo {
namespace {

TEST(TChoiceBox, OnlyTheUsersPickRaisesChange) {
  TChoiceBox box;
  box.AddItem("a", 7);
  box.AddItem("b", 9);
  EXPECT_EQ(box.ItemIndex(), -1);
  EXPECT_EQ(box.IndexOfNumber(9), 1);
  EXPECT_EQ(box.IndexOfNumber(3), -1);
  QSignalSpy changes(&box, &TChoiceBox::Change);
  box.SetItemIndex(1);
  box.SetItemIndex(0);
  EXPECT_EQ(changes.count(), 0);
  QTest::keyClick(&box, Qt::Key_Down);
  EXPECT_EQ(box.ItemIndex(), 1);
  EXPECT_EQ(changes.count(), 1);
  EXPECT_FALSE(box.isEditable());
}

TEST(TListBox, OnlyTheUsersSelectionRaisesClick) {
  TListBox list;
  list.setFont(WindowFont());
  list.resize(150, 200);
  for (const char* text : {"one", "two", "three"}) list.AddItem(text);
  EXPECT_EQ(list.ItemIndex(), -1);
  QSignalSpy clicks(&list, &TListBox::Click);
  list.SetItemIndex(1);
  EXPECT_EQ(list.ItemIndex(), 1);
  EXPECT_EQ(clicks.count(), 0);

  const QRect first = list.visualItemRect(list.item(0));
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, first.center());
  EXPECT_EQ(list.ItemIndex(), 0);
  EXPECT_EQ(clicks.count(), 1);
  QTest::keyClick(&list, Qt::Key_Down);
  EXPECT_EQ(list.ItemIndex(), 1);
  EXPECT_EQ(clicks.count(), 2);
  EXPECT_EQ(first.height(), TListBox::kRowHeight);

  list.SetItemText(1, "renamed");
  EXPECT_EQ(list.ItemIndex(), 1);
  EXPECT_EQ(list.item(1)->text(), "renamed");
  list.SetItemIndex(-1);
  EXPECT_EQ(list.ItemIndex(), -1);
  EXPECT_EQ(clicks.count(), 2);
}

TEST(TEdit, KeyPressSeesTypedCharactersAndEnterFirst) {
  TEdit edit;
  std::vector<QChar> seen;
  edit.OnKeyPress = [&seen](QChar& key) {
    seen.push_back(key);
    if (key == u'x') key = QChar();  // swallowed
    if (key == u'a') key = u'b';     // replaced
  };
  QTest::keyClicks(&edit, "1xa");
  QTest::keyClick(&edit, Qt::Key_Return);
  EXPECT_EQ(edit.text(), "1b");
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[3], QChar(13));
}

TEST_F(WindowTest, NameStopsAtThirtyCharacters) {
  auto* eName = Find<TEdit>("eName");
  QTest::keyClicks(eName, QString(35, u'n'));
  EXPECT_EQ(eName->text(), QString(30, u'n'));
}

TEST(TPaletteGrid, PointsMapToCellsAndNothingOutside) {
  struct Case {
    int x, y;
    int col, row;  // -1: no cell
  };
  for (const Case& c :
       {Case{0, 0, 0, 0}, Case{15, 15, 0, 0}, Case{16, 0, 1, 0}, Case{0, 16, 0, 1},
        Case{100, 37, 6, 2}, Case{255, 255, 15, 15}, Case{256, 10, -1, -1}, Case{10, 256, -1, -1},
        Case{-1, 5, -1, -1}, Case{5, -1, -1, -1}, Case{1000, 1000, -1, -1}}) {
    const auto cell = TPaletteGrid::CellAt(QPoint(c.x, c.y));
    if (c.col < 0) {
      EXPECT_FALSE(cell.has_value()) << "point " << c.x << "," << c.y;
    } else {
      ASSERT_TRUE(cell.has_value()) << "point " << c.x << "," << c.y;
      EXPECT_EQ(cell->col, c.col) << "point " << c.x << "," << c.y;
      EXPECT_EQ(cell->row, c.row) << "point " << c.x << "," << c.y;
    }
  }
}

TEST_F(WindowTest, GridPaintsViewPaletteColoursInSunkenCells) {
  TPalette& view = TfmMainPeer::ViewPalette(*window);
  view[0] = 0x000000FF;    // red, 0x00BBGGRR
  view[17] = 0x0000FF00;   // green: column 1, row 1
  view[255] = 0x00FF0000;  // blue: the bottom-right cell
  auto* gPal = Find<TPaletteGrid>("gPal");
  const QImage shot = gPal->grab().toImage();
  EXPECT_EQ(shot.size(), QSize(256, 256));
  EXPECT_EQ(QColor(shot.pixel(8, 8)), QColor(255, 0, 0));
  EXPECT_EQ(QColor(shot.pixel(24, 24)), QColor(0, 255, 0));
  EXPECT_EQ(QColor(shot.pixel(248, 248)), QColor(0, 0, 255));
  EXPECT_EQ(QColor(shot.pixel(40, 8)), QColor(0, 0, 0));
  // The colour fills the inner 12 x 12 pixels; the two-pixel frame is not the colour.
  for (int i : {0, 1, 14, 15}) {
    EXPECT_NE(QColor(shot.pixel(i, 8)), QColor(255, 0, 0)) << "column " << i;
    EXPECT_NE(QColor(shot.pixel(8, i)), QColor(255, 0, 0)) << "row " << i;
  }
  for (int i : {2, 13}) EXPECT_EQ(QColor(shot.pixel(i, i)), QColor(255, 0, 0)) << i;
  // Sunken: the top-left edge is darker than the bottom-right one.
  EXPECT_LT(QColor(shot.pixel(0, 8)).lightness(), QColor(shot.pixel(15, 8)).lightness());
  EXPECT_LT(QColor(shot.pixel(1, 8)).lightness(), QColor(shot.pixel(14, 8)).lightness());
}

TEST_F(WindowTest, GridReleaseOutsideTheCellsAsksNothing) {
  auto* gPal = Find<TPaletteGrid>("gPal");
  QSignalSpy ups(gPal, &TPaletteGrid::MouseUp);
  QTest::mouseRelease(gPal, Qt::LeftButton, {}, QPoint(300, 10));
  ASSERT_EQ(ups.count(), 1);
  EXPECT_TRUE(prompts->requests.empty());
}

// A bitmap whose pixel (x, y) has index (x + 3 * y) % 256, and a colour table that makes
// each index a distinct colour.
void FillPattern(TIndexedBitmap& bmp, std::int32_t rows) {
  for (std::int32_t y = 0; y < rows && y < bmp.Height(); ++y) {
    std::uint8_t* row = bmp.Row(y);
    for (std::int32_t x = 0; x < bmp.Width(); ++x) row[x] = static_cast<std::uint8_t>(x + 3 * y);
  }
  for (std::uint32_t i = 0; i < 256; ++i) bmp.Colours[i] = (i << 16) | ((255 - i) << 8) | 0x40;
}

QRgb Expected(const TIndexedBitmap& bmp, int x, int y) {
  return 0xFF000000u | bmp.Colours[bmp.Row(y)[x]];
}

TEST(TImageView, ReplicatesPixelsFromTheTopLeftAndShowsTheBackgroundElsewhere) {
  TIndexedBitmap bmp;
  bmp.SetSize(2, 1);
  FillPattern(bmp, 1);
  TImageView view;
  view.resize(10, 5);
  view.SetPicture(&bmp, 3);
  EXPECT_EQ(view.PictureSize(), QSize(6, 3));
  const QImage shot = view.grab().toImage();
  const QRgb background = view.palette().color(QPalette::Window).rgb();
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 10; ++x) {
      const QRgb want = (x < 6 && y < 3) ? Expected(bmp, x / 3, 0) : background;
      EXPECT_EQ(shot.pixel(x, y), want) << "at " << x << "," << y;
    }
  }
}

TEST(TImageView, PaintsAnExposedPartAwayFromTheOrigin) {
  TIndexedBitmap bmp;
  bmp.SetSize(40, 40);
  FillPattern(bmp, 40);
  TImageView view;
  view.resize(200, 200);
  view.SetPicture(&bmp, 4);
  const QRect part(5, 7, 30, 21);
  QImage out(part.size(), QImage::Format_RGB32);
  out.fill(Qt::black);
  view.render(&out, QPoint(), QRegion(part));
  for (int y = 0; y < part.height(); ++y) {
    for (int x = 0; x < part.width(); ++x) {
      const int vx = part.left() + x;
      const int vy = part.top() + y;
      ASSERT_EQ(out.pixel(x, y), Expected(bmp, vx / 4, vy / 4)) << "at " << vx << "," << vy;
    }
  }
}

TEST(TImageView, HugePictureCostsOnlyTheVisiblePart) {
  // 2000 x 2000 tiles at zoom 4: a 64,000 x 64,000-pixel picture, never allocated.
  TIndexedBitmap bmp;
  bmp.SetSize(16000, 16000);
  FillPattern(bmp, 200);
  TImageView view;
  view.resize(523, 412);
  view.SetPicture(&bmp, 4);
  EXPECT_EQ(view.PictureSize(), QSize(64000, 64000));
  const auto start = std::chrono::steady_clock::now();
  const QImage shot = view.grab().toImage();
  const auto took = std::chrono::steady_clock::now() - start;
  std::printf("painting 523 x 412 of 64000 x 64000: %.2f ms\n",
              std::chrono::duration<double, std::milli>(took).count());
  for (QPoint p : {QPoint(0, 0), QPoint(3, 3), QPoint(4, 0), QPoint(522, 411), QPoint(257, 130)}) {
    EXPECT_EQ(shot.pixel(p), Expected(bmp, p.x() / 4, p.y() / 4)) << p.x() << "," << p.y();
  }
}

TEST(TImageView, NoPictureAndZoomBelowOne) {
  TImageView view;
  view.resize(20, 20);
  EXPECT_EQ(view.PictureSize(), QSize(0, 0));
  view.grab();  // paints nothing, and does not touch a bitmap
  TIndexedBitmap empty;
  view.SetPicture(&empty, 2);
  EXPECT_EQ(view.PictureSize(), QSize(0, 0));
  view.grab();
  TIndexedBitmap bmp;
  bmp.SetSize(3, 2);
  view.SetPicture(&bmp, 0);
  EXPECT_EQ(view.Zoom(), 1);
  EXPECT_EQ(view.PictureSize(), QSize(3, 2));
}

// A 10 x 10 button around a 4 x 4 opaque red picture.
QPixmap RedSquare() {
  QPixmap pixmap(4, 4);
  pixmap.fill(Qt::red);
  return pixmap;
}

TEST(TImageButton, PressedShiftsThePictureAndDisabledFadesIt) {
  TImageButton button(TImageButton::TStyle::NoFrame, RedSquare());
  button.resize(10, 10);
  const QColor background = button.palette().color(QPalette::Window);

  QImage shot = button.grab().toImage();
  EXPECT_EQ(QColor(shot.pixel(3, 3)), QColor(Qt::red));
  EXPECT_EQ(QColor(shot.pixel(6, 6)), QColor(Qt::red));
  EXPECT_EQ(QColor(shot.pixel(7, 7)), background);
  EXPECT_EQ(QColor(shot.pixel(0, 0)), background);  // no frame

  button.setDown(true);
  shot = button.grab().toImage();
  EXPECT_EQ(QColor(shot.pixel(3, 3)), background);
  EXPECT_EQ(QColor(shot.pixel(5, 5)), QColor(Qt::red));
  EXPECT_EQ(QColor(shot.pixel(8, 8)), QColor(Qt::red));
  EXPECT_EQ(QColor(shot.pixel(0, 0)), background);  // no frame, even pressed
  button.setDown(false);

  button.setEnabled(false);
  shot = button.grab().toImage();
  const QColor faded(shot.pixel(4, 4));
  EXPECT_NEAR(faded.red(), background.red() + (255 - background.red()) / 3.0, 2);
  EXPECT_NEAR(faded.green(), background.green() * 2 / 3.0, 2);
}

TEST(TImageButton, FlatButtonIsSunkenWhilePressed) {
  TImageButton button(TImageButton::TStyle::Flat, RedSquare());
  button.resize(10, 10);
  const QColor background = button.palette().color(QPalette::Window);
  EXPECT_EQ(QColor(button.grab().toImage().pixel(0, 0)), background);  // no pointer over it
  button.setDown(true);
  const QImage shot = button.grab().toImage();
  EXPECT_LT(QColor(shot.pixel(0, 5)).lightness(), QColor(shot.pixel(9, 5)).lightness());
}

}  // namespace
}  // namespace tegulo
