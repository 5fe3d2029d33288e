// The window under real input events: mouse buttons and modifiers on the list, typing while
// message boxes come and go, pasting and dropping into spin edits, tearing a shown window
// down, and the focus order by Tab.
#include <QClipboard>
#include <QMessageBox>
#include <QMimeData>
#include <QSignalSpy>
#include <QTimer>
#include <algorithm>

#include "flow_fixture.h"
#include "qt_user_prompts.h"

namespace tegulo {
namespace {

// TListBox on its own: which gestures select, and which raise Click.
class ListBoxEvents : public ::testing::Test {
protected:
  void SetUp() override {
    list.resize(150, 200);
    for (const char* text : {"one", "two", "three"}) list.AddItem(text);
    list.show();
  }
  QPoint Row(int row) const { return list.visualItemRect(list.item(row)).center(); }

  TListBox list;
};

TEST_F(ListBoxEvents, OnlyTheLeftButtonSelects) {
  QSignalSpy clicks(&list, &TListBox::Click);
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, Row(0));
  ASSERT_EQ(list.ItemIndex(), 0);
  ASSERT_EQ(clicks.count(), 1);
  struct Gesture {
    Qt::MouseButton button;
    bool twice;
  };
  for (const Gesture g : {Gesture{Qt::RightButton, false}, Gesture{Qt::MiddleButton, false},
                          Gesture{Qt::RightButton, true}, Gesture{Qt::MiddleButton, true}}) {
    for (int row : {1, 2}) {
      if (g.twice) {
        QTest::mouseDClick(list.viewport(), g.button, {}, Row(row));
      } else {
        QTest::mouseClick(list.viewport(), g.button, {}, Row(row));
      }
      EXPECT_EQ(list.ItemIndex(), 0) << "button " << g.button << " on row " << row;
      EXPECT_EQ(list.currentRow(), 0) << "button " << g.button << " on row " << row;
    }
  }
  EXPECT_EQ(clicks.count(), 1);
  // A left press, a drag with the middle button held instead, selects nothing either.
  QTest::mousePress(list.viewport(), Qt::MiddleButton, {}, Row(1));
  QMouseEvent move(QEvent::MouseMove, Row(2), list.viewport()->mapToGlobal(Row(2)), Qt::NoButton,
                   Qt::MiddleButton, Qt::NoModifier);
  QApplication::sendEvent(list.viewport(), &move);
  QTest::mouseRelease(list.viewport(), Qt::MiddleButton, {}, Row(2));
  EXPECT_EQ(list.ItemIndex(), 0);
  EXPECT_EQ(clicks.count(), 1);
}

TEST_F(ListBoxEvents, NoClickOrKeyLeavesTheListWithoutASelection) {
  QSignalSpy clicks(&list, &TListBox::Click);
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, Row(1));
  ASSERT_EQ(list.ItemIndex(), 1);
  QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier, Row(1));
  EXPECT_EQ(list.ItemIndex(), 1) << "Ctrl+click on the selected row";
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(20, 190));
  EXPECT_EQ(list.ItemIndex(), 1) << "click below the last row";
  QTest::keyClick(&list, Qt::Key_Space, Qt::ControlModifier);
  EXPECT_EQ(list.ItemIndex(), 1) << "Ctrl+Space";
  EXPECT_EQ(clicks.count(), 3);  // the three left releases; the key changed nothing
  QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier, Row(2));
  EXPECT_EQ(list.ItemIndex(), 2) << "Ctrl+click on another row selects it";
  EXPECT_EQ(clicks.count(), 4);
  QTest::keyClick(&list, Qt::Key_Up);
  QTest::keyClick(&list, Qt::Key_Home);
  EXPECT_EQ(list.ItemIndex(), 0);
  EXPECT_EQ(clicks.count(), 6) << "once per key that moves the selection";
  QTest::keyClick(&list, Qt::Key_Up);
  EXPECT_EQ(clicks.count(), 6) << "a key that moves nothing";
}

// The window with three entries "$100", "$200", "$300", the first one selected.
class RealEventsTest : public FlowTest {
protected:
  void AddThree() {
    OpenRom();
    for (const char* address : {"$100", "$200", "$300"}) AddEntry(address);
    ClickItem(0);
    ASSERT_EQ(lbList->ItemIndex(), 0);
  }
  const TTileEntry* EntryAt(int row) const {
    return TfmMainPeer::Entries(*window)[static_cast<std::size_t>(row)].get();
  }
  void ExpectCurrentIs(int row, const char* what) {
    EXPECT_EQ(lbList->ItemIndex(), row) << what;
    EXPECT_EQ(Cur(), EntryAt(row)) << what;
    EXPECT_EQ(eName->text(), lbList->item(row)->text()) << what;
  }
  void PressItem(int row, Qt::MouseButton button, Qt::KeyboardModifiers modifiers = {}) {
    const QRect r = lbList->visualItemRect(lbList->item(row));
    QTest::mouseClick(lbList->viewport(), button, modifiers, r.center());
  }
};

TEST_F(RealEventsTest, OtherButtonsLeaveTheSelectionAndTheCurrentEntryTogether) {
  AddThree();
  PressItem(1, Qt::RightButton);
  PressItem(2, Qt::MiddleButton);
  ExpectCurrentIs(0, "after right and middle clicks");
  // Edits still go to the entry shown, and the item shown is the one renamed.
  Type(eName, "first");
  EXPECT_EQ(lbList->item(0)->text(), "first");
  EXPECT_EQ(lbList->item(1)->text(), "$200");
  EXPECT_EQ(GetName(*EntryAt(0)), "first");
  prompts->colourAnswers.push_back(QColor(8, 16, 32));  // a colour the console shows
  ClickCell(3);
  EXPECT_EQ(EntryAt(0)->Palette[3], 0x00201008u);
  EXPECT_EQ(EntryAt(1)->Palette[3], 0u);
  Click("bDelAddress");
  ASSERT_EQ(lbList->count(), 2);
  EXPECT_EQ(lbList->item(0)->text(), "$200");
  ExpectCurrentIs(0, "after Remove");
}

TEST_F(RealEventsTest, CtrlClickKeepsTheSelectedEntryCurrent) {
  AddThree();
  PressItem(0, Qt::LeftButton, Qt::ControlModifier);
  ExpectCurrentIs(0, "Ctrl+click on the selected item");
  EXPECT_TRUE(Find<QWidget>("bExport")->isEnabled());
  Type(eName, "kept");
  EXPECT_EQ(lbList->item(0)->text(), "kept");
}

TEST_F(RealEventsTest, EveryChangeOfTheSelectionMakesItsEntryCurrentOnce) {
  AddThree();
  QSignalSpy clicks(lbList, &TListBox::Click);
  lbList->setFocus();
  QTest::keyClick(lbList, Qt::Key_Down);
  ExpectCurrentIs(1, "Down");
  QTest::keyClick(lbList, Qt::Key_End);
  ExpectCurrentIs(2, "End");
  PressItem(0, Qt::LeftButton);
  ExpectCurrentIs(0, "left click");
  EXPECT_EQ(clicks.count(), 3);
}

// Prompts whose message boxes are Qt's own, shown modally, for a test that closes them.
class BoxPrompts : public FakePrompts {
public:
  bool realBoxes = false;
  int shown = 0;
  int open = 0;
  int deepest = 0;

  void ShowError(const QString& text) override {
    FakePrompts::ShowError(text);
    Box(text);
  }
  void ShowMessage(const QString& text) override {
    FakePrompts::ShowMessage(text);
    Box(text);
  }

private:
  void Box(const QString& text) {
    if (!realBoxes) return;
    ++shown;
    deepest = std::max(deepest, ++open);
    QtUserPrompts().ShowMessage(text);
    --open;
  }
};

class MessageBoxTest : public RealEventsTest {
protected:
  std::unique_ptr<FakePrompts> MakePrompts() override { return std::make_unique<BoxPrompts>(); }
  BoxPrompts& Boxes() { return static_cast<BoxPrompts&>(*prompts); }
};

TEST_F(MessageBoxTest, TypingWhileABoxComesAndGoesOpensOneBoxAtATime) {
  std::vector<std::uint8_t> rom = MakeRom();
  rom[0x100] = 0x11;  // not an LZ77-10 stream: every refresh says so
  OpenRom(rom);
  AddEntry("$100");
  Pick(cbTemplate, "4bpp (SNES)");
  Pick(cbCompression, "LZ77-10");
  ASSERT_EQ(prompts->messages.size(), 1u);

  // A user reads each box and closes it.
  QTimer closer;
  int closed = 0;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      box->done(QMessageBox::Ok);
      ++closed;
    }
  });
  closer.start(40);
  Boxes().realBoxes = true;
  seWidth->setFocus();
  seWidth->selectAll();
  for (const char key : {'5', '0', '0', '0'}) {
    ShowActive();  // as the desktop does when a box closes
    ASSERT_TRUE(seWidth->hasFocus());
    QTest::keyClick(seWidth, key);
  }
  // One refresh, and one box, per keystroke; at 5000 the entry is also too large to draw.
  EXPECT_EQ(Boxes().shown, 5);
  ASSERT_EQ(prompts->errors.size(), 1u);
  EXPECT_EQ(prompts->errors[0].toStdString(),
            "Entry too large to draw (5000 x 1 tiles; at most 2000 x 2000)");
  EXPECT_EQ(Boxes().deepest, 1);
  EXPECT_EQ(seWidth->text(), "5000") << "the typed number stands while the boxes come and go";
  EXPECT_EQ(Cur()->Width, 5000);

  // Moving on to another control pulls it into the range: one more change, one more box.
  ShowActive();
  ASSERT_TRUE(seWidth->hasFocus());
  eName->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(seWidth->text(), "2000");
  EXPECT_EQ(Cur()->Width, 2000);
  EXPECT_EQ(Boxes().shown, 6);
  EXPECT_EQ(Boxes().deepest, 1);
  EXPECT_EQ(closed, 6);
  EXPECT_EQ(prompts->errors.size(), 1u);
}

TEST_F(RealEventsTest, DestroyingTheShownWindowWhileATypedValueIsOutOfRange) {
  OpenRom();
  AddEntry("0");
  Pick(cbTemplate, "4bpp (SNES)");
  seWidth->setFocus();
  Type(seWidth, "5000");
  ASSERT_TRUE(seWidth->hasFocus());
  int changes = 0;
  QObject::connect(seWidth, &TSpinEdit::Change, [&changes] { ++changes; });
  window.reset();  // under AddressSanitizer, any handler reaching the dead window fails here
  EXPECT_EQ(changes, 0) << "the window going away is not the user moving on";
}

TEST_F(RealEventsTest, PastedAndDroppedTextIsFilteredAsTypedTextIs) {
  OpenRom();
  AddEntry("0");
  Pick(cbTemplate, "4bpp (SNES)");
  Type(seHeight, "3");
  QClipboard* clipboard = QGuiApplication::clipboard();
  const auto paste = [&](const QString& text) {
    clipboard->setText(text);
    ASSERT_EQ(clipboard->text(), text);
    seHeight->selectAll();
    QTest::keyClick(seHeight, Qt::Key_V, Qt::ControlModifier);
  };
  paste("TEGULO banner");
  EXPECT_EQ(seHeight->text(), "3");
  paste("12x");  // refused whole, not cut to "12"
  EXPECT_EQ(seHeight->text(), "3");
  paste("12");
  EXPECT_EQ(seHeight->text(), "12");
  EXPECT_EQ(Cur()->Height, 12);

  // The context menu's Paste.
  clipboard->setText("banner");
  seHeight->selectAll();
  seHeight->paste();
  EXPECT_EQ(seHeight->text(), "12");

  // A drop.
  const auto drop = [&](const QString& text) {
    QMimeData data;
    data.setText(text);
    const QPoint at = seHeight->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(seHeight, &enter);
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(seHeight, &dropped);
  };
  drop("TEGULO");
  EXPECT_EQ(seHeight->text(), "12");
  drop("7");
  EXPECT_NE(seHeight->text(), "12");
  EXPECT_TRUE(seHeight->text().contains('7'));

  // Refused text stays refused after the focus moves on.
  seHeight->setFocus();
  paste("TEGULO banner");
  eName->setFocus();
  QApplication::processEvents();
  EXPECT_FALSE(seHeight->text().contains('T'));
  EXPECT_EQ(Cur()->Height, seHeight->Value());
}

TEST_F(RealEventsTest, ALongNameShowsFromItsStart) {
  OpenRom();
  AddEntry("0");
  Type(eName, "A rather long name, 30 chars!!");
  AddEntry("1");
  ClickItem(0);
  EXPECT_EQ(eName->text(), "A rather long name, 30 chars!!");
  EXPECT_EQ(eName->cursorPosition(), 0);
  // The text cursor, and so the first letter, is at the left edge of the edit.
  const QRect first = eName->inputMethodQuery(Qt::ImCursorRectangle).toRect();
  EXPECT_LT(first.left(), eName->width() / 4);
}

TEST_F(FlowTest, TabMovesTheFocusInTheWindowsOrder) {
  OpenRom();
  AddEntry("0");
  Pick(cbTemplate, "4bpp (SNES)");  // every control that takes the focus is enabled
  const std::vector<std::string> order = {
      "lbList",   "gPal",  "ePalAddress", "sePalNum",   "eAddress",      "seWidth", "seHeight",
      "seOffset", "eName", "seZoom",      "cbTemplate", "cbCompression", "lbList"};
  lbList->setFocus();
  std::vector<std::string> seen;
  for (std::size_t i = 0; i < order.size(); ++i) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    seen.push_back(focus->objectName().toStdString());
    QTest::keyClick(focus, Qt::Key_Tab);
  }
  EXPECT_EQ(seen, order);
}

}  // namespace
}  // namespace tegulo
