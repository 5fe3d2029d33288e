// The window as a new user meets it: drops told by content, shortcuts from every control, the
// import action's state, a silent import made visible, numbers shown whole.
#include <QAction>
#include <QLabel>
#include <QStatusBar>

#include "polish_fixture.h"

namespace tegulo {
namespace {

constexpr std::uint32_t kWhite = 0x00FFFFFFu;

// A ZSNES state: its signature, then colour 1 white in the words at 1560.
QByteArray ZsnesState() {
  QByteArray bytes("ZSNES Save State File");
  bytes.resize(1560 + 512, '\0');
  bytes[1562] = static_cast<char>(0xFF);
  bytes[1563] = 0x7F;
  return bytes;
}

TEST_F(PolishTest, DroppedFilesAreOpenedByWhatTheyAre) {
  OpenWithEntry();
  Import(WritePicture("p.png", 3));
  const std::vector<std::uint8_t> edited = Rom();
  const QString title = window->windowTitle();
  struct Case {
    const char* name;
    QByteArray bytes;
    std::uint32_t colour1;  // the entry's colour 1 afterwards
  };
  const Case cases[] = {
      {"colours.gpl", "GIMP Palette\nName: t\n#\n0 0 0\tc0\n10 20 30\tc1\n", 0x001E140Au},
      {"slot", ZsnesState(), kWhite},  // no extension: the content tells
      {"colours.txt", "JASC-PAL\r\n0100\r\n2\r\n0 0 0\r\n1 2 3\r\n", 0x00030201u},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(Drop(WriteFile(c.name, c.bytes), Image)) << c.name;
    EXPECT_EQ(Cur()->Palette[1], c.colour1) << c.name;
    EXPECT_EQ(View()[1], c.colour1) << c.name;
    EXPECT_EQ(Rom(), edited) << c.name << " is no ROM";
    EXPECT_EQ(window->windowTitle(), title) << c.name;
  }
  EXPECT_TRUE(Questions().isEmpty()) << "a palette drop asks nothing";
  EXPECT_TRUE(prompts->errors.empty()) << prompts->errors.front().toStdString();

  // Anything else is a ROM, opened after the same question and checks as the button's.
  prompts->saveChangesAnswers.push_back(TSaveChanges::Discard);
  EXPECT_TRUE(Drop(WriteFile("data.raw", QByteArray(2048, 0x11)), Image));
  EXPECT_EQ(Rom(), std::vector<std::uint8_t>(2048, 0x11));
  EXPECT_EQ(Questions(), QStringList{"Save changes to the ROM?"});
}

TEST_F(PolishTest, OpeningARomLeavesNothingOfTheOldOneOnScreen) {
  OpenWithEntry(std::vector<std::uint8_t>(1024, 0xFF));
  ASSERT_EQ(Bitmap().Row(0)[0], 15);
  const QStringList ones = StatusTexts();
  OpenRom(std::vector<std::uint8_t>(1024, 0x00), "zeros.sfc");
  EXPECT_EQ(Bitmap().Row(0)[0], 0) << "the entry is drawn from the new ROM";
  EXPECT_EQ(Image->Bitmap(), &Bitmap());
  EXPECT_EQ(StatusTexts(), ones) << "the same entry, the same sizes";
  EXPECT_TRUE(sBar->Panel(0)->toolTip().contains("1024 bytes"));

  AddEntry("$10");  // current, without a template: nothing can be drawn for it
  OpenRom(std::vector<std::uint8_t>(512, 0xFF), "small.sfc");
  EXPECT_EQ(Image->Bitmap(), nullptr);
  EXPECT_TRUE(sBar->Panel(0)->toolTip().contains("512 bytes"));

  prompts->saveChangesAnswers.push_back(TSaveChanges::Discard);
  Click("bNew");
  OpenRom(std::vector<std::uint8_t>(256, 0xFF), "tiny.sfc");
  EXPECT_EQ(Image->Bitmap(), nullptr);
  EXPECT_EQ(StatusTexts(), (QStringList{"#Tiles:", "Raw Size:", "Compressed Size:"}));
  EXPECT_TRUE(sBar->Panel(0)->toolTip().isEmpty());
}

TEST_F(PolishTest, WindowShortcutsWorkFromEveryControl) {
  OpenWithEntry();
  using K = FakePrompts::TKind;
  struct Shortcut {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    K asks;
  };
  const Shortcut shortcuts[] = {
      {Qt::Key_E, Qt::ControlModifier, K::SaveFile},
      {Qt::Key_I, Qt::ControlModifier, K::OpenFile},
      {Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier, K::SaveFileAs}};
  for (const char* name : {"eName", "eAddress", "ePalAddress", "seZoom", "seWidth", "seHeight",
                           "seOffset", "sePalNum", "lbList", "cbTemplate", "cbCompression"}) {
    QWidget* control = Find<QWidget>(name);
    for (const Shortcut& s : shortcuts) {
      control->setFocus();
      ASSERT_TRUE(control->hasFocus()) << name;
      const std::size_t asked = prompts->requests.size();
      QTest::keyClick(control, s.key, s.modifiers);  // the dialog is cancelled
      ASSERT_EQ(prompts->requests.size(), asked + 1) << name << " " << s.key;
      EXPECT_EQ(prompts->requests.back().kind, s.asks) << name << " " << s.key;
    }
  }
  EXPECT_EQ(eName->text(), "$100") << "no shortcut reached the edit";

  // Ctrl+Z inside an edit undoes its typing; the ROM's imports stay.
  Import(WritePicture("p.png", 3));
  eName->setFocus();
  QTest::keyClick(eName, Qt::Key_End);
  QTest::keyClicks(eName, "x");
  ASSERT_EQ(eName->text(), "$100x");
  QTest::keyClick(eName, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(eName->text(), "$100");
  EXPECT_TRUE(Action("aUndoImport")->isEnabled());
}

TEST_F(PolishTest, ImportIsEnabledOnlyWhereItCanWorkAndSaysWhyNot) {
  const auto state = [this] {
    QAction* a = Action("aImportImage");
    return (a->isEnabled() ? QStringLiteral("on: ") : QStringLiteral("off: ")) + a->toolTip();
  };
  EXPECT_EQ(state(), "off: Open a ROM first");
  OpenRom();
  EXPECT_EQ(state(), "off: Select an entry of the list first");
  AddEntry("$100");
  EXPECT_EQ(state(), "off: The entry has no template");
  prompts->fileAnswers.push_back(WritePicture("p.png", 3));
  QTest::keyClick(lbList, Qt::Key_I, Qt::ControlModifier);
  EXPECT_EQ(prompts->fileAnswers.size(), 1u) << "no dialog for an import that cannot work";
  EXPECT_FALSE(Drop(Path("p.png"), Image)) << "nor a drop";
  Pick(cbTemplate, "2bpp (SNES)");
  EXPECT_EQ(state(), "on: Put a PNG picture into the ROM where the current entry shows it");
}

TEST_F(PolishTest, AnImportThatChangesNothingSaysSo) {
  OpenWithEntry();
  prompts->fileAnswers.push_back(Path("shown.png"));
  Action("aExportImage")->trigger();
  const QString title = window->windowTitle();
  Import(Path("shown.png"));
  ASSERT_TRUE(prompts->errors.empty()) << prompts->errors.front().toStdString();
  const QLabel* note = Find<QLabel>("sBarMessage");
  EXPECT_EQ(note->text(), "Nothing changed: the picture matches the ROM");
  EXPECT_EQ(window->windowTitle(), title) << "no unsaved mark";
  EXPECT_FALSE(Action("aUndoImport")->isEnabled());
  Import(WritePicture("p.png", 3));
  EXPECT_EQ(note->text(), "") << "the note goes with the next import";
}

TEST_F(PolishTest, NumbersShowWholeWhenTheFocusIsElsewhere) {
  OpenWithEntry();
  const QSize size = window->size();
  struct Field {
    TSpinEdit* edit;
    QString widest;
  };
  const Field fields[] = {{seZoom, "4"},         {seWidth, "2000"},      {seHeight, "2000"},
                          {seOffset, "3145728"}, {seOffset, "33554432"}, {sePalNum, "256"}};
  for (const Field& f : fields) {
    EXPECT_LE(f.edit->WidthFor(f.widest), f.edit->width()) << f.edit->objectName().toStdString();
  }
  EXPECT_EQ(window->size(), size);

  // A value wider than any field shows from its start once the user moves on.
  seOffset->setFocus();
  Type(seOffset, "-2147483648");
  eName->setFocus();
  EXPECT_EQ(seOffset->cursorPosition(), 0);
  seOffset->SetValue(262144);
  EXPECT_EQ(seOffset->cursorPosition(), 0);
}

}  // namespace
}  // namespace tegulo
