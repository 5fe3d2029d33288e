// The question before a changed entry list is dropped, and the folder each file dialog opens in.
#include <QDir>
#include <QFileDialog>
#include <QTimer>
#include <functional>

#include "polish_fixture.h"
#include "qt_user_prompts.h"

namespace tegulo {
namespace {

using TSaveChanges = UserPrompts::TSaveChanges;

class DocumentChangesTest : public PolishTest {
protected:
  // A fresh window holding one new entry the document does not have.
  void ChangedList() {
    window.reset();
    prompts = nullptr;
    FlowTest::SetUp();
    OpenRom();
    AddEntry("$100");
  }
  QString TwoEntryDocument() {
    const std::vector<TTileEntry> two{NewEntry("$200", 1, 1, 0), NewEntry("$300", 1, 1, 0)};
    return WriteFile("two.tgl",
                     QByteArray(reinterpret_cast<const char*>(two.data()),
                                static_cast<qsizetype>(two.size() * sizeof(TTileEntry))));
  }
};

TEST_F(DocumentChangesTest, NewLoadDropAndCloseAskBeforeAChangedListGoes) {
  const QString doc = TwoEntryDocument();
  struct Case {
    const char* action;
    std::function<void()> run;
    TSaveChanges answer;
    bool saveDialogAnswered;
    int listAfter;  // -1: the window closed
  };
  const auto newDoc = [this] { Click("bNew"); };
  const auto load = [this, doc] {
    prompts->fileAnswers.push_front(doc);
    Click("bLoad");
  };
  const auto drop = [this, doc] { EXPECT_TRUE(Drop(doc, Image)); };
  const auto close = [this] { window->close(); };
  const Case cases[] = {
      {"New", newDoc, TSaveChanges::Cancel, false, 1},
      {"New", newDoc, TSaveChanges::Discard, false, 0},
      {"New", newDoc, TSaveChanges::Save, true, 0},
      {"New", newDoc, TSaveChanges::Save, false, 1},  // the save dialog cancelled
      {"Load", load, TSaveChanges::Cancel, false, 1},
      {"Load", load, TSaveChanges::Discard, false, 2},
      {"Load", load, TSaveChanges::Save, true, 2},
      {"drop", drop, TSaveChanges::Cancel, false, 1},
      {"drop", drop, TSaveChanges::Discard, false, 2},
      {"close", close, TSaveChanges::Cancel, false, 1},
      {"close", close, TSaveChanges::Save, false, 1},
      {"close", close, TSaveChanges::Discard, false, -1},
      {"close", close, TSaveChanges::Save, true, -1},
  };
  for (const Case& c : cases) {
    const std::string row = std::string(c.action) + " answered " +
                            std::to_string(static_cast<int>(c.answer)) + ", dialog " +
                            std::to_string(c.saveDialogAnswered);
    ChangedList();
    const QString saved = Path(QStringLiteral("saved-%1.tgl").arg(&c - cases));
    prompts->saveChangesAnswers.push_back(c.answer);
    if (c.saveDialogAnswered) prompts->fileAnswers.push_back(saved);
    c.run();
    EXPECT_EQ(Questions(), QStringList{"Save changes to the document?"}) << row;
    EXPECT_EQ(window->isVisible(), c.listAfter >= 0) << row;
    if (c.listAfter >= 0) {
      EXPECT_EQ(lbList->count(), c.listAfter) << row;
    }
    EXPECT_EQ(QFile::exists(saved), c.saveDialogAnswered) << row;
    if (c.saveDialogAnswered) {
      EXPECT_EQ(ReadFile(saved).size(), 1096) << row;
    }
  }
}

TEST_F(DocumentChangesTest, ALoadedOrSavedListThatWasOnlyLookedAtAsksNothing) {
  OpenRom();
  Click("bNew");  // an empty list is what a new document holds
  prompts->fileAnswers.push_back(TwoEntryDocument());
  Click("bLoad");
  ClickItem(0);  // a refresh sets the entry's sizes from the ROM
  ClickItem(1);
  Type(eName, "renamed");
  Type(eName, "$300");  // and back
  prompts->fileAnswers.push_back(WriteFile("empty.tgl", {}));
  Click("bLoad");
  EXPECT_EQ(lbList->count(), 0);
  AddEntry("$100");
  prompts->fileAnswers.push_back(Path("saved.tgl"));
  Click("bSave");
  EXPECT_TRUE(window->close());
  EXPECT_TRUE(Questions().isEmpty()) << Questions().join(", ").toStdString();
}

TEST_F(DocumentChangesTest, OnCloseTheRomQuestionComesFirstThenTheDocumentOne) {
  OpenWithEntry();
  Import(WritePicture("p.png", 3));
  prompts->saveChangesAnswers = {TSaveChanges::Discard, TSaveChanges::Cancel};
  EXPECT_FALSE(window->close());
  EXPECT_EQ(Questions(),
            (QStringList{"Save changes to the ROM?", "Save changes to the document?"}));
  prompts->saveChangesAnswers = {TSaveChanges::Discard, TSaveChanges::Discard};
  EXPECT_TRUE(window->close());
  EXPECT_EQ(Questions().size(), 4);
}

TEST_F(DocumentChangesTest, EachKindOfDialogStartsInItsOwnLastFolder) {
  ASSERT_TRUE(QDir(dir.path()).mkpath("roms") && QDir(dir.path()).mkpath("docs") &&
              QDir(dir.path()).mkpath("art"));
  const auto last = [this] { return prompts->starts.back(); };
  OpenRom(MakeRom(), "roms/game.sfc");
  EXPECT_EQ(last().folder, "") << "the first dialog starts where the dialog likes";
  AddEntry("$100");
  Pick(cbTemplate, "4bpp (SNES)");
  prompts->fileAnswers.push_back(Path("docs/list.tgl"));
  Click("bSave");
  EXPECT_EQ(last().folder, "");
  Click("bOpenROM");  // cancelled
  EXPECT_EQ(last().folder, Path("roms"));
  Click("bLoad");
  EXPECT_EQ(last().folder, Path("docs"));

  SetName(*Cur(), "Title screen");
  Click("bExport");
  EXPECT_EQ(last().folder, "");
  EXPECT_EQ(last().name, "Title_screen.png") << "the entry's name, as a file name";
  Import(WritePicture("art/p.png", 3));
  Click("bExport");
  EXPECT_EQ(last().folder, Path("art")) << "import and export share pictures' folder";
  Click("bOpenPal");
  EXPECT_EQ(last().folder, "");
  EXPECT_EQ(last().name, "");
}

TEST(QtUserPromptsStart, TheNextFileDialogOpensInTheFolderWithTheNameGiven) {
  QTemporaryDir dir;
  QtUserPrompts prompts;
  QString folder;
  QString file;
  const auto answer = [&] {
    QTimer::singleShot(0, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      EXPECT_NE(dialog, nullptr) << "no file dialog";
      if (dialog != nullptr) {
        folder = dialog->directory().absolutePath();
        file = dialog->selectedFiles().value(0);
      }
      if (modal != nullptr) modal->close();  // cancelled
    });
  };
  prompts.StartNextIn(dir.path(), "Title_screen.png");
  answer();
  EXPECT_FALSE(prompts.SaveFile("PNG Image (*.png)|*.png", "png").has_value());
  EXPECT_EQ(folder, dir.path());
  EXPECT_EQ(file, dir.filePath("Title_screen.png"));

  prompts.StartNextIn(dir.path(), QString());
  answer();
  EXPECT_FALSE(prompts.OpenPaletteWithRow("ALL|*.*", QString()).has_value());
  EXPECT_EQ(folder, dir.path());
}

}  // namespace
}  // namespace tegulo
