// Palettes from save states and palette files through the import dialog's rows, and the
// view's "Export Palette..." action.
#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>

#include "flow_fixture.h"
#include "palette/palette_files.h"
#include "palette/palette_import.h"
#include "state_fixtures.h"

namespace tegulo {
namespace {

using fixtures::TBytes;

class PaletteImportTest : public FlowTest {
protected:
  QString Write(const QString& name, const TBytes& bytes) {
    return WriteFile(name, QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                      static_cast<qsizetype>(bytes.size())));
  }
  // The dialog row with this description, as the user picks it.
  static int Row(std::string_view description) {
    const auto rows = PaletteImportRows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].description == description) return static_cast<int>(i);
    }
    ADD_FAILURE() << description;
    return -1;
  }
  void Import(const QString& path, int row) {
    prompts->fileAnswers.push_back(path);
    prompts->paletteRowAnswers.push_back(row);
    Click("bOpenPal");
  }
  TTileEntry& AddSixteenColourEntry() {
    AddEntry("0");
    Pick(cbTemplate, "4bpp (SNES)");
    return *Cur();
  }
  bool EntryHas(const TPalette& p) const {
    return std::equal(p.begin(), p.end(), std::begin(Cur()->Palette));
  }
};

TEST_F(PaletteImportTest, TheDialogShowsOneFilterPerRowTheZsnesRowFirst) {
  Click("bOpenPal");
  ASSERT_EQ(prompts->requests.size(), 1u);
  const QStringList filters = QtNameFilters(prompts->requests.back().filter);
  // The window maps the chosen filter back to its row by position.
  ASSERT_EQ(static_cast<std::size_t>(filters.size()), PaletteImportRows().size());
  EXPECT_EQ(filters.front(), "zSnes Save State (*.zs?)");
  EXPECT_EQ(filters[1].left(29), "All palettes and save states ");
  EXPECT_EQ(filters.back(), "ALL (*)");
  EXPECT_EQ(prompts->requests.back().defaultExt, "zst");
  EXPECT_EQ(PaletteImportHalf(Row("mGBA state, sprite palette")), TPaletteHalf::Sprites);
  EXPECT_EQ(PaletteImportHalf(Row("mGBA state")), TPaletteHalf::Background);
  EXPECT_EQ(PaletteImportHalf(-1), TPaletteHalf::Background);
}

TEST_F(PaletteImportTest, TheContentDecidesAndTheSpriteRowsTakeTheSpritePalette) {
  OpenRom();
  TTileEntry& e = AddSixteenColourEntry();
  e.PalAddress = 77;
  // Whatever row is chosen, the file's content says what it is.
  Import(Write("game.ss1", fixtures::MgbaPng(fixtures::MgbaRaw(7, false))), 0);
  ASSERT_TRUE(prompts->errors.empty()) << prompts->errors.front().toStdString();
  EXPECT_EQ(View(), fixtures::BgColours());
  EXPECT_TRUE(EntryHas(fixtures::BgColours()));
  EXPECT_EQ(e.PalAddress, 77);
  EXPECT_EQ(e.PalCount, 16);
  EXPECT_EQ(Bitmap().Colours[3], SwapRedBlue(fixtures::BgColours()[3])) << "redrawn";

  Import(Write("game.sgm", fixtures::Gzip(fixtures::VbaStream(9))),
         Row("VisualBoyAdvance state, sprite palette"));
  EXPECT_EQ(View(), fixtures::ObjColours());
  EXPECT_TRUE(EntryHas(fixtures::ObjColours()));
  Import(Path("game.ss1"), Row("mGBA state, sprite palette"));
  EXPECT_EQ(View(), fixtures::ObjColours());
  Import(Write("pal.gpl", WritePaletteFile(fixtures::BgColours(), TPaletteFileFormat::Gpl)),
         Row("All palettes and save states"));
  EXPECT_TRUE(EntryHas(fixtures::BgColours()));
  EXPECT_TRUE(prompts->errors.empty());

  // Without an entry only the grid takes the colours.
  Click("bNew");
  Import(Write("game.000", fixtures::Gzip(fixtures::Snes9xStream(12))), Row("Snes9x snapshot"));
  EXPECT_EQ(View(), fixtures::BgColours());
}

TEST_F(PaletteImportTest, ARefusedFileIsReportedAndChangesNothing) {
  OpenRom();
  AddSixteenColourEntry();
  Import(Write("pal.act", WritePaletteFile(fixtures::ObjColours(), TPaletteFileFormat::Act)), 0);
  const TTileEntry before = *Cur();
  const TPalette view = View();
  const QString gb = Write("gb.ss1", fixtures::MgbaGameBoy());
  Import(gb, Row("mGBA state"));
  const QString snes = Write("game.000", fixtures::Snes9xStream(12));
  Import(snes, Row("mGBA state, sprite palette"));
  EXPECT_EQ(prompts->errors,
            (std::vector<QString>{gb + ": it is an mGBA Game Boy state, not a GBA state.",
                                  snes + ": a SNES state or palette has no sprite palette."}));
  EXPECT_EQ(View(), view);
  EXPECT_EQ(std::memcmp(&before, Cur(), sizeof before), 0);
}

TEST_F(PaletteImportTest, ExportPaletteInTheViewsContextMenu) {
  auto* action = window->findChild<QAction*>("aExportPalette");
  ASSERT_NE(action, nullptr);
  EXPECT_EQ(action->text(), QString::fromUtf8("Export Palette\u2026"));
  QMenu menu;
  window->FillViewMenu(menu);
  EXPECT_TRUE(menu.actions().contains(action));
  EXPECT_FALSE(action->isEnabled()) << "no current entry";
  action->trigger();
  EXPECT_TRUE(prompts->requests.empty());

  OpenRom();
  AddSixteenColourEntry();
  Import(Write("in.gpl", WritePaletteFile(fixtures::ObjColours(), TPaletteFileFormat::Gpl)), 0);
  EXPECT_TRUE(action->isEnabled());
  // The chosen row decides the kind and the extension of a name typed without one.
  struct TCase {
    const char* typed;
    int row;
    const char* written;
    TPaletteSourceKind kind;
  };
  const TCase cases[] = {
      {"out", 0, "out.pal", TPaletteSourceKind::JascPal},
      {"out", 1, "out.gpl", TPaletteSourceKind::Gpl},
      {"out", 2, "out.act", TPaletteSourceKind::Act},
      {"all.act", 3, "all.act", TPaletteSourceKind::Act},
  };
  for (const TCase& c : cases) {
    prompts->fileAnswers.push_back(Path(c.typed));
    prompts->filterAnswers.push_back(c.row);
    action->trigger();
    EXPECT_EQ(prompts->requests.back().kind, FakePrompts::TKind::SaveFileAs);
    const QByteArray bytes = ReadFile(Path(c.written));
    const std::vector<std::uint8_t> file(bytes.begin(), bytes.end());
    EXPECT_EQ(DetectPaletteSource(file), c.kind) << c.written;
    EXPECT_EQ(ReadPaletteSource(file, TPaletteHalf::Background), fixtures::ObjColours())
        << c.written;
  }
  prompts->fileAnswers.push_back(Path("out.png"));
  prompts->filterAnswers.push_back(3);
  action->trigger();
  EXPECT_EQ(prompts->errors,
            (std::vector<QString>{"Cannot export a palette as \"" + Path("out.png") + "\"" +
                                  ": use .pal, .gpl or .act."}));
  EXPECT_FALSE(QFile::exists(Path("out.png")));
}

}  // namespace
}  // namespace tegulo
