// The scan dialog driven offscreen (options, progress, Cancel, the table and its previews,
// the choice), and the list's context menu that adds the chosen hits as entries.
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

#include "flow_fixture.h"
#include "scan_dialog.h"
#include "scan_rom.h"

namespace tegulo {
namespace {

constexpr int kScanWaitMs = 60000;

TEST(ScanDialog, ScansWithTheOptionsAndHandsBackTheSelectedRows) {
  const TScanRom rom = MakeScanRom(256u << 10, TScanBackground::Random, 3, 12);
  TScanDialog dialog(rom.bytes, 8);
  EXPECT_EQ(dialog.sePreviewWidth->value(), 8);
  EXPECT_FALSE(dialog.bAdd->isEnabled());
  dialog.seAlign->setValue(4);
  dialog.StartScan();
  EXPECT_FALSE(dialog.bScan->isEnabled());
  QTRY_VERIFY_WITH_TIMEOUT(!dialog.Scanning(), kScanWaitMs);
  EXPECT_EQ(dialog.pbProgress->value(), dialog.pbProgress->maximum());

  const auto& hits = dialog.Hits();
  ASSERT_EQ(dialog.tHits->rowCount(), static_cast<int>(hits.size()));
  EXPECT_GE(hits.size(), rom.planted.size() - 1);
  EXPECT_EQ(dialog.lStatus->text(), QStringLiteral("%1 hits").arg(hits.size()));
  for (int row = 0; row < dialog.tHits->rowCount(); ++row) {
    EXPECT_EQ(dialog.tHits->item(row, 0)->text(),
              QString::asprintf("$%.6zX", hits[static_cast<std::size_t>(row)].address));
    EXPECT_FALSE(dialog.tHits->item(row, 5)->icon().isNull()) << "a preview at row " << row;
  }

  dialog.cbPreviewTemplate->setCurrentIndex(3);  // "2bpp (SNES)"
  dialog.tHits->selectRow(2);
  dialog.tHits->selectionModel()->select(dialog.tHits->model()->index(0, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
  EXPECT_TRUE(dialog.bAdd->isEnabled());
  const TScanChoice choice = dialog.Choice();
  ASSERT_EQ(choice.hits.size(), 2u);
  EXPECT_EQ(choice.hits[0], hits[0]) << "in table order";
  EXPECT_EQ(choice.hits[1], hits[2]);
  EXPECT_EQ(choice.templateRow, 4);
  EXPECT_EQ(choice.width, 8);

  // One scheme with a score no hit reaches.
  dialog.cbScheme->setCurrentIndex(4);  // LZSS-CT
  dialog.seMinScore->setValue(100);
  dialog.seMinSize->setValue(1 << 20);
  dialog.StartScan();
  QTRY_VERIFY_WITH_TIMEOUT(!dialog.Scanning(), kScanWaitMs);
  EXPECT_EQ(dialog.tHits->rowCount(), 0);
  EXPECT_FALSE(dialog.bAdd->isEnabled());
}

TEST(ScanDialog, CancelStopsALongScanAndClosingWaitsForIt) {
  const TScanRom rom = MakeScanRom(16u << 20, TScanBackground::Tiles, 1, 5);
  TScanDialog dialog(rom.bytes, 16);
  dialog.seAlign->setValue(1);
  dialog.StartScan();
  QTest::mouseClick(dialog.bCancel, Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(!dialog.Scanning(), kScanWaitMs);
  EXPECT_TRUE(dialog.lStatus->text().endsWith(QStringLiteral("(cancelled)")))
      << dialog.lStatus->text().toStdString();
  EXPECT_LT(dialog.pbProgress->value(), dialog.pbProgress->maximum());
  EXPECT_TRUE(dialog.bScan->isEnabled());
  EXPECT_FALSE(dialog.bCancel->isEnabled());

  dialog.StartScan();
  dialog.reject();  // Close while scanning: the worker stops before the dialog goes
  EXPECT_FALSE(dialog.Scanning());
}

class ScanMenuTest : public FlowTest {
protected:
  QAction* ScanAction(QMenu* menu) {
    for (QAction* a : menu->actions()) {
      if (a->text() == QStringLiteral("Scan ROM for Compressed Graphics…")) return a;
    }
    return nullptr;
  }
};

TEST_F(ScanMenuTest, TheListsMenuScansAndAddsTheChosenHitsFirstOneSelected) {
  auto before = std::make_unique<QMenu>();
  window->FillListMenu(*before);
  ASSERT_NE(ScanAction(before.get()), nullptr);
  EXPECT_FALSE(ScanAction(before.get())->isEnabled()) << "no ROM yet";

  OpenRom();
  AddEntry(QStringLiteral("$40"));
  Pick(cbTemplate, QStringLiteral("4bpp (SNES)"));
  Type(seWidth, QStringLiteral("6"));
  TScanChoice choice;
  choice.templateRow = 4;  // 2bpp (SNES): 16 bytes a tile
  choice.width = 4;
  choice.hits = {{0x1200, 2, 200, 90, 95}, {0x3400, 4, 64, 40, 88}};
  prompts->scanAnswers.push_back(choice);

  auto after = std::make_unique<QMenu>();
  window->FillListMenu(*after);
  ASSERT_TRUE(ScanAction(after.get())->isEnabled());
  ScanAction(after.get())->trigger();
  ASSERT_EQ(prompts->scans.size(), 1u);
  EXPECT_EQ(prompts->scans[0], std::make_pair(std::size_t{kRomSize}, 6));
  ASSERT_EQ(lbList->count(), 3);
  EXPECT_EQ(lbList->item(1)->text(), "$001200 LZSS-FF5");
  EXPECT_EQ(lbList->item(2)->text(), "$003400 LZSS-CT");
  EXPECT_EQ(lbList->ItemIndex(), 1);
  EXPECT_EQ(cbCompression->ItemIndex(), 2);
  EXPECT_EQ(cbTemplate->currentText(), "2bpp (SNES)");
  EXPECT_EQ(seWidth->Value(), 4);
  EXPECT_EQ(seHeight->Value(), 4) << "200 bytes in rows of 64";

  ScanAction(after.get())->trigger();  // closed: nothing changes
  EXPECT_EQ(lbList->count(), 3);
  EXPECT_EQ(lbList->ItemIndex(), 1);
}

}  // namespace
}  // namespace tegulo
