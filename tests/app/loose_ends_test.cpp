// The window's loose ends: the title after Save As and New, what New and another ROM leave on
// screen, steps named for what they undo, foreign files dropped, Ctrl+O and Ctrl+S, the empty
// view's hint, the screen dialog's sizes and the toolbar on a narrow window.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QSpinBox>

#include "polish_fixture.h"
#include "screen/map_formats.h"
#include "screen_dialog.h"

namespace tegulo {
namespace {

class LooseEndsTest : public PolishTest {
protected:
  static std::vector<std::uint8_t> PixelsOf(const TIndexedBitmap& bmp) {
    return {bmp.Pixels().begin(), bmp.Pixels().end()};
  }
  QString Note() { return Find<QLabel>("sBarMessage")->text(); }
  // A stroke of index 1 over pixel (1, 1) of the view at zoom 2.
  void Stroke() {
    Image->setFocus();
    QTest::keyClick(Image, Qt::Key_E);
    QTest::mouseClick(Image, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::keyClick(Image, Qt::Key_Escape);
  }
};

TEST_F(LooseEndsTest, TheTitleAndTheViewFollowSaveAsAndNew) {
  OpenWithEntry();
  prompts->fileAnswers.push_back(Path("list.tgl"));
  Click("bSave");
  EXPECT_TRUE(window->windowTitle().contains(Path("list.tgl")))
      << window->windowTitle().toStdString();
  Click("bNew");
  EXPECT_FALSE(window->windowTitle().contains(QStringLiteral("list.tgl")));
  EXPECT_EQ(Image->Bitmap(), nullptr) << "nothing of the old list stays in the view";
  EXPECT_EQ(StatusTexts(), (QStringList{"#Tiles:", "Raw Size:", "Compressed Size:"}));
  EXPECT_TRUE(Image->Hint().startsWith(QStringLiteral("To see graphics")));
  EXPECT_FALSE(Find<QAction>("aExportImage")->isEnabled());
}

TEST_F(LooseEndsTest, OpeningAnotherRomClearsTheStatusNote) {
  OpenWithEntry();
  prompts->textAnswers.push_back(QStringLiteral("$8000:4"));
  Action("aWritePalette")->trigger();
  ASSERT_FALSE(Note().isEmpty());
  prompts->saveChangesAnswers.push_back(TSaveChanges::Discard);
  OpenRom(MakeRom(), QStringLiteral("other.sfc"));
  EXPECT_EQ(Note(), QString());
}

TEST_F(LooseEndsTest, UndoAndRedoAreNamedForTheStepTheyTake) {
  struct TCase {
    const char* step;
    std::function<void()> make;
  };
  const TCase cases[] = {
      {"Import", [this] { Import(WritePicture("p.png", 3)); }},
      {"Stroke", [this] { Stroke(); }},
      {"Palette Write",
       [this] {
         prompts->textAnswers.push_back(QStringLiteral("$8000:4"));
         Action("aWritePalette")->trigger();
       }},
  };
  for (const TCase& c : cases) {
    OpenWithEntry(std::vector<std::uint8_t>(0x10000, 0));
    EXPECT_EQ(Action("aUndoImport")->text(), QStringLiteral("Undo")) << c.step;
    c.make();
    const QString step = QString::fromLatin1(c.step);
    EXPECT_EQ(Action("aUndoImport")->text(), "Undo " + step) << c.step;
    Action("aUndoImport")->trigger();
    EXPECT_EQ(Action("aRedo")->text(), "Redo " + step) << c.step;
    EXPECT_EQ(Action("aUndoImport")->text(), QStringLiteral("Undo")) << c.step;
    Action("aRedo")->trigger();
    EXPECT_EQ(Action("aRedo")->text(), QStringLiteral("Redo")) << c.step;
    Action("aUndoImport")->trigger();  // the next ROM opens without a question
  }
}

TEST_F(LooseEndsTest, AFileThatIsPlainlyNoRomIsRefusedNamingWhatItIs) {
  OpenWithEntry();
  const std::vector<std::uint8_t> rom = Rom();
  const QString title = window->windowTitle();
  struct TCase {
    const char* name;
    QByteArray bytes;
    const char* what;
  };
  const TCase cases[] = {
      {"notes.txt", "Title screen at $1C7D04\n", "text"},
      {"game.sfc", "not really a ROM\n", "text"},
      {"photo.jpg", QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10), "a JPEG image"},
      {"pack.7z", QByteArray("7z\xBC\xAF\x27\x1C\x00\x04", 8), "a 7z archive"},
  };
  for (const TCase& c : cases) {
    prompts->errors.clear();
    Drop(WriteFile(c.name, c.bytes), Image);
    ASSERT_EQ(prompts->errors.size(), 1u) << c.name;
    EXPECT_EQ(prompts->errors[0].toStdString(),
              std::string(c.name) + " is " + c.what + ", not a ROM; nothing was opened.");
    EXPECT_EQ(Rom(), rom) << c.name;
    EXPECT_EQ(window->windowTitle(), title) << c.name;
  }
  EXPECT_TRUE(Questions().isEmpty());
}

TEST_F(LooseEndsTest, CtrlOOpensARomAndCtrlSSavesTheDocument) {
  prompts->fileAnswers.push_back(WriteFile("game.sfc", Bytes(MakeRom())));
  lbList->setFocus();
  QTest::keyClick(lbList, Qt::Key_O, Qt::ControlModifier);
  ASSERT_TRUE(window->windowTitle().endsWith(Path("game.sfc")));
  AddEntry("$100");
  prompts->fileAnswers.push_back(Path("saved.tgl"));
  eName->setFocus();  // from an edit too
  QTest::keyClick(eName, Qt::Key_S, Qt::ControlModifier);
  EXPECT_TRUE(QFile::exists(Path("saved.tgl")));
  EXPECT_TRUE(window->windowTitle().contains(Path("saved.tgl")));
}

TEST_F(LooseEndsTest, TheEmptyViewSaysWhatToDoFirst) {
  const QString first = Image->Hint();
  EXPECT_TRUE(first.startsWith(QStringLiteral("Open a ROM first: Ctrl+O"))) << first.toStdString();
  EXPECT_TRUE(first.contains(QStringLiteral("E edits pixels")));
  // The text is drawn: the view is not all background.
  const QImage shot = Image->grab().toImage();
  const QRgb background = shot.pixel(shot.width() - 1, shot.height() - 1);
  int inked = 0;
  for (int y = 0; y < 60 && y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) inked += shot.pixel(x, y) != background ? 1 : 0;
  }
  EXPECT_GT(inked, 50);
  OpenRom();
  EXPECT_TRUE(Image->Hint().startsWith(QStringLiteral("To see graphics")));
}

TEST(ScreenDialogSizes, TheSizeFieldsGoUpToWhatTheFormatAddresses) {
  struct TCase {
    int format;
    int most;
  };
  const TCase cases[] = {{kMapSNES, 1024}, {kMapMode7, 128}, {kMapMode7Interleaved, 128}};
  for (const TCase& c : cases) {
    TScreen s;
    s.width = 1000;
    s.height = 1000;
    TScreenDialog dialog(s, nullptr);
    dialog.cbMapFormat->setCurrentIndex(c.format);
    EXPECT_EQ(dialog.seMapWidth->maximum(), c.most) << c.format;
    EXPECT_EQ(dialog.seMapHeight->maximum(), c.most) << c.format;
    EXPECT_EQ(dialog.Screen()->width, std::min(1000, c.most)) << c.format;
  }
}

// The screen dialog previews a setting that draws, then is closed with one that does not.
class ScreenErrorTest : public LooseEndsTest {
protected:
  class TPreviewThenFail : public FakePrompts {
  public:
    std::optional<TScreen> AskScreen(const TScreen&,
                                     const std::function<void(const TScreen&)>& preview) override {
      TScreen good;
      good.width = 4;
      good.height = 4;
      preview(good);
      TScreen bad = good;
      bad.format = kMapMode7;
      bad.width = 200;
      return bad;
    }
  };
  std::unique_ptr<FakePrompts> MakePrompts() override {
    return std::make_unique<TPreviewThenFail>();
  }
};

TEST_F(ScreenErrorTest, ARefusedScreenLeavesTheViewAsTheEntryShowsIt) {
  OpenWithEntry();
  const std::vector<std::uint8_t> tiles = PixelsOf(Bitmap());
  Action("aShowAsScreen")->trigger();
  ASSERT_EQ(prompts->errors.size(), 1u);
  EXPECT_EQ(Bitmap().Width(), 16) << "the preview's 4 x 4 screen is gone";
  EXPECT_EQ(PixelsOf(Bitmap()), tiles);
}

TEST_F(LooseEndsTest, HighDensityToolbarKeepsEveryControlWholeOnANarrowWindow) {
  auto* toolbar = Find<QWidget>("Panel2");
  const QList<QWidget*> controls = toolbar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  const auto check = [&](int width) {
    window->resize(width, 600);
    QApplication::processEvents();
    ASSERT_EQ(toolbar->width(), window->centralWidget()->width()) << width;
    for (const QWidget* w : controls) {
      EXPECT_TRUE(toolbar->rect().contains(w->geometry()))
          << width << ": " << w->objectName().toStdString() << " is cut off";
    }
    EXPECT_GE(Image->geometry().top(), toolbar->geometry().bottom()) << width;
  };
  check(520);
  EXPECT_GT(toolbar->height(), 57) << "the toolbar takes more rows";
  check(980);
  EXPECT_EQ(toolbar->height(), 57) << "one row again";
}

}  // namespace
}  // namespace tegulo
