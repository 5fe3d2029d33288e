// Browsing from the view: keys and wheel on the real view widget step the offset by the
// template's tile, row and screen; Ctrl+wheel zooms; the first panel's hint.
#include <QLabel>
#include <QWheelEvent>

#include "flow_fixture.h"

namespace tegulo {
namespace {

class BrowseTest : public FlowTest {
protected:
  void AddDrawn(const QString& templ, int width, int height) {
    AddEntry(QStringLiteral("$100"));
    Pick(cbTemplate, templ);
    Type(seWidth, QString::number(width));
    Type(seHeight, QString::number(height));
  }
  void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(Image, static_cast<Qt::Key>(key), mods);
  }
  void Wheel(int delta, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    const QPointF at(10, 10);
    QWheelEvent event(at, Image->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, mods,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(Image, &event);
  }
};

TEST_F(BrowseTest, KeysAndWheelStepByTheTemplatesTileRowAndScreen) {
  OpenRom();
  const struct {
    const char* templ;
    int tile, row, screen;  // for 3 x 2 tiles
  } cases[] = {
      {"4bpp (GBA)", 32, 96, 192},
      {"4bpp (SNES)", 32, 96, 192},
      {"3bpp (SNES)", 24, 72, 144},
      {"2bpp (SNES)", 16, 48, 96},
      {"1bpp", 8, 24, 48},
      {"8bpp (Mode7-1)", 64, 192, 384},
      {"8bpp (Mode7-2)", 64, 192, 384},
      {"8bpp (Mode3)", 64, 192, 384},
      {"8bpp (PC)", 64, 3, 6},
  };
  for (const auto& c : cases) {
    AddDrawn(c.templ, 3, 2);
    QTest::mouseClick(Image, Qt::LeftButton);
    EXPECT_TRUE(Image->hasFocus()) << c.templ;
    Type(seOffset, QStringLiteral("1000"));
    QTest::mouseClick(Image, Qt::LeftButton);
    int expected = 1000;
    const auto step = [&](int key, Qt::KeyboardModifiers mods, int by) {
      Key(key, mods);
      expected += by;
      EXPECT_EQ(seOffset->Value(), expected) << c.templ << " key " << key;
    };
    step(Qt::Key_Right, Qt::NoModifier, c.tile);
    step(Qt::Key_Left, Qt::NoModifier, -c.tile);
    step(Qt::Key_Down, Qt::NoModifier, c.row);
    step(Qt::Key_Up, Qt::NoModifier, -c.row);
    step(Qt::Key_PageDown, Qt::NoModifier, c.screen);
    step(Qt::Key_PageUp, Qt::NoModifier, -c.screen);
    step(Qt::Key_Right, Qt::ShiftModifier, 1);
    step(Qt::Key_Left, Qt::ShiftModifier, -1);
    Wheel(-240);  // two notches down
    expected += 2 * c.row;
    EXPECT_EQ(seOffset->Value(), expected) << c.templ << " wheel";
    Wheel(60);
    Wheel(60);  // half notches add up
    expected -= c.row;
    EXPECT_EQ(seOffset->Value(), expected) << c.templ << " wheel";
    Key(Qt::Key_Home);
    EXPECT_EQ(seOffset->Value(), 0) << c.templ;
  }
}

TEST_F(BrowseTest, StepsStoreRefreshAndRedrawAsTypingDoes) {
  OpenRom();
  AddDrawn("2bpp (SNES)", 2, 1);
  QTest::mouseClick(Image, Qt::LeftButton);
  Key(Qt::Key_Right);
  EXPECT_EQ(TfmMainPeer::CurEntry(*window)->Offset, 16);
  // The drawing is that of the typed offset.
  const auto pixels = [&] {
    const auto p = Image->Bitmap()->Pixels();
    return std::vector<std::uint8_t>(p.begin(), p.end());
  };
  const std::vector<std::uint8_t> stepped = pixels();
  Type(seOffset, QStringLiteral("0"));
  EXPECT_NE(pixels(), stepped);
  Type(seOffset, QStringLiteral("16"));
  EXPECT_EQ(pixels(), stepped);
  EXPECT_EQ(sBar->Panel(0)->toolTip(), "ROM address $000110 (ROM size $010000, 65536 bytes)");
  Key(Qt::Key_Left);
  Key(Qt::Key_Left);  // stops at the offset's lowest value
  EXPECT_EQ(seOffset->Value(), seOffset->CheckValue(-16));
}

TEST_F(BrowseTest, CtrlWheelZoomsWithinOneToFourAndNothingHappensWithoutAnEntry) {
  OpenRom();
  QTest::mouseClick(Image, Qt::LeftButton);
  Key(Qt::Key_Right);
  Wheel(-120);
  EXPECT_EQ(seOffset->Value(), 0) << "no entry: nothing moves";
  AddDrawn("4bpp (SNES)", 2, 1);
  Type(seZoom, QStringLiteral("3"));
  for (int i = 0; i < 3; ++i) Wheel(120, Qt::ControlModifier);
  EXPECT_EQ(seZoom->Value(), 4);
  EXPECT_EQ(Image->Zoom(), 4);
  for (int i = 0; i < 5; ++i) Wheel(-120, Qt::ControlModifier);
  EXPECT_EQ(seZoom->Value(), 1);
  EXPECT_EQ(seOffset->Value(), 0) << "zooming does not move";
  EXPECT_EQ(Image->focusPolicy(), Qt::ClickFocus) << "not in the Tab order";
}

}  // namespace
}  // namespace tegulo
