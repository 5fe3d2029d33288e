// FlowTest: a shown window with scripted dialogs, a generated ROM, and the user's gestures.
#pragma once

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <vector>

#include "choice_box.h"
#include "image_view.h"
#include "line_edit.h"
#include "list_box.h"
#include "main_peer.h"
#include "palette_grid.h"
#include "spin_edit.h"
#include "status_bar.h"

namespace tegulo {

// The generated ROM: varied tile bytes everywhere, 16 console colours at kRomPalette.
inline constexpr int kRomSize = 0x10000;
inline constexpr int kRomPalette = 0x8000;

inline std::uint16_t RomColourWord(int i) {
  return static_cast<std::uint16_t>((i * 2 % 32) | ((31 - i) << 5) | ((i * 5 % 32) << 10));
}

inline std::vector<std::uint8_t> MakeRom() {
  std::vector<std::uint8_t> rom(kRomSize);
  std::uint32_t x = 0x1234567u;
  for (auto& b : rom) {
    x = x * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(x >> 16);
  }
  for (int i = 0; i < 16; ++i) {
    rom[kRomPalette + 2 * i] = static_cast<std::uint8_t>(RomColourWord(i));
    rom[kRomPalette + 2 * i + 1] = static_cast<std::uint8_t>(RomColourWord(i) >> 8);
  }
  return rom;
}

inline std::uint32_t Grey(int v) { return static_cast<std::uint32_t>(v) * 0x010101u; }

class FlowTest : public WindowTest {
protected:
  void SetUp() override {
    WindowTest::SetUp();
    ShowActive();
    lbList = Find<TListBox>("lbList");
    eAddress = Find<TEdit>("eAddress");
    ePalAddress = Find<TEdit>("ePalAddress");
    eName = Find<TEdit>("eName");
    seZoom = Find<TSpinEdit>("seZoom");
    seWidth = Find<TSpinEdit>("seWidth");
    seHeight = Find<TSpinEdit>("seHeight");
    seOffset = Find<TSpinEdit>("seOffset");
    sePalNum = Find<TSpinEdit>("sePalNum");
    cbTemplate = Find<TChoiceBox>("cbTemplate");
    cbCompression = Find<TChoiceBox>("cbCompression");
    gPal = Find<TPaletteGrid>("gPal");
    Image = Find<TImageView>("Image");
    sBar = Find<TStatusBar>("sBar");
  }

  QString Path(const QString& name) const { return dir.filePath(name); }

  QString WriteFile(const QString& name, const QByteArray& bytes) {
    QFile file(Path(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return Path(name);
  }
  static QByteArray Bytes(const std::vector<std::uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
  }
  QByteArray ReadFile(const QString& path) const {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
  }

  void Click(const char* name) { QTest::mouseClick(Find<QWidget>(name), Qt::LeftButton); }

  // Opens a ROM through bOpenROM and its dialog.
  void OpenRom(const std::vector<std::uint8_t>& bytes = MakeRom(),
               const QString& name = QStringLiteral("game.sfc")) {
    prompts->fileAnswers.push_back(WriteFile(name, Bytes(bytes)));
    Click("bOpenROM");
  }

  // Replaces an edit's whole text by typing, one keystroke at a time, after selecting it
  // all as Ctrl+A does.
  static void Type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    if (text.isEmpty()) {
      QTest::keyClick(edit, Qt::Key_Delete);
    } else {
      QTest::keyClicks(edit, text);
    }
  }

  void AddEntry(const QString& address) {
    Type(eAddress, address);
    Click("bAddAddress");
  }

  // What the drop-down does when the user picks an item.
  static void Pick(TChoiceBox* box, const QString& text) {
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    box->setCurrentIndex(index);
    emit box->activated(index);
  }

  void ClickItem(int row) {
    const QRect r = lbList->visualItemRect(lbList->item(row));
    QTest::mouseClick(lbList->viewport(), Qt::LeftButton, {}, r.center());
  }

  void ClickCell(int index, Qt::MouseButton button = Qt::LeftButton) {
    const QRect r = TPaletteGrid::CellRect(index % 16, index / 16);
    QTest::mouseClick(gPal, button, {}, r.center());
  }

  // The colour the grid shows inside a cell, 0x00BBGGRR.
  std::uint32_t CellColour(int index) const {
    const QImage image = gPal->grab().toImage();
    const QRect r = TPaletteGrid::CellRect(index % 16, index / 16);
    const QColor c = image.pixelColor(r.center());
    return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
           (static_cast<std::uint32_t>(c.blue()) << 16);
  }

  TTileEntry* Cur() const { return TfmMainPeer::CurEntry(*window); }
  TIndexedBitmap& Bitmap() const { return *TfmMainPeer::TileBitmap(*window); }
  TPalette& View() const { return TfmMainPeer::ViewPalette(*window); }
  QStringList StatusTexts() const {
    return {sBar->PanelText(0), sBar->PanelText(1), sBar->PanelText(2)};
  }

  QTemporaryDir dir;
  TListBox* lbList = nullptr;
  TEdit* eAddress = nullptr;
  TEdit* ePalAddress = nullptr;
  TEdit* eName = nullptr;
  TSpinEdit* seZoom = nullptr;
  TSpinEdit* seWidth = nullptr;
  TSpinEdit* seHeight = nullptr;
  TSpinEdit* seOffset = nullptr;
  TSpinEdit* sePalNum = nullptr;
  TChoiceBox* cbTemplate = nullptr;
  TChoiceBox* cbCompression = nullptr;
  TPaletteGrid* gPal = nullptr;
  TImageView* Image = nullptr;
  TStatusBar* sBar = nullptr;
};

}  // namespace tegulo
