// The main window as it starts: controls, texts, values, states, regions, start-up objects.
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <algorithm>

#include "choice_box.h"
#include "compress/scheme_formats.h"
#include "image_button.h"
#include "image_view.h"
#include "line_edit.h"
#include "list_box.h"
#include "main_peer.h"
#include "palette_grid.h"
#include "spin_edit.h"
#include "status_bar.h"

namespace tegulo {
namespace {

TEST_F(WindowTest, StartsWithCaptionTextsAndValues) {
  EXPECT_EQ(window->windowTitle(), "Tegulo");
  EXPECT_EQ(window->objectName(), "fmMain");
  EXPECT_EQ(window->menuWidget(), nullptr);
  EXPECT_EQ(Find<TEdit>("eAddress")->text(), "$1C7D04");
  EXPECT_EQ(Find<TEdit>("ePalAddress")->text(), "");
  EXPECT_EQ(Find<TEdit>("eName")->text(), "");
  EXPECT_EQ(Find<TEdit>("eName")->maxLength(), 30);

  struct Spin {
    const char* name;
    const char* text;
    int min;
    int max;
  };
  for (const Spin& s :
       {Spin{"seZoom", "2", 1, 4}, Spin{"seWidth", "1", 1, 2000}, Spin{"seHeight", "1", 1, 2000},
        Spin{"seOffset", "0", 0, 0}, Spin{"sePalNum", "16", 1, 256}}) {
    const TSpinEdit* edit = Find<TSpinEdit>(s.name);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), s.text) << s.name;
    EXPECT_EQ(edit->MinValue(), s.min) << s.name;
    EXPECT_EQ(edit->MaxValue(), s.max) << s.name;
  }

  const auto* sBar = Find<TStatusBar>("sBar");
  ASSERT_EQ(sBar->PanelCount(), 3);
  EXPECT_EQ(sBar->PanelText(0), "#Tiles:");
  EXPECT_EQ(sBar->PanelText(1), "Raw Size:");
  EXPECT_EQ(sBar->PanelText(2), "Compressed Size:");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(sBar->Panel(i)->width(), 150) << "panel " << i;
  EXPECT_EQ(window->statusBar(), sBar);
}

TEST_F(WindowTest, OnlyTheNoRomControlsAcceptInputAtStart) {
  const char* enabled[] = {"bOpenROM", "bOpenPal",        "eName",  "sePalNum",
                           "bPalMono", "bPalMonoReverse", "lbList", "gPal"};
  const char* disabled[] = {"bNew",          "bLoad",       "bSave",       "seZoom",
                            "seWidth",       "seHeight",    "seOffset",    "cbTemplate",
                            "cbCompression", "bExport",     "ePalAddress", "bLoadPalROM",
                            "eAddress",      "bAddAddress", "bDelAddress"};
  for (const char* name : enabled) EXPECT_TRUE(Find<QWidget>(name)->isEnabled()) << name;
  for (const char* name : disabled) EXPECT_FALSE(Find<QWidget>(name)->isEnabled()) << name;
}

TEST_F(WindowTest, ListsHoldTheTablesWithTheirNumbersAndNoSelection) {
  const auto* cbTemplate = Find<TChoiceBox>("cbTemplate");
  const char* templates[] = {"4bpp (GBA)",     "4bpp (SNES)",  "3bpp (SNES)",
                             "2bpp (SNES)",    "1bpp",         "8bpp (Mode7-1)",
                             "8bpp (Mode7-2)", "8bpp (Mode3)", "8bpp (PC)"};
  ASSERT_EQ(cbTemplate->count(), 9);
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(cbTemplate->itemText(i), templates[i]) << "item " << i;
    EXPECT_EQ(cbTemplate->ItemNumber(i), i + 1) << "item " << i;
  }
  EXPECT_EQ(cbTemplate->ItemIndex(), -1);
  EXPECT_EQ(cbTemplate->currentText(), "");
  EXPECT_EQ(cbTemplate->maxVisibleItems(), 10);

  const auto* cbCompression = Find<TChoiceBox>("cbCompression");
  // Every row of the scheme table, each item its stored number.
  ASSERT_EQ(cbCompression->count(), kCompressionCount);
  for (int i = 0; i < cbCompression->count(); ++i) {
    EXPECT_EQ(cbCompression->itemText(i), kSchemeRows[i].name) << "item " << i;
    EXPECT_EQ(cbCompression->ItemNumber(i), kSchemeRows[i].row) << "item " << i;
  }
  EXPECT_EQ(cbCompression->ItemIndex(), -1);
  EXPECT_EQ(cbCompression->maxVisibleItems(), 8);

  const auto* lbList = Find<TListBox>("lbList");
  EXPECT_EQ(lbList->count(), 0);
  EXPECT_EQ(lbList->ItemIndex(), -1);
}

TEST_F(WindowTest, LabelsAndHintsKeepTheirTexts) {
  struct Text {
    const char* name;
    const char* text;
  };
  for (const Text& t :
       {Text{"Label1", "Zoom"}, Text{"Label2", "Width:"}, Text{"Label3", "Height:"},
        Text{"Label4", "Offset:"}, Text{"Label5", "Template:"}, Text{"Label6", "Compression:"},
        Text{"Label7", "Name:"}, Text{"Label8", "Palette Address:"}, Text{"Label9", "Colors::"},
        Text{"Label10", "Tile Address:"}}) {
    EXPECT_EQ(Find<QLabel>(t.name)->text(), t.text) << t.name;
  }
  for (const Text& t :
       {Text{"bOpenROM", "Load SNES/GBA ROM"}, Text{"bNew", "New Document"},
        Text{"bLoad", "Load Document"}, Text{"bSave", "Save Document"},
        Text{"bExport", "Export an Image"}, Text{"bOpenPal", "Import a Palette"},
        Text{"bLoadPalROM", "Load Palette from ROM"}, Text{"bPalMono", "Make Palette Monochrome"},
        Text{"bPalMonoReverse", "Make Palette Monochrome Reverse"},
        Text{"bAddAddress", "Add Address to the List"},
        Text{"bDelAddress", "Remove Address from the List"}}) {
    EXPECT_EQ(Find<QWidget>(t.name)->toolTip(), t.text) << t.name;
  }
}

TEST_F(WindowTest, ButtonsShowPicturesOfTheirSizeInTheirStyle) {
  struct Button {
    const char* name;
    int picture;
    TImageButton::TStyle style;
  };
  using S = TImageButton::TStyle;
  for (const Button& b : {Button{"bNew", 48, S::Flat}, Button{"bLoad", 48, S::Flat},
                          Button{"bSave", 48, S::Flat}, Button{"bExport", 32, S::NoFrame},
                          Button{"bOpenPal", 32, S::NoFrame}, Button{"bLoadPalROM", 24, S::Flat},
                          Button{"bPalMono", 24, S::Flat}, Button{"bPalMonoReverse", 24, S::Flat},
                          Button{"bAddAddress", 24, S::Flat}, Button{"bDelAddress", 24, S::Flat}}) {
    const auto* button = Find<TImageButton>(b.name);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->Picture().size(), QSize(b.picture, b.picture)) << b.name;
    EXPECT_EQ(button->Style(), b.style) << b.name;
    const int side = b.picture == 24 ? 25 : b.picture;
    EXPECT_EQ(button->size(), QSize(side, side)) << b.name;
  }
  const auto* bOpenROM = Find<QPushButton>("bOpenROM");
  EXPECT_EQ(bOpenROM->size(), QSize(66, 48));
  EXPECT_EQ(bOpenROM->iconSize(), QSize(48, 48));
  EXPECT_FALSE(bOpenROM->icon().isNull());
}

TEST_F(WindowTest, RegionsKeepTheirSizesAndTheViewTakesTheRest) {
  window->show();
  const auto* Panel2 = Find<QWidget>("Panel2");
  const auto* lbList = Find<QWidget>("lbList");
  const auto* Panel1 = Find<QWidget>("Panel1");
  const auto* Image = Find<QWidget>("Image");
  const auto* sBar = Find<QWidget>("sBar");
  for (QSize size : {QSize(954, 488), QSize(1300, 800), QSize(500, 500)}) {
    window->resize(size);
    QApplication::processEvents();
    const int w = window->width();
    const int h = window->height();
    // The toolbar is one row of 57 pixels where its controls fit, more rows where they do not.
    const int t = Panel2->height();
    EXPECT_EQ(t % 57, 0) << w << "x" << h;
    if (w >= 954) {
      EXPECT_EQ(t, 57) << w << "x" << h;
    }
    EXPECT_EQ(Panel2->geometry(), QRect(0, 0, w, t)) << w << "x" << h;
    EXPECT_EQ(sBar->geometry(), QRect(0, h - 19, w, 19)) << w << "x" << h;
    EXPECT_EQ(lbList->geometry(), QRect(0, t, 157, h - t - 19)) << w << "x" << h;
    EXPECT_EQ(Panel1->geometry(), QRect(w - 274, t, 274, h - t - 19)) << w << "x" << h;
    EXPECT_EQ(Image->geometry(), QRect(157, t, w - 157 - 274, h - t - 19)) << w << "x" << h;
  }
}

TEST_F(WindowTest, NoLabelIsCutOrCovered) {
  const QList<QLabel*> labels = window->findChildren<QLabel*>();
  ASSERT_FALSE(labels.isEmpty());
  for (const QLabel* label : labels) {
    // The status bar's texts after its panels share what room is left; they are cut there.
    if (window->statusBar()->isAncestorOf(label) && label->parentWidget() != window->statusBar()) {
      continue;
    }
    EXPECT_GE(label->width(), label->sizeHint().width()) << label->objectName().toStdString();
    const QWidget* panel = label->parentWidget();
    for (const QObject* o : panel->children()) {
      const auto* sibling = qobject_cast<const QWidget*>(o);
      if (sibling == nullptr || sibling == label || panel == window->statusBar()) continue;
      EXPECT_FALSE(label->geometry().intersects(sibling->geometry()))
          << label->objectName().toStdString() << " overlaps "
          << sibling->objectName().toStdString();
    }
  }
  // Every value in a spin edit's range and every list item shows whole.
  for (const char* name : {"seWidth", "seHeight"}) {
    const auto* edit = Find<TSpinEdit>(name);
    EXPECT_GE(edit->width(), edit->WidthFor("2000")) << name;
    EXPECT_GE(edit->width(), 41) << name;
  }
  for (const char* name : {"cbTemplate", "cbCompression"}) {
    const auto* box = Find<TChoiceBox>(name);
    for (int i = 0; i < box->count(); ++i) {
      EXPECT_GE(box->width(), box->WidthFor(box->itemText(i))) << name << " item " << i;
    }
  }
}

TEST_F(WindowTest, GridIsSixteenBySixteenCellsWithAHandCursor) {
  const auto* gPal = Find<TPaletteGrid>("gPal");
  EXPECT_EQ(gPal->size(), QSize(256, 256));
  EXPECT_EQ(gPal->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(WindowTest, CreatesAndReleasesItsDrawingObjects) {
  const TLogPalette* block = TfmMainPeer::PaletteBlock(*window);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block->palVersion, 0x300);
  EXPECT_EQ(block->palNumEntries, 256);
  const TTilePalette* tilePalette = TfmMainPeer::TilePalette(*window);
  ASSERT_NE(tilePalette, nullptr);
  ASSERT_EQ(tilePalette->size(), 256);
  EXPECT_TRUE(std::all_of(tilePalette->begin(), tilePalette->end(),
                          [](QRgb c) { return qRed(c) == 0 && qGreen(c) == 0 && qBlue(c) == 0; }));
  const TIndexedBitmap* bitmap = TfmMainPeer::TileBitmap(*window);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_TRUE(bitmap->Empty());
  const TDecodeBuffer& buffer = TfmMainPeer::DecodeBuffer(*window);
  ASSERT_EQ(buffer.size(), kDecodeBufferSize);
  EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](std::uint8_t b) { return b == 0; }));
  EXPECT_EQ(TfmMainPeer::CurEntry(*window), nullptr);
  const TPalette& view = TfmMainPeer::ViewPalette(*window);
  EXPECT_TRUE(std::all_of(view.begin(), view.end(), [](std::uint32_t c) { return c == 0; }));

  window->FormDestroy();
  EXPECT_EQ(TfmMainPeer::PaletteBlock(*window), nullptr);
  EXPECT_EQ(TfmMainPeer::TilePalette(*window), nullptr);
  EXPECT_EQ(TfmMainPeer::TileBitmap(*window), nullptr);
  EXPECT_TRUE(TfmMainPeer::DecodeBuffer(*window).empty());
  EXPECT_EQ(Find<TImageView>("Image")->Bitmap(), nullptr);
}

TEST_F(WindowTest, BackgroundIsTheButtonFace) {
  const QColor face = window->palette().color(QPalette::Button);
  EXPECT_EQ(window->palette().color(QPalette::Window), face);
  const std::uint32_t expected = static_cast<std::uint32_t>(face.red()) |
                                 (static_cast<std::uint32_t>(face.green()) << 8) |
                                 (static_cast<std::uint32_t>(face.blue()) << 16);
  EXPECT_EQ(window->BackgroundColour(), expected);
}

}  // namespace
}  // namespace tegulo
