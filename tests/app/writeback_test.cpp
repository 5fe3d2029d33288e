// Putting pictures back into the open ROM through the window: import, undo, the modified
// mark, Save ROM As, the question before a modified ROM is dropped, menus and drops.
#include <zlib.h>

#include <QAction>
#include <QDropEvent>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QTimer>
#include <QUrl>

#include "compress/compressors.h"
#include "flow_fixture.h"
#include "image/png_writer.h"
#include "qt_text.h"

namespace tegulo {
namespace {

using TSaveChanges = UserPrompts::TSaveChanges;

constexpr int kEntryAddress = 0x100;
constexpr std::size_t kEntryBytes = 4 * 32;  // 2 x 2 tiles of 4bpp (SNES)

class WriteBackTest : public FlowTest {
protected:
  // A ROM with one 2 x 2 tile "4bpp (SNES)" entry at kEntryAddress, current.
  void OpenWithEntry(const QString& name = QStringLiteral("game.sfc")) {
    OpenRom(MakeRom(), name);
    AddEntry("$100");
    Pick(cbTemplate, "4bpp (SNES)");  // enables the size controls
    Type(seWidth, "2");
    Type(seHeight, "2");
  }

  // A 16 x 16 indexed picture, indices 0..15 in a pattern that `seed` varies.
  static TIndexedBitmap Picture(int seed, int width = 16, int height = 16) {
    TIndexedBitmap bmp;
    bmp.SetSize(width, height);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x)
        bmp.Row(y)[x] = static_cast<std::uint8_t>((x * 3 + y * seed) % 16);
    }
    for (int i = 0; i < 256; ++i) bmp.Colours[static_cast<std::size_t>(i)] = Grey(i);
    return bmp;
  }
  QString WritePicture(const QString& name, const TIndexedBitmap& bmp) {
    WritePng(LocalPath(Path(name)), bmp);
    return Path(name);
  }

  QAction* Action(const char* name) { return Find<QAction>(name); }
  void Import(const QString& png) {
    prompts->fileAnswers.push_back(png);
    Action("aImportImage")->trigger();
  }
  std::vector<std::uint8_t>& Rom() { return TfmMainPeer::RomData(*window); }
  std::vector<std::uint8_t> FileBytes(const QString& path) {
    const QByteArray b = ReadFile(path);
    return {b.begin(), b.end()};
  }
  static std::vector<std::uint8_t> PixelsOf(const TIndexedBitmap& bmp) {
    return {bmp.Pixels().begin(), bmp.Pixels().end()};
  }
  QString RomTitle(const QString& rom) const { return "Tegulo:>   <:>  " + rom; }

  // Drags one file over `over` (at its centre) and drops it; true when the window took it.
  // An edit gets the events itself (it takes drops of its own); other controls pass them on
  // to the window.
  bool Drop(const QString& file, QWidget* over) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(file)});
    mime.setText(QUrl::fromLocalFile(file).toString());  // as file managers send it too
    QWidget* target = qobject_cast<QLineEdit*>(over) != nullptr ? over : window.get();
    const QPoint pos = over->mapTo(target->window(), over->rect().center());
    const QPoint at = target == over ? over->rect().center() : pos;
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    if (!move.isAccepted()) return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
  }
};

// An IPS applier of the tests' own: records of offset, length (0: a run) and bytes up to
// "EOF", then an optional new length.
std::vector<std::uint8_t> ApplyIps(std::vector<std::uint8_t> rom, const QByteArray& p) {
  const auto u = [&p](qsizetype i) {
    return static_cast<std::size_t>(static_cast<std::uint8_t>(p[i]));
  };
  EXPECT_TRUE(p.startsWith("PATCH"));
  qsizetype at = 5;
  while (at + 3 <= p.size() && p.mid(at, 3) != "EOF") {
    const std::size_t offset = u(at) << 16 | u(at + 1) << 8 | u(at + 2);
    std::size_t length = u(at + 3) << 8 | u(at + 4);
    at += 5;
    std::vector<std::uint8_t> bytes;
    if (length == 0) {
      length = u(at) << 8 | u(at + 1);
      bytes.assign(length, static_cast<std::uint8_t>(u(at + 2)));
      at += 3;
    } else {
      for (std::size_t i = 0; i < length; ++i)
        bytes.push_back(static_cast<std::uint8_t>(u(at + static_cast<qsizetype>(i))));
      at += static_cast<qsizetype>(length);
    }
    if (rom.size() < offset + length) rom.resize(offset + length);
    std::copy(bytes.begin(), bytes.end(), rom.begin() + static_cast<std::ptrdiff_t>(offset));
  }
  at += 3;
  if (at + 3 <= p.size()) rom.resize(u(at) << 16 | u(at + 1) << 8 | u(at + 2));
  return rom;
}

std::uint32_t Crc(std::span<const std::uint8_t> bytes) {
  return static_cast<std::uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
}

std::uint32_t Le32(const QByteArray& b, qsizetype at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<std::uint8_t>(b[at + i]);
  return v;
}

TEST_F(WriteBackTest, ImportShowsThePictureMarksTheRomAndUndoGivesTheBytesBack) {
  OpenWithEntry();
  const std::vector<std::uint8_t> opened = Rom();
  const TIndexedBitmap first = Picture(5), second = Picture(7);
  Import(WritePicture("first.png", first));
  ASSERT_TRUE(prompts->errors.empty()) << prompts->errors.front().toStdString();
  EXPECT_EQ(PixelsOf(Bitmap()), PixelsOf(first)) << "the view shows the imported picture";
  EXPECT_EQ(window->windowTitle(), RomTitle("*" + Path("game.sfc")));
  const std::vector<std::uint8_t> afterFirst = Rom();
  for (std::size_t i = 0; i < opened.size(); ++i) {
    if (i < kEntryAddress || i >= kEntryAddress + kEntryBytes) {
      ASSERT_EQ(afterFirst[i], opened[i]) << "byte " << i << " outside the entry";
    }
  }
  Import(WritePicture("second.png", second));
  EXPECT_EQ(PixelsOf(Bitmap()), PixelsOf(second));

  // One import per step, back to the ROM as opened; then nothing is left to undo.
  EXPECT_TRUE(Action("aUndoImport")->isEnabled());
  Action("aUndoImport")->trigger();
  EXPECT_EQ(Rom(), afterFirst);
  EXPECT_EQ(PixelsOf(Bitmap()), PixelsOf(first));
  Action("aUndoImport")->trigger();
  EXPECT_EQ(Rom(), opened);
  EXPECT_EQ(window->windowTitle(), RomTitle(Path("game.sfc")));
  EXPECT_FALSE(Action("aUndoImport")->isEnabled());
  EXPECT_FALSE(Action("aSavePatchAs")->isEnabled());
  EXPECT_TRUE(prompts->errors.empty());
}

TEST_F(WriteBackTest, ARefusedImportChangesNothing) {
  OpenWithEntry();
  const std::vector<std::uint8_t> opened = Rom();
  const std::vector<std::uint8_t> shown = PixelsOf(Bitmap());
  const QString title = window->windowTitle();
  Import(WritePicture("wide.png", Picture(5, 24, 16)));
  Import(WriteFile("not.png", "not a picture"));
  Import(Path("missing.png"));
  ASSERT_EQ(prompts->errors.size(), 3u);
  // The size is refused from the file's header, so the message names the file.
  EXPECT_EQ(prompts->errors[0],
            Path("wide.png") + ": The picture is 24 x 16 pixels; the entry needs 16 x 16.");
  EXPECT_EQ(prompts->errors[1], Path("not.png") + ": Not a PNG file.");
  EXPECT_EQ(prompts->errors[2], Path("missing.png") + " not found.");
  EXPECT_EQ(Rom(), opened);
  EXPECT_EQ(PixelsOf(Bitmap()), shown);
  EXPECT_EQ(window->windowTitle(), title);
  EXPECT_FALSE(Action("aUndoImport")->isEnabled());
}

TEST_F(WriteBackTest, SaveRomAsOffersTheEditedNameAndWritesTheImage) {
  OpenWithEntry();
  Import(WritePicture("p.png", Picture(3)));
  prompts->fileAnswers.push_back(Path("out"));  // typed without extension
  Action("aSaveRomAs")->trigger();
  const FakePrompts::TRequest& request = prompts->requests.back();
  ASSERT_EQ(request.kind, FakePrompts::TKind::SaveFileAs);
  EXPECT_EQ(request.text, Path("game-edited.sfc"));
  EXPECT_EQ(request.defaultExt, "sfc");
  EXPECT_EQ(FileBytes(Path("out.sfc")), Rom());
  EXPECT_EQ(window->windowTitle(), RomTitle(Path("out.sfc"))) << "saved: no mark";
  EXPECT_EQ(FileBytes(Path("game.sfc")), MakeRom()) << "the opened file is untouched";

  // Undo after saving differs from the saved file again; the patch still starts from the
  // ROM as opened.
  Action("aUndoImport")->trigger();
  EXPECT_EQ(window->windowTitle(), RomTitle("*" + Path("out.sfc")));
  EXPECT_EQ(Rom(), MakeRom());
}

TEST_F(WriteBackTest, PatchesFromTheRomAsOpenedByTheChosenFilter) {
  OpenWithEntry();
  Import(WritePicture("a.png", Picture(3)));
  Import(WritePicture("b.png", Picture(11)));
  const std::vector<std::uint8_t> edited = Rom();

  prompts->fileAnswers.push_back(Path("change"));  // the IPS filter adds its extension
  Action("aSavePatchAs")->trigger();
  const FakePrompts::TRequest& request = prompts->requests.back();
  EXPECT_EQ(request.text, Path("game.ips"));
  EXPECT_EQ(request.filter, "IPS Patch|*.ips|BPS Patch|*.bps");
  EXPECT_EQ(ApplyIps(MakeRom(), ReadFile(Path("change.ips"))), edited);

  prompts->fileAnswers.push_back(Path("change"));
  prompts->filterAnswers.push_back(1);
  Action("aSavePatchAs")->trigger();
  const QByteArray bps = ReadFile(Path("change.bps"));
  ASSERT_GE(bps.size(), 16);
  EXPECT_TRUE(bps.startsWith("BPS1"));
  EXPECT_EQ(Le32(bps, bps.size() - 12), Crc(MakeRom())) << "source: the ROM as opened";
  EXPECT_EQ(Le32(bps, bps.size() - 8), Crc(edited));
  EXPECT_EQ(Rom(), edited) << "a patch changes nothing in the window";
  EXPECT_EQ(window->windowTitle(), RomTitle("*" + Path("game.sfc")));
  EXPECT_TRUE(prompts->errors.empty());
}

TEST_F(WriteBackTest, ACompressedEntryTakesTheRepackedStream) {
  // A 2 x 2 tile 4bpp stream at $200 in a ROM of zeros; room to spare after it.
  std::vector<std::uint8_t> rom(0x2000, 0);
  std::vector<std::uint8_t> tiles(kEntryBytes);
  for (std::size_t i = 0; i < tiles.size(); ++i) tiles[i] = static_cast<std::uint8_t>(i / 3);
  const std::vector<std::uint8_t> stream = CompressLZ10(tiles);
  std::copy(stream.begin(), stream.end(), rom.begin() + 0x200);
  OpenRom(rom, "packed.gba");
  AddEntry("$200");
  Pick(cbTemplate, "4bpp (SNES)");
  Type(seWidth, "2");
  Type(seHeight, "2");
  Pick(cbCompression, "LZ77-10");
  const TIndexedBitmap picture = Picture(1);
  Import(WritePicture("p.png", picture));
  ASSERT_TRUE(prompts->errors.empty()) << prompts->errors.front().toStdString();
  EXPECT_EQ(PixelsOf(Bitmap()), PixelsOf(picture));
  EXPECT_EQ(sBar->PanelText(1).toStdString(), "RawSize: 128 ($80)")
      << "a refresh of the new stream";
  Action("aUndoImport")->trigger();
  EXPECT_EQ(Rom(), rom);
}

TEST_F(WriteBackTest, TheSavedRomIsWhatTheCommandLineImportWrites) {
  // A ROM with a plain 4bpp area at $100 and an LZ77-10 stream at $400.
  std::vector<std::uint8_t> rom = MakeRom();
  std::vector<std::uint8_t> tiles(kEntryBytes);
  for (std::size_t i = 0; i < tiles.size(); ++i) tiles[i] = static_cast<std::uint8_t>(i / 5);
  const std::vector<std::uint8_t> stream = CompressLZ10(tiles);
  std::copy(stream.begin(), stream.end(), rom.begin() + 0x400);
  const QString opened = WriteFile("game.sfc", Bytes(rom));
  struct TCase {
    const char* address;
    const char* scheme;
  };
  for (const TCase c : {TCase{"$100", "(none)"}, TCase{"$400", "LZ77-10"}}) {
    const QString png = WritePicture("p.png", Picture(c.scheme[0] == 'L' ? 13 : 7));
    prompts->fileAnswers.push_back(opened);  // saved before: nothing to ask
    Click("bOpenROM");
    AddEntry(c.address);
    Pick(cbTemplate, "4bpp (SNES)");
    Type(seWidth, "2");
    Type(seHeight, "2");
    Pick(cbCompression, c.scheme);
    Import(png);
    prompts->fileAnswers.push_back(Path("window.sfc"));
    Action("aSaveRomAs")->trigger();
    ASSERT_TRUE(prompts->errors.empty()) << prompts->errors.front().toStdString();

    QProcess cli;
    cli.start(TEGULO_CLI_PATH,
              {"import", opened, png, "--address", c.address, "--template", "2", "--width", "2",
               "--height", "2", "--compression", c.scheme, "-o", Path("cli.sfc")});
    ASSERT_TRUE(cli.waitForFinished(30000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    EXPECT_EQ(FileBytes(Path("window.sfc")), FileBytes(Path("cli.sfc"))) << c.scheme;
    EXPECT_NE(FileBytes(Path("window.sfc")), rom) << c.scheme;
  }
}

TEST_F(WriteBackTest, ARepaintedTrueColourExportComesBackAsIndices) {
  OpenWithEntry();
  prompts->fileAnswers.push_back(Path("shot.png"));
  Action("aExportImage")->trigger();
  QImage image(Path("shot.png"));
  ASSERT_FALSE(image.isNull());
  image = image.convertToFormat(QImage::Format_RGB32);
  const std::vector<std::uint8_t> shown = PixelsOf(Bitmap());
  // Unchanged, it gives the same bytes: no change, nothing marked.
  image.save(Path("same.png"));
  Import(Path("same.png"));
  EXPECT_EQ(Rom(), MakeRom());
  EXPECT_EQ(window->windowTitle(), RomTitle(Path("game.sfc")));
  // A pixel painted in colour 5 of the entry's ramp (index 0 is the window's background).
  image.setPixel(3, 2, qRgb(85, 85, 85));
  image.save(Path("painted.png"));
  Import(Path("painted.png"));
  ASSERT_TRUE(prompts->errors.empty()) << prompts->errors.front().toStdString();
  std::vector<std::uint8_t> expected = shown;
  expected[2 * 16 + 3] = 5;
  EXPECT_EQ(PixelsOf(Bitmap()), expected);
}

TEST_F(WriteBackTest, ColoursOutsideThePaletteAreOfferedTheNearestOnes) {
  OpenWithEntry();
  prompts->fileAnswers.push_back(Path("shot.png"));
  Action("aExportImage")->trigger();
  QImage image(Path("shot.png"));
  ASSERT_FALSE(image.isNull());
  image = image.convertToFormat(QImage::Format_RGB32);
  const std::vector<std::uint8_t> shown = PixelsOf(Bitmap());
  // Red is no colour of the grey ramp; its nearest is grey 85, index 5.
  image.setPixel(3, 2, qRgb(255, 0, 0));
  image.save(Path("red.png"));
  prompts->confirmAnswers.push_back(false);
  Import(Path("red.png"));
  ASSERT_EQ(prompts->questions.size(), 1U);
  EXPECT_TRUE(prompts->questions[0].contains(
      "1 pixel whose colour is not in the palette: (3, 2) #FF0000\n\nMatch the picture to the "
      "nearest palette colours? Matched 1 pixel to the nearest palette colour (largest distance "
      "208.2)."))
      << prompts->questions[0].toStdString();
  EXPECT_EQ(Rom(), MakeRom());  // No: nothing changes
  prompts->confirmAnswers.push_back(true);
  Import(Path("red.png"));
  ASSERT_TRUE(prompts->errors.empty()) << prompts->errors.front().toStdString();
  std::vector<std::uint8_t> expected = shown;
  expected[2 * 16 + 3] = 5;
  EXPECT_EQ(PixelsOf(Bitmap()), expected);
}

TEST_F(WriteBackTest, TheCloseQuestionsThreeAnswers) {
  OpenWithEntry();
  prompts->fileAnswers.push_back(Path("list.tgl"));
  Click("bSave");   // the document holds the list: its question stays out of the way
  window->close();  // nothing modified: no question
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(prompts->requests.empty() ||
              prompts->requests.back().kind != FakePrompts::TKind::SaveChanges);
  ShowActive();
  Import(WritePicture("p.png", Picture(3)));
  const std::vector<std::uint8_t> edited = Rom();

  prompts->saveChangesAnswers.push_back(TSaveChanges::Cancel);
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(prompts->requests.back().kind, FakePrompts::TKind::SaveChanges);
  EXPECT_EQ(prompts->requests.back().text, "Save changes to the ROM?");
  EXPECT_EQ(Rom(), edited);

  // Save, then cancelling the file dialog, keeps the window open too.
  prompts->saveChangesAnswers.push_back(TSaveChanges::Save);
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(window->isVisible());

  prompts->saveChangesAnswers.push_back(TSaveChanges::Save);
  prompts->fileAnswers.push_back(Path("saved.sfc"));
  EXPECT_TRUE(window->close());
  EXPECT_EQ(FileBytes(Path("saved.sfc")), edited);

  ShowActive();
  Import(WritePicture("q.png", Picture(9)));
  prompts->saveChangesAnswers.push_back(TSaveChanges::Discard);
  EXPECT_TRUE(window->close());
  EXPECT_EQ(FileBytes(Path("saved.sfc")), edited) << "Discard writes nothing";
  EXPECT_EQ(FileBytes(Path("game.sfc")), MakeRom());
}

TEST_F(WriteBackTest, OpeningAnotherRomAsksFirst) {
  OpenWithEntry();
  Import(WritePicture("p.png", Picture(3)));
  const std::vector<std::uint8_t> edited = Rom();
  const QString title = window->windowTitle();
  const std::vector<std::uint8_t> other(64, 0x5A);

  prompts->saveChangesAnswers.push_back(TSaveChanges::Cancel);
  OpenRom(other, "other.sfc");
  EXPECT_EQ(Rom(), edited);
  EXPECT_EQ(window->windowTitle(), title);
  EXPECT_TRUE(Action("aUndoImport")->isEnabled());

  // A file that cannot be read asks nothing and keeps the edits.
  const std::size_t asked = prompts->requests.size();
  prompts->fileAnswers.push_back(Path("missing.sfc"));
  Click("bOpenROM");
  EXPECT_EQ(prompts->requests.size(), asked + 1) << "only the open dialog";
  EXPECT_EQ(Rom(), edited);

  prompts->saveChangesAnswers.push_back(TSaveChanges::Discard);
  OpenRom(other, "other.sfc");
  EXPECT_EQ(Rom(), other);
  EXPECT_EQ(window->windowTitle(), RomTitle(Path("other.sfc")));
  EXPECT_FALSE(Action("aUndoImport")->isEnabled()) << "the new ROM has no imports";
  EXPECT_EQ(FileBytes(Path("game.sfc")), MakeRom());
}

TEST_F(WriteBackTest, MenusHoldEveryActionEnabledOnlyWhereItApplies) {
  const auto enabled = [this] {
    std::vector<bool> v;
    for (const char* n :
         {"aImportImage", "aExportImage", "aSaveRomAs", "aSavePatchAs", "aUndoImport"}) {
      v.push_back(Action(n)->isEnabled());
    }
    return v;
  };
  EXPECT_EQ(enabled(), (std::vector<bool>{false, false, false, false, false})) << "no ROM";
  OpenRom();
  EXPECT_EQ(enabled(), (std::vector<bool>{false, false, true, false, false})) << "no entry";
  OpenWithEntry("second.sfc");
  EXPECT_EQ(enabled(), (std::vector<bool>{true, true, true, false, false}));
  Import(WritePicture("p.png", Picture(3)));
  EXPECT_EQ(enabled(), (std::vector<bool>{true, true, true, true, true}));
  prompts->saveChangesAnswers.push_back(TSaveChanges::Discard);
  Click("bNew");
  // New empties the view: nothing is left to export.
  EXPECT_EQ(enabled(), (std::vector<bool>{false, false, true, true, true})) << "no current entry";

  const QStringList viewItems{"Import Image into ROM… Ctrl+I",
                              "Import Picture as Screen…",
                              "Export Image… Ctrl+E",
                              "Export Palette…",
                              "",
                              "Save ROM As… Ctrl+Shift+S",
                              "Save Patch As…",
                              "",
                              "Undo Import Ctrl+Z",
                              "Redo Ctrl+Shift+Z",
                              "",
                              "Edit Pixels\tE",
                              "Write Palette to ROM…",
                              "",
                              "Edit Cells C",
                              "",
                              "Show as Screen… Ctrl+M",
                              "Show as Tiles Ctrl+Shift+M"};
  for (auto fill : {&TfmMain::FillViewMenu, &TfmMain::FillListMenu}) {
    QMenu menu;
    (window.get()->*fill)(menu);
    QStringList texts;
    for (QAction* a : menu.actions()) {
      texts << a->text() + (a->shortcut().isEmpty() ? "" : " " + a->shortcut().toString());
    }
    const QStringList expected = fill == &TfmMain::FillViewMenu
                                     ? viewItems
                                     : viewItems + QStringList{"",
                                                               "Scan ROM for Compressed Graphics…",
                                                               "Find Pointers to This Entry",
                                                               "",
                                                               "Open ROM… Ctrl+O",
                                                               "Save Document… Ctrl+S"};
    EXPECT_EQ(texts, expected);
  }
}

TEST_F(WriteBackTest, RightClickOpensTheMenuAndShortcutsReachTheActions) {
  OpenWithEntry();
  Import(WritePicture("p.png", Picture(3)));
  QStringList shown;
  QTimer::singleShot(0, [&] {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
      for (QAction* a : menu->actions()) shown << a->text();
      menu->close();
    }
  });
  emit Image->customContextMenuRequested(QPoint(4, 4));
  EXPECT_EQ(shown.size(), 25u);  // and the scene's seven, after a separator
  EXPECT_TRUE(shown.contains("Undo Import"));
  EXPECT_TRUE(shown.contains("Open Save State as Scene…"));

  ShowActive();  // shortcuts work in the active window
  lbList->setFocus();
  QTest::keyClick(lbList, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Rom(), MakeRom()) << "Ctrl+Z undid the import";
  prompts->fileAnswers.push_back(WritePicture("p2.png", Picture(5)));
  QTest::keyClick(lbList, Qt::Key_I, Qt::ControlModifier);
  EXPECT_EQ(PixelsOf(Bitmap()), PixelsOf(Picture(5)));
  prompts->fileAnswers.push_back(Path("copy.sfc"));
  QTest::keyClick(lbList, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(FileBytes(Path("copy.sfc")), Rom());
  prompts->fileAnswers.push_back(Path("shot.png"));
  QTest::keyClick(lbList, Qt::Key_E, Qt::ControlModifier);
  EXPECT_FALSE(ReadFile(Path("shot.png")).isEmpty()) << "Ctrl+E exports as bExport does";
  EXPECT_TRUE(prompts->errors.empty());
}

TEST_F(WriteBackTest, DropsImportOpenAndLoadAsTheButtonsWould) {
  // Before a ROM: a document is refused as bLoad is disabled; a picture has no entry.
  const QString doc = WriteFile("list.tgl", {});
  EXPECT_FALSE(Drop(doc, Image));
  const QString rom = WriteFile("dropped.sfc", Bytes(MakeRom()));
  EXPECT_TRUE(Drop(rom, Image));
  EXPECT_EQ(window->windowTitle(), RomTitle(rom));
  EXPECT_EQ(Rom(), MakeRom());

  AddEntry("$100");
  Pick(cbTemplate, "4bpp (SNES)");
  Type(seWidth, "2");
  Type(seHeight, "2");
  const QString png = WritePicture("p.png", Picture(3));
  EXPECT_FALSE(Drop(png, lbList)) << "a picture goes onto the view only";
  EXPECT_EQ(Rom(), MakeRom());
  EXPECT_TRUE(Drop(png, Image));
  EXPECT_EQ(PixelsOf(Bitmap()), PixelsOf(Picture(3)));
  EXPECT_EQ(window->windowTitle(), RomTitle("*" + rom));

  // A refused picture changes nothing, with the same message the menu's import gives.
  const std::vector<std::uint8_t> edited = Rom();
  EXPECT_TRUE(Drop(WritePicture("wide.png", Picture(3, 24, 16)), Image));
  EXPECT_EQ(prompts->errors.size(), 1u);
  EXPECT_EQ(Rom(), edited);

  prompts->saveChangesAnswers.push_back(TSaveChanges::Discard);  // the list's entry
  EXPECT_TRUE(Drop(doc, eName)) << "an edit passes a dropped file on to the window";
  EXPECT_EQ(eName->text(), "$100");
  EXPECT_EQ(window->windowTitle(), "Tegulo:> " + doc + "  <:>  *" + rom);
  EXPECT_EQ(lbList->count(), 0);

  // A ROM that cannot be read: the message bOpenROM gives, nothing changed, nothing asked.
  const std::size_t asked = prompts->requests.size();
  EXPECT_TRUE(Drop(Path("missing.sfc"), Image));
  EXPECT_EQ(prompts->errors.back(), Path("missing.sfc") + " not found.");
  EXPECT_EQ(prompts->requests.size(), asked);
  EXPECT_EQ(Rom(), edited);

  // A ROM onto a modified one asks first.
  prompts->saveChangesAnswers.push_back(TSaveChanges::Discard);
  EXPECT_TRUE(Drop(WriteFile("next.gba", Bytes(std::vector<std::uint8_t>(32, 1))), Image));
  EXPECT_EQ(prompts->requests.back().kind, FakePrompts::TKind::SaveChanges);
  EXPECT_EQ(Rom(), std::vector<std::uint8_t>(32, 1));
}

}  // namespace
}  // namespace tegulo
