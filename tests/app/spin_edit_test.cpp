// TSpinEdit: reading typed text, pulling values into the range, refused keys, change events.
#include <QAbstractButton>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "main_peer.h"
#include "spin_edit.h"

namespace tegulo {
namespace {

class SpinEditTest : public WindowTest {
protected:
  void SetUp() override {
    WindowTest::SetUp();
    seWidth = Find<TSpinEdit>("seWidth");
    seOffset = Find<TSpinEdit>("seOffset");
    seWidth->setEnabled(true);
    seOffset->setEnabled(true);
  }
  // Real focus: the window is shown and active, focus moves to another control.
  void LeaveControl(TSpinEdit* edit) {
    ShowActive();
    edit->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(edit->hasFocus()) << "the offscreen window did not take the focus";
    Find<QWidget>("eName")->setFocus();
    QApplication::processEvents();
    ASSERT_FALSE(edit->hasFocus());
  }

  TSpinEdit* seWidth = nullptr;
  TSpinEdit* seOffset = nullptr;
};

TEST_F(SpinEditTest, TypedValueIsReadUnclampedUntilFocusLeaves) {
  ShowActive();
  seWidth->setFocus();
  seWidth->selectAll();
  QSignalSpy changes(seWidth, &TSpinEdit::Change);
  QTest::keyClicks(seWidth, "5000");
  EXPECT_EQ(changes.count(), 4);  // one per character
  EXPECT_EQ(seWidth->Value(), 5000);
  LeaveControl(seWidth);
  EXPECT_EQ(seWidth->text(), "2000");
  EXPECT_EQ(seWidth->Value(), 2000);
  EXPECT_EQ(changes.count(), 5);
}

TEST_F(SpinEditTest, FocusLossKeepsValuesInRangeAndTextThatIsNotANumber) {
  seWidth->setText("37");
  QSignalSpy changes(seWidth, &TSpinEdit::Change);
  LeaveControl(seWidth);
  EXPECT_EQ(seWidth->text(), "37");
  seWidth->setText("");
  LeaveControl(seWidth);
  EXPECT_EQ(seWidth->text(), "");  // reads as the lower bound, left as it is
  EXPECT_EQ(changes.count(), 1);
}

TEST_F(SpinEditTest, ReadsTheNumberSyntaxAndNonNumbersAsTheLowerBound) {
  struct Case {
    const char* text;
    int width;   // seWidth, 1..2000
    int offset;  // seOffset, no range
  };
  for (const Case& c : {Case{"", 1, 0}, Case{"-", 1, 0}, Case{"+", 1, 0}, Case{"$10", 16, 16},
                        Case{"12", 12, 12}, Case{"-16", -16, -16}, Case{"9999", 9999, 9999},
                        Case{"1.5", 1, 0}, Case{"$FFFFFFFF", -1, -1}, Case{" 7", 7, 7}}) {
    seWidth->setText(c.text);
    seOffset->setText(c.text);
    EXPECT_EQ(seWidth->Value(), c.width) << "text \"" << c.text << '"';
    EXPECT_EQ(seOffset->Value(), c.offset) << "text \"" << c.text << '"';
  }
}

TEST_F(SpinEditTest, NoRangeKeepsNegativeValues) {
  seOffset->selectAll();
  QTest::keyClicks(seOffset, "-16");
  EXPECT_EQ(seOffset->Value(), -16);
  LeaveControl(seOffset);
  EXPECT_EQ(seOffset->text(), "-16");
  seOffset->SetValue(-2000000000);
  EXPECT_EQ(seOffset->text(), "-2000000000");
}

TEST_F(SpinEditTest, ProgramValuesAndStepsArePulledIntoTheRange) {
  seWidth->SetValue(5000);
  EXPECT_EQ(seWidth->text(), "2000");
  seWidth->SetValue(0);
  EXPECT_EQ(seWidth->text(), "1");
  QTest::keyClick(seWidth, Qt::Key_Down);
  EXPECT_EQ(seWidth->text(), "1");
  QTest::keyClick(seWidth, Qt::Key_Up);
  QTest::keyClick(seWidth, Qt::Key_Up);
  EXPECT_EQ(seWidth->text(), "3");
  seWidth->setText("2500");  // typed beyond the range; a step starts from what is read
  QTest::keyClick(seWidth, Qt::Key_Down);
  EXPECT_EQ(seWidth->text(), "2000");
  seOffset->SetValue(0);
  QTest::keyClick(seOffset, Qt::Key_Down);
  EXPECT_EQ(seOffset->text(), "-1");
  seOffset->SetValue(2147483647);
  QTest::keyClick(seOffset, Qt::Key_Up);
  EXPECT_EQ(seOffset->text(), "2147483647");
}

TEST_F(SpinEditTest, StepButtonsStepByOne) {
  ShowActive();
  seWidth->SetValue(10);
  const QList<QAbstractButton*> buttons = seWidth->findChildren<QAbstractButton*>();
  ASSERT_EQ(buttons.size(), 2);
  QAbstractButton* up = buttons[0]->y() < buttons[1]->y() ? buttons[0] : buttons[1];
  QAbstractButton* down = up == buttons[0] ? buttons[1] : buttons[0];
  QTest::mouseClick(up, Qt::LeftButton);
  EXPECT_EQ(seWidth->text(), "11");
  QTest::mouseClick(down, Qt::LeftButton);
  QTest::mouseClick(down, Qt::LeftButton);
  EXPECT_EQ(seWidth->text(), "9");
}

TEST_F(SpinEditTest, RefusesOtherCharactersAndEnter) {
  seWidth->setText("");
  QSignalSpy returns(seWidth, &QLineEdit::returnPressed);
  QTest::keyClicks(seWidth, "1a$x2 ");
  EXPECT_EQ(seWidth->text(), "12");
  QTest::keyClick(seWidth, Qt::Key_Return);
  QTest::keyClick(seWidth, Qt::Key_Enter);
  EXPECT_EQ(returns.count(), 0);
  EXPECT_EQ(seWidth->text(), "12");
  QTest::keyClicks(seWidth, "+-");
  EXPECT_EQ(seWidth->text(), "12+-");
  QTest::keyClick(seWidth, Qt::Key_Backspace);
  EXPECT_EQ(seWidth->text(), "12+");
}

TEST_F(SpinEditTest, EveryTextChangeRaisesChange) {
  QSignalSpy changes(seWidth, &TSpinEdit::Change);
  seWidth->SetValue(5);
  seWidth->SetValue(5);  // the same text is no change
  seWidth->setText("");
  QTest::keyClicks(seWidth, "12");
  EXPECT_EQ(changes.count(), 4);
}

}  // namespace
}  // namespace tegulo
