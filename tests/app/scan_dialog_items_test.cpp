// The scan dialog's behaviour around a scan: a new scan clears the old hits, a failing scan
// says so, the fields come from the settings given and go back through Settings(), and the
// previews fit their cells (also at device pixel ratio 2: the "ScreenRatio" tests run there).
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QThread>
#include <atomic>
#include <stdexcept>

#include <gtest/gtest.h>

#include "compress/scheme_formats.h"
#include "scan_dialog.h"

namespace tegulo {
namespace {

constexpr int kWaitMs = 20000;

// A dialog whose scan gives canned hits, waits for a go, or fails.
class TCannedScanDialog : public TScanDialog {
public:
  using TScanDialog::TScanDialog;
  std::vector<TScanHit> answer;
  const char* failure = nullptr;
  std::atomic<bool> hold{false};
  std::atomic<bool> started{false};
  std::vector<int> scanned;  // the schemes of the last scan

protected:
  std::vector<TScanHit> RunScan(std::span<const int> schemes, const TScanOptions&) override {
    scanned.assign(schemes.begin(), schemes.end());
    started = true;
    while (hold.load()) QThread::msleep(1);
    if (failure != nullptr) throw std::runtime_error(failure);
    return answer;
  }
};

// Bytes of a tile-like pattern; the canned hits draw whatever their schemes make of them.
const std::vector<std::uint8_t>& Rom() {
  static const std::vector<std::uint8_t> rom = [] {
    std::vector<std::uint8_t> r(0x4000);
    for (std::size_t i = 0; i < r.size(); ++i) r[i] = static_cast<std::uint8_t>(i % 7 * 0x25);
    return r;
  }();
  return rom;
}

std::vector<TScanHit> ThreeHits() {
  return {{0x100, kSchemeLZ10, 512, 9, 90},
          {0x200, kSchemeFF5, 64, 20, 85},
          {0x300, kSchemeCT, 64, 30, 81}};
}

TEST(ScanDialogItems, ANewScanClearsTheOldHitsFirst) {
  TCannedScanDialog dialog(Rom(), 16);
  dialog.answer = ThreeHits();
  dialog.StartScan();
  QTRY_VERIFY_WITH_TIMEOUT(!dialog.Scanning(), kWaitMs);
  ASSERT_EQ(dialog.tHits->rowCount(), 3);
  EXPECT_EQ(dialog.lStatus->text(), QStringLiteral("3 hits"));
  dialog.tHits->selectRow(1);
  ASSERT_TRUE(dialog.bAdd->isEnabled());

  dialog.hold = true;
  dialog.answer = {ThreeHits()[0]};
  dialog.StartScan();
  EXPECT_EQ(dialog.tHits->rowCount(), 0) << "while the new scan runs";
  EXPECT_TRUE(dialog.Hits().empty());
  EXPECT_FALSE(dialog.bAdd->isEnabled());
  EXPECT_TRUE(dialog.Choice().hits.empty());
  dialog.hold = false;
  QTRY_VERIFY_WITH_TIMEOUT(!dialog.Scanning(), kWaitMs);
  EXPECT_EQ(dialog.tHits->rowCount(), 1);
  EXPECT_EQ(dialog.lStatus->text(), QStringLiteral("1 hit"));
}

TEST(ScanDialogItems, AFailureInTheScanIsReportedNotCountedAsNoHits) {
  TCannedScanDialog dialog(Rom(), 16);
  dialog.answer = ThreeHits();
  dialog.failure = "the ROM went away";
  dialog.StartScan();
  QTRY_VERIFY_WITH_TIMEOUT(!dialog.Scanning(), kWaitMs);
  EXPECT_EQ(dialog.lStatus->text(), QStringLiteral("Scan failed: the ROM went away"));
  EXPECT_EQ(dialog.tHits->rowCount(), 0);
  EXPECT_TRUE(dialog.bScan->isEnabled()) << "a scan can be tried again";

  dialog.failure = nullptr;
  dialog.StartScan();
  QTRY_VERIFY_WITH_TIMEOUT(!dialog.Scanning(), kWaitMs);
  EXPECT_EQ(dialog.lStatus->text(), QStringLiteral("3 hits"));
}

TEST(ScanDialogItems, FieldsStartFromTheSettingsAndGoBackThroughSettings) {
  TScanDialog plain(Rom(), 16);
  EXPECT_EQ(plain.Settings(), TScanSettings{}) << "the scan's own defaults";
  EXPECT_EQ(plain.seMinScore->value(), kDefaultMinScore);
  EXPECT_EQ(plain.seAlign->value(), static_cast<int>(TScanOptions{}.align));
  EXPECT_EQ(plain.seMinSize->value(), static_cast<int>(TScanOptions{}.minSize));

  const TScanSettings kept{3, 100, 2, 55, 4};
  TScanDialog dialog(Rom(), 16, nullptr, kept);
  EXPECT_EQ(dialog.Settings(), kept);
  EXPECT_EQ(dialog.cbScheme->currentText(), QStringLiteral("LZSS-FF6"));
  EXPECT_EQ(dialog.cbPreviewTemplate->currentText(), QStringLiteral("2bpp (SNES)"));
  EXPECT_EQ(dialog.sePreviewWidth->value(), 16) << "the width is the window's";
  dialog.seAlign->setValue(1);
  dialog.cbScheme->setCurrentIndex(0);
  EXPECT_EQ(dialog.Settings(), (TScanSettings{0, 100, 1, 55, 4}));
}

// The scheme choice lists every scannable scheme after "All schemes", each scanning its row;
// all scans the schemes of the scan of all.
TEST(ScanDialogItems, EveryScannableSchemeIsAChoice) {
  TCannedScanDialog dialog(Rom(), 16);
  const std::vector<int> rows = ScannableSchemes();
  ASSERT_EQ(dialog.cbScheme->count(), static_cast<int>(rows.size()) + 1);
  for (int i = 0; i <= static_cast<int>(rows.size()); ++i) {
    dialog.cbScheme->setCurrentIndex(i);
    if (i > 0) {
      const auto name = Compressions[rows[i - 1]].name();
      EXPECT_EQ(dialog.cbScheme->currentText().toStdString(), std::string(name));
    }
    dialog.StartScan();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.Scanning(), kWaitMs);
    EXPECT_EQ(dialog.scanned, i == 0 ? SchemesOfScanAll() : std::vector<int>{rows[i - 1]});
  }
}

TEST(ScanDialogScreenRatio, PreviewsFitTheirCells) {
  TCannedScanDialog dialog(Rom(), 16);
  dialog.answer = ThreeHits();
  dialog.show();
  dialog.StartScan();
  QTRY_VERIFY_WITH_TIMEOUT(!dialog.Scanning(), kWaitMs);
  QApplication::processEvents();
  const QSize icon = dialog.tHits->iconSize();
  const QRect cell = dialog.tHits->visualRect(dialog.tHits->model()->index(0, 5));
  EXPECT_GE(cell.width(), icon.width()) << "the preview column holds the whole picture";
  EXPECT_GE(cell.height(), icon.height());
  const QRect view = dialog.tHits->viewport()->rect();
  EXPECT_LE(cell.left() + icon.width(), view.right()) << "and shows it inside the view";
  const QIcon picture = dialog.tHits->item(0, 5)->icon();
  ASSERT_FALSE(picture.isNull());
  const QPixmap drawn = picture.pixmap(icon, dialog.devicePixelRatioF());
  EXPECT_EQ(drawn.devicePixelRatio(), dialog.devicePixelRatioF());
  EXPECT_LE(drawn.deviceIndependentSize().width(), icon.width());
  EXPECT_LE(drawn.deviceIndependentSize().height(), icon.height());
}

}  // namespace
}  // namespace tegulo
