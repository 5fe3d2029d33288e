// High-density screens: buttons show the pictures drawn for the screen's device pixel ratio,
// and the view enlarges by whole device pixels at any ratio. ctest runs these at the ratio of
// the offscreen screen (1) and again with QT_SCALE_FACTOR=2.
#include <QApplication>
#include <QPainter>
#include <QPushButton>
#include <cmath>

#include "image_button.h"
#include "image_view.h"
#include "main_peer.h"
#include "palette_grid.h"
#include "pictures.h"

namespace tegulo {
namespace {

constexpr const char* kPictures[] = {"open_rom",     "new",          "load",        "save",
                                     "export",       "open_palette", "palette_rom", "mono",
                                     "mono_reverse", "add",          "remove"};

// The file drawn for a ratio, NAME.png at 1 and NAME@2x.png at 2, one pixel per pixel.
QImage PictureFile(const QString& name, qreal ratio) {
  QImage file(QStringLiteral(":/icons/%1%2.png").arg(name, ratio >= 2 ? "@2x" : ""));
  file.setDevicePixelRatio(1);  // the reader takes 2 from the name
  return file;
}

// Largest difference of any channel between two images of the same size.
int MaxDifference(const QImage& a, const QImage& b) {
  int worst = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
      worst = std::max({worst, std::abs(p.red() - q.red()), std::abs(p.green() - q.green()),
                        std::abs(p.blue() - q.blue())});
    }
  }
  return worst;
}

TEST(HighDensity, EveryButtonPictureComesAtTwoSizes) {
  for (const char* name : kPictures) {
    const QList<QSize> sizes = ButtonPicture(name).availableSizes();
    ASSERT_EQ(sizes.size(), 2) << name;
    EXPECT_EQ(sizes[1], sizes[0] * 2) << name;
  }
  EXPECT_TRUE(ButtonPicture("no_such_picture").availableSizes().isEmpty());
  const QList<QSize> app = AppIcon().availableSizes();
  for (const int side : {16, 24, 32, 48, 64, 128, 256}) {
    EXPECT_TRUE(app.contains(QSize(side, side))) << side;
  }
}

TEST_F(WindowTest, ButtonsShowThePictureDrawnForTheScreenRatio) {
  window->show();
  const qreal ratio = window->devicePixelRatioF();
  if (ratio != 1 && ratio != 2) GTEST_SKIP() << "pictures exist for ratios 1 and 2 only";
  struct Button {
    const char* control;
    const char* picture;
  };
  for (const Button& b : {Button{"bNew", "new"}, Button{"bLoad", "load"}, Button{"bSave", "save"},
                          Button{"bExport", "export"}, Button{"bOpenPal", "open_palette"},
                          Button{"bLoadPalROM", "palette_rom"}, Button{"bPalMono", "mono"},
                          Button{"bPalMonoReverse", "mono_reverse"}, Button{"bAddAddress", "add"},
                          Button{"bDelAddress", "remove"}}) {
    auto* button = Find<TImageButton>(b.control);
    ASSERT_NE(button, nullptr);
    const QImage file = PictureFile(QString::fromLatin1(b.picture), ratio);
    const QPixmap picture = button->Picture();
    EXPECT_EQ(picture.deviceIndependentSize().toSize(), button->PictureSize()) << b.control;
    ASSERT_EQ(picture.size(), file.size()) << b.control;

    // What the button shows is the file drawn for this ratio, pixel for pixel, on the
    // button's background: nothing enlarged from the small picture, nothing smoothed.
    button->setEnabled(true);
    const QImage shot = button->grab().toImage();
    const QPoint at((button->width() - button->PictureSize().width()) / 2,
                    (button->height() - button->PictureSize().height()) / 2);
    const QImage shown = shot.copy(QRect(at * ratio, file.size()));
    QImage expected(file.size(), QImage::Format_RGB32);
    expected.fill(button->palette().color(QPalette::Window));
    QPainter(&expected).drawImage(0, 0, file);
    EXPECT_LE(MaxDifference(shown, expected), 1) << b.control;
  }
  const QIcon openRom = Find<QPushButton>("bOpenROM")->icon();
  EXPECT_EQ(openRom.pixmap(QSize(48, 48), ratio).size(), QSize(48, 48) * ratio);
}

// Bitmap column of device column x at `scale`: the last s with ceil(s * scale) <= x.
int ExpectedSource(int x, double scale) {
  int s = 0;
  while (std::ceil((s + 1) * scale) <= x) ++s;
  return s;
}

TEST(HighDensity, ReplicationMakesWholeBlocksAtAnyScale) {
  TIndexedBitmap bitmap;
  bitmap.SetSize(5, 3);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) bitmap.Row(y)[x] = static_cast<std::uint8_t>(y * 5 + x + 1);
  }
  for (int i = 0; i < 256; ++i) bitmap.Colours[i] = 0x010101u * static_cast<std::uint32_t>(i);

  for (const double scale : {1.0, 1.25, 1.5, 2.0, 2.5, 3.0, 4.5, 6.0}) {
    const int w = static_cast<int>(ReplicatedSide(5, scale));
    const int h = static_cast<int>(ReplicatedSide(3, scale));
    EXPECT_EQ(w, static_cast<int>(std::ceil(5 * scale))) << scale;
    const QImage whole = ReplicatePixels(bitmap, QRect(0, 0, w, h), scale);
    ASSERT_EQ(whole.size(), QSize(w, h)) << scale;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const int index = ExpectedSource(y, scale) * 5 + ExpectedSource(x, scale) + 1;
        ASSERT_EQ(qRed(whole.pixel(x, y)), index) << "scale " << scale << " at " << x << "," << y;
        ASSERT_EQ(qAlpha(whole.pixel(x, y)), 255);
      }
    }
    // Any exposed part gives the same pixels as the whole picture.
    const QRect part(w / 3, 1, w - w / 3 - 1, h - 1);
    EXPECT_EQ(ReplicatePixels(bitmap, part, scale), whole.copy(part)) << scale;
  }
}

TEST(HighDensity, ViewShowsEachPixelAsASharpBlockOfZoomTimesRatio) {
  TIndexedBitmap bitmap;
  bitmap.SetSize(4, 2);
  for (int i = 0; i < 8; ++i) bitmap.Row(i / 4)[i % 4] = static_cast<std::uint8_t>(i * 30);
  for (int i = 0; i < 256; ++i) bitmap.Colours[i] = static_cast<std::uint32_t>(i) << 8;
  TImageView view;
  view.resize(40, 20);
  view.SetPicture(&bitmap, 3);
  view.show();
  const qreal ratio = view.devicePixelRatioF();
  const QImage shot = view.grab(QRect(0, 0, 12, 6)).toImage();
  ASSERT_EQ(shot.size(), QSize(12, 6) * ratio);
  const double block = 3 * ratio;
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) {
      const int i = ExpectedSource(y, block) * 4 + ExpectedSource(x, block);
      ASSERT_EQ(qGreen(shot.pixel(x, y)), (i * 30) & 0xFF) << x << "," << y << " ratio " << ratio;
    }
  }
}

TEST(HighDensity, PaletteCellsAreWholeBlocksWithSharpEdges) {
  TPaletteGrid grid;
  grid.OnDrawCell = [](QPainter& painter, int col, int row, const QRect& rect) {
    painter.fillRect(rect, QColor(col * 16, row * 16, 128));
  };
  grid.show();
  const qreal ratio = grid.devicePixelRatioF();
  if (ratio != std::floor(ratio)) GTEST_SKIP() << "cells are whole blocks at whole ratios";
  const QImage shot = grid.grab().toImage();
  const int cell = static_cast<int>(TPaletteGrid::kCellSize * ratio);
  ASSERT_EQ(shot.size(), QSize(TPaletteGrid::kCells, TPaletteGrid::kCells) * cell);
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) {
      ASSERT_EQ(QColor(shot.pixel(x, y)), QColor((x / cell) * 16, (y / cell) * 16, 128))
          << x << "," << y << " ratio " << ratio;
    }
  }
}

}  // namespace
}  // namespace tegulo
