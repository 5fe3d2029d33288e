// The dialog seam: what the window asks, cancelling, errors at the handler's edge, and the
// translation of filters and default extensions for Qt's dialogs.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <stdexcept>

#include "dialog_filters.h"
#include "image_button.h"
#include "line_edit.h"
#include "list_box.h"
#include "main_peer.h"
#include "qt_user_prompts.h"

namespace tegulo {
namespace {

const QString kRomFilter =
    QStringLiteral("SNES/GBA ROM|*.smc; *.sfc; *.gba|SNES ROM|*.smc; *.sfc|GBA ROM|*.gba|ALL|*.*");
const QString kDocumentFilter = QStringLiteral("Tegulo (*.tgl)|*.tgl|ALL (*.*)|*.*");

TEST(QtNameFilters, TranslatesPairsIntoQtsForm) {
  EXPECT_EQ(QtNameFilters(kRomFilter),
            (QStringList{"SNES/GBA ROM (*.smc *.sfc *.gba)", "SNES ROM (*.smc *.sfc)",
                         "GBA ROM (*.gba)", "ALL (*)"}));
  EXPECT_EQ(QtNameFilters(kDocumentFilter), (QStringList{"Tegulo (*.tgl)", "ALL (*)"}));
  EXPECT_EQ(QtFilter("PNG Image (*.png)|*.png|ALL (*.*)|*.*"), "PNG Image (*.png);;ALL (*)");
  EXPECT_EQ(QtFilter("zSnes Save State|*.zs?|ALL|*.*"), "zSnes Save State (*.zs?);;ALL (*)");
  EXPECT_EQ(QtNameFilters(""), QStringList{});
  EXPECT_EQ(QtNameFilters("Lonely description"), QStringList{});
  EXPECT_EQ(QtNameFilters("A|*.a|B"), QStringList{"A (*.a)"});
  EXPECT_EQ(QtNameFilters("Empty|;"), QStringList{});
}

TEST(WithDefaultExtension, AddsTheExtensionOnlyToANameWithoutOne) {
  struct Case {
    const char* path;
    const char* ext;
    const char* result;
  };
  for (const Case& c :
       {Case{"/tmp/list", "tgl", "/tmp/list.tgl"}, Case{"/tmp/list.tgl", "tgl", "/tmp/list.tgl"},
        Case{"/tmp/list.bak", "tgl", "/tmp/list.bak"},
        Case{"/tmp/dir.d/list", "tgl", "/tmp/dir.d/list.tgl"},
        Case{"/tmp/game", "zst", "/tmp/game.zst"}, Case{"/tmp/list", "", "/tmp/list"},
        Case{"", "tgl", ""}}) {
    EXPECT_EQ(WithDefaultExtension(c.path, c.ext), c.result) << c.path << " + " << c.ext;
  }
}

TEST(FilterExtension, TakesThePairsFirstPlainPattern) {
  const QString patches = QStringLiteral("IPS Patch|*.ips|BPS Patch|*.bps; *.b");
  EXPECT_EQ(FilterExtension(patches, 0), "ips");
  EXPECT_EQ(FilterExtension(patches, 1), "bps");
  EXPECT_EQ(FilterExtension(patches, 2), "");
  EXPECT_EQ(FilterExtension(patches, -1), "");
  EXPECT_EQ(FilterExtension("ALL|*.*", 0), "");
  EXPECT_EQ(FilterExtension("zSnes Save State|*.zs?", 0), "");
  EXPECT_EQ(FilterExtension("Odd|name.txt", 0), "");
}

// The Qt prompts with a scripted user: `act` runs once the modal box or dialog is up.
template <class Dialog, class F>
void WhenShown(F act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    act(dialog);
  });
}

TEST(QtUserPrompts, SaveFileAsStartsAtTheSuggestionAndAsksBeforeReplacing) {
  QTemporaryDir dir;
  const QString existing = dir.filePath("game-edited.sfc");
  QFile(existing).open(QIODevice::WriteOnly);
  QtUserPrompts prompts;
  QString shown;
  bool asked = false;
  WhenShown<QFileDialog>([&](QFileDialog* dialog) {
    shown = dialog->selectedFiles().value(0);
    WhenShown<QMessageBox>([&](QMessageBox* box) {
      asked = true;
      box->button(QMessageBox::Yes)->click();
    });
    QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
  });
  const auto chosen = prompts.SaveFileAs("ROM Image|*.sfc|ALL|*.*", "sfc", existing);
  EXPECT_EQ(shown, existing);
  EXPECT_TRUE(asked) << "replacing a file is asked about";
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(chosen->path, existing);
  EXPECT_EQ(chosen->filterIndex, 0);

  // The second filter chosen and a bare name typed: its extension, its index.
  WhenShown<QFileDialog>([&](QFileDialog* dialog) {
    auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(types, nullptr);
    types->setCurrentIndex(1);
    emit types->activated(1);  // what a pick with the mouse sends
    emit types->textActivated(types->itemText(1));
    dialog->selectFile(dir.filePath("change"));
    QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
  });
  const auto patch =
      prompts.SaveFileAs("IPS Patch|*.ips|BPS Patch|*.bps", "", dir.filePath("game.ips"));
  ASSERT_TRUE(patch.has_value());
  EXPECT_EQ(patch->path.toStdString(), dir.filePath("change.bps").toStdString());
  EXPECT_EQ(patch->filterIndex, 1);
}

TEST(QtUserPrompts, TheSaveChangesQuestionAnswersByButton) {
  QtUserPrompts prompts;
  using A = UserPrompts::TSaveChanges;
  for (auto [button, answer] : {std::pair{QMessageBox::Save, A::Save},
                                {QMessageBox::Discard, A::Discard},
                                {QMessageBox::Cancel, A::Cancel}}) {
    QString text;
    WhenShown<QMessageBox>([&text, button = button](QMessageBox* box) {
      text = box->text();
      box->button(button)->click();
    });
    EXPECT_EQ(prompts.AskSaveChanges("Save changes to the ROM?"), answer);
    EXPECT_EQ(text, "Save changes to the ROM?");
  }
  WhenShown<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
  EXPECT_EQ(prompts.AskSaveChanges("?"), A::Cancel);
}

class DialogTest : public WindowTest {
protected:
  QString WriteRom(const QByteArray& bytes) {
    const QString path = dir.filePath("game.smc");
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
  }
  QTemporaryDir dir;
};

TEST_F(DialogTest, OpeningARomAsksWithItsFilterAndLoadsTheFile) {
  const QByteArray bytes("\x01\x02\x03\x00\xff", 5);
  prompts->fileAnswers.push_back(WriteRom(bytes));
  Find<QWidget>("bOpenROM")->setFocus();
  QTest::mouseClick(Find<QWidget>("bOpenROM"), Qt::LeftButton);
  ASSERT_EQ(prompts->requests.size(), 1u);
  EXPECT_EQ(prompts->requests[0].kind, FakePrompts::TKind::OpenFile);
  EXPECT_EQ(prompts->requests[0].filter, kRomFilter);
  EXPECT_EQ(prompts->requests[0].defaultExt, "");
  EXPECT_TRUE(prompts->errors.empty());
  const auto& rom = TfmMainPeer::RomData(*window);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(rom.data()), static_cast<int>(rom.size())),
            bytes);
  EXPECT_EQ(window->windowTitle(), "Tegulo:>   <:>  " + dir.filePath("game.smc"));
  for (const char* name : {"bNew", "bLoad", "bSave", "ePalAddress", "bLoadPalROM", "eAddress",
                           "bAddAddress", "bDelAddress"}) {
    EXPECT_TRUE(Find<QWidget>(name)->isEnabled()) << name;
  }
}

TEST_F(DialogTest, AMissingRomIsReportedWithAFullStopAndEnablesNothing) {
  const QString missing = dir.filePath("missing.smc");
  prompts->fileAnswers.push_back(missing);
  QTest::mouseClick(Find<QWidget>("bOpenROM"), Qt::LeftButton);
  ASSERT_EQ(prompts->errors.size(), 1u);
  EXPECT_EQ(prompts->errors[0], missing + " not found.");
  EXPECT_EQ(window->windowTitle(), "Tegulo");  // named only once read
  EXPECT_EQ(TfmMainPeer::RomFileName(*window), "");
  EXPECT_TRUE(TfmMainPeer::RomData(*window).empty());
  EXPECT_FALSE(Find<QWidget>("eAddress")->isEnabled());
  EXPECT_FALSE(Find<QWidget>("bNew")->isEnabled());

  // A ROM loaded before stays loaded.
  TfmMainPeer::LoadROM(*window, WriteRom("abc"));
  TfmMainPeer::LoadROM(*window, missing);
  ASSERT_EQ(prompts->errors.size(), 2u);
  EXPECT_EQ(TfmMainPeer::RomData(*window).size(), 3u);
  EXPECT_TRUE(Find<QWidget>("eAddress")->isEnabled());
}

TEST_F(DialogTest, CancelledDialogsChangeNothing) {
  TfmMainPeer::LoadROM(*window, WriteRom("ROMDATA"));
  const QString title = window->windowTitle();
  Find<TListBox>("lbList");
  QTest::keyClick(Find<TEdit>("eAddress"), Qt::Key_Return);  // one entry, selected
  const auto* lbList = Find<TListBox>("lbList");
  ASSERT_EQ(lbList->count(), 1);
  const TTileEntry before = *TfmMainPeer::CurEntry(*window);

  for (const char* name : {"bOpenROM", "bLoad", "bSave"}) {
    QTest::mouseClick(Find<QWidget>(name), Qt::LeftButton);
  }
  ASSERT_EQ(prompts->requests.size(), 3u);
  EXPECT_EQ(prompts->requests[0].filter, kRomFilter);
  EXPECT_EQ(prompts->requests[1].kind, FakePrompts::TKind::OpenFile);
  EXPECT_EQ(prompts->requests[1].filter, kDocumentFilter);
  EXPECT_EQ(prompts->requests[1].defaultExt, "");
  EXPECT_EQ(prompts->requests[2].kind, FakePrompts::TKind::SaveFile);
  EXPECT_EQ(prompts->requests[2].filter, kDocumentFilter);
  EXPECT_EQ(prompts->requests[2].defaultExt, "tgl");

  EXPECT_TRUE(prompts->errors.empty());
  EXPECT_EQ(window->windowTitle(), title);
  EXPECT_EQ(TfmMainPeer::RomData(*window).size(), 7u);
  EXPECT_EQ(TfmMainPeer::DocFileName(*window), "");
  ASSERT_EQ(lbList->count(), 1);
  EXPECT_EQ(lbList->ItemIndex(), 0);
  ASSERT_NE(TfmMainPeer::CurEntry(*window), nullptr);
  EXPECT_EQ(std::memcmp(&before, TfmMainPeer::CurEntry(*window), sizeof before), 0);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);  // the ROM only
}

TEST_F(DialogTest, SaveAndLoadGoThroughTheDialogs) {
  TfmMainPeer::LoadROM(*window, WriteRom("ROMDATA"));
  QTest::keyClick(Find<TEdit>("eAddress"), Qt::Key_Return);
  const QString doc = dir.filePath("list.tgl");
  prompts->fileAnswers.push_back(doc);
  QTest::mouseClick(Find<QWidget>("bSave"), Qt::LeftButton);
  EXPECT_EQ(QFileInfo(doc).size(), 1096);
  QTest::mouseClick(Find<QWidget>("bNew"), Qt::LeftButton);
  EXPECT_EQ(Find<TListBox>("lbList")->count(), 0);
  EXPECT_EQ(TfmMainPeer::CurEntry(*window), nullptr);

  prompts->fileAnswers.push_back(doc);
  QTest::mouseClick(Find<QWidget>("bLoad"), Qt::LeftButton);
  EXPECT_TRUE(prompts->errors.empty());
  EXPECT_EQ(Find<TListBox>("lbList")->count(), 1);
  EXPECT_EQ(Find<TListBox>("lbList")->item(0)->text(), "$1C7D04");
  EXPECT_EQ(Find<TListBox>("lbList")->ItemIndex(), -1);
  EXPECT_EQ(window->windowTitle(), "Tegulo:> " + doc + "  <:>  " + dir.filePath("game.smc"));
}

TEST_F(DialogTest, EnterInTheAddressAddsOneEntryAndKeepsTheText) {
  TfmMainPeer::LoadROM(*window, WriteRom("ROMDATA"));
  QTest::keyClick(Find<TEdit>("eAddress"), Qt::Key_Return);
  EXPECT_EQ(Find<TEdit>("eAddress")->text(), "$1C7D04");
  ASSERT_EQ(TfmMainPeer::Entries(*window).size(), 1u);
  EXPECT_EQ(TfmMainPeer::CurEntry(*window)->Address, 0x1C7D04);
  EXPECT_TRUE(Find<QWidget>("bExport")->isEnabled());
  EXPECT_TRUE(Find<QWidget>("cbTemplate")->isEnabled());
  EXPECT_FALSE(Find<QWidget>("seWidth")->isEnabled());
}

TEST_F(DialogTest, AnAddressThatIsNotANumberIsReportedAndAddsNothing) {
  TfmMainPeer::LoadROM(*window, WriteRom("ROMDATA"));
  auto* eAddress = Find<TEdit>("eAddress");
  eAddress->setText("zz");
  QTest::mouseClick(Find<QWidget>("bAddAddress"), Qt::LeftButton);
  ASSERT_EQ(prompts->errors.size(), 1u);
  EXPECT_EQ(prompts->errors[0], "'zz' is not a valid integer value.");
  EXPECT_TRUE(TfmMainPeer::Entries(*window).empty());
}

TEST_F(WindowTest, GuardShowsAnyErrorAndGoesOn) {
  window->Guard([] { throw TError("Plain message"); });
  window->Guard([] { throw std::runtime_error("Ends with a full stop."); });
  window->Guard([] { throw 42; });
  window->Guard([] {});
  EXPECT_EQ(prompts->errors,
            (std::vector<QString>{"Plain message.", "Ends with a full stop.", "Unknown error."}));
}

}  // namespace
}  // namespace tegulo
