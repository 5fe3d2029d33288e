// TScanDialog: scans the ROM for packed graphics off the user-interface thread and lets the
// user pick hits to add to the entry list.
#include "scan_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <new>

#include "base/numbers.h"
#include "compress/refresh.h"
#include "compress/uCompress.h"
#include "entries/limits.h"
#include "image/render.h"
#include "rom/scan_entries.h"
#include "tiles/uTiles.h"

namespace tegulo {
namespace {

constexpr int kPollMs = 30;
constexpr int kPreviewRows = 4;  // tile rows drawn in a preview
constexpr QSize kPreviewSize(128, 32);
constexpr int kPreviewMargin = 12;  // around the picture inside its cell
enum TColumn { kAddress, kScheme, kRaw, kCompr, kScore, kPreview, kColumns };

QSpinBox* Spin(QWidget* parent, const char* name, int min, int max, int value) {
  auto* s = new QSpinBox(parent);
  s->setObjectName(QString::fromLatin1(name));
  s->setRange(min, max);
  s->setValue(value);
  return s;
}

QTableWidgetItem* Cell(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  return item;
}

}  // namespace

TScanDialog::TScanDialog(std::span<const std::uint8_t> rom, std::int32_t width, QWidget* parent,
                         const TScanSettings& settings)
    : QDialog(parent), rom_(rom) {
  setWindowTitle(QStringLiteral("Scan ROM for Compressed Graphics"));
  setObjectName(QStringLiteral("ScanDialog"));

  cbScheme = new QComboBox(this);
  cbScheme->setObjectName(QStringLiteral("cbScheme"));
  // Each item's data is its scheme row; 0 scans every scheme the scan of all takes.
  cbScheme->addItem(QStringLiteral("All schemes"), 0);
  for (int s : ScannableSchemes()) {
    cbScheme->addItem(QString::fromLatin1(Compressions[s].name().data(),
                                          static_cast<int>(Compressions[s].name().size())),
                      s);
  }
  cbScheme->setCurrentIndex(std::clamp(settings.scheme, 0, cbScheme->count() - 1));
  seMinSize = Spin(this, "seMinSize", 0, 0xFFFFFF, static_cast<int>(settings.minSize));
  seAlign = Spin(this, "seAlign", 1, 0x10000, static_cast<int>(settings.align));
  seMinScore = Spin(this, "seMinScore", 0, 100, settings.minScore);
  cbPreviewTemplate = new QComboBox(this);
  cbPreviewTemplate->setObjectName(QStringLiteral("cbPreviewTemplate"));
  for (int row = 1; row < kTemplateCount; ++row) {
    const auto name = TileTemplates[row].name();
    cbPreviewTemplate->addItem(QString::fromLatin1(name.data(), static_cast<int>(name.size())));
  }
  cbPreviewTemplate->setCurrentIndex(
      std::clamp(settings.previewTemplate - 1, 0, cbPreviewTemplate->count() - 1));
  sePreviewWidth = Spin(this, "sePreviewWidth", 1, kMaxTiles, std::clamp(width, 1, kMaxTiles));

  bScan = new QPushButton(QStringLiteral("Scan"), this);
  bScan->setObjectName(QStringLiteral("bScan"));
  bCancel = new QPushButton(QStringLiteral("Cancel"), this);
  bCancel->setObjectName(QStringLiteral("bCancel"));
  bCancel->setEnabled(false);
  pbProgress = new QProgressBar(this);
  pbProgress->setObjectName(QStringLiteral("pbProgress"));
  pbProgress->setRange(0, 1000);
  pbProgress->setValue(0);
  lStatus = new QLabel(this);
  lStatus->setObjectName(QStringLiteral("lStatus"));

  tHits = new QTableWidget(0, kColumns, this);
  tHits->setObjectName(QStringLiteral("tHits"));
  tHits->setHorizontalHeaderLabels({QStringLiteral("Address"), QStringLiteral("Scheme"),
                                    QStringLiteral("Raw size"), QStringLiteral("Compr. size"),
                                    QStringLiteral("Score"), QStringLiteral("Preview")});
  tHits->setSelectionBehavior(QAbstractItemView::SelectRows);
  tHits->setSelectionMode(QAbstractItemView::ExtendedSelection);
  tHits->setIconSize(kPreviewSize);
  tHits->verticalHeader()->setDefaultSectionSize(kPreviewSize.height() + kPreviewMargin);
  tHits->verticalHeader()->hide();
  // The numbers take what their text needs, the preview column the whole picture at least.
  tHits->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  tHits->horizontalHeader()->setSectionResizeMode(kPreview, QHeaderView::Stretch);
  tHits->horizontalHeader()->setMinimumSectionSize(16);
  tHits->setColumnWidth(kPreview, kPreviewSize.width() + kPreviewMargin);

  bAdd = new QPushButton(QStringLiteral("Add to List"), this);
  bAdd->setObjectName(QStringLiteral("bAdd"));
  bAdd->setEnabled(false);
  auto* bClose = new QPushButton(QStringLiteral("Close"), this);
  bClose->setObjectName(QStringLiteral("bClose"));

  auto* options = new QFormLayout();
  options->addRow(QStringLiteral("Scheme:"), cbScheme);
  options->addRow(QStringLiteral("Minimum size:"), seMinSize);
  options->addRow(QStringLiteral("Alignment:"), seAlign);
  options->addRow(QStringLiteral("Minimum score:"), seMinScore);
  options->addRow(QStringLiteral("Preview template:"), cbPreviewTemplate);
  options->addRow(QStringLiteral("Width in tiles:"), sePreviewWidth);
  auto* progress = new QHBoxLayout();
  progress->addWidget(bScan);
  progress->addWidget(pbProgress, 1);
  progress->addWidget(bCancel);
  auto* buttons = new QHBoxLayout();
  buttons->addWidget(lStatus, 1);
  buttons->addWidget(bAdd);
  buttons->addWidget(bClose);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(options);
  layout->addLayout(progress);
  layout->addWidget(tHits, 1);
  layout->addLayout(buttons);
  resize(720, 480);

  poll_ = new QTimer(this);
  poll_->setInterval(kPollMs);
  connect(poll_, &QTimer::timeout, this, &TScanDialog::Poll);
  connect(bScan, &QPushButton::clicked, this, &TScanDialog::StartScan);
  connect(bCancel, &QPushButton::clicked, this, [this] { cancel_ = true; });
  connect(bAdd, &QPushButton::clicked, this, &QDialog::accept);
  connect(bClose, &QPushButton::clicked, this, &QDialog::reject);
  connect(tHits, &QTableWidget::itemSelectionChanged, this,
          [this] { bAdd->setEnabled(!tHits->selectionModel()->selectedRows().isEmpty()); });
  connect(cbPreviewTemplate, &QComboBox::currentIndexChanged, this, &TScanDialog::DrawPreviews);
  connect(sePreviewWidth, &QSpinBox::valueChanged, this, &TScanDialog::DrawPreviews);
}

TScanDialog::~TScanDialog() { StopWorker(); }

void TScanDialog::StopWorker() {
  if (!worker_.joinable()) return;
  cancel_ = true;
  worker_.join();
}

void TScanDialog::reject() {
  StopWorker();
  QDialog::reject();
}

TScanSettings TScanDialog::Settings() const {
  TScanSettings s;
  s.scheme = cbScheme->currentIndex();
  s.minSize = static_cast<std::uint32_t>(seMinSize->value());
  s.align = static_cast<std::uint32_t>(seAlign->value());
  s.minScore = seMinScore->value();
  s.previewTemplate = cbPreviewTemplate->currentIndex() + 1;
  return s;
}

std::vector<TScanHit> TScanDialog::RunScan(std::span<const int> schemes,
                                           const TScanOptions& options) {
  return ScanStreams(rom_, schemes, options);
}

void TScanDialog::StartScan() {
  if (Scanning()) return;
  hits_.clear();  // the old hits go before the new scan starts
  tHits->setRowCount(0);
  bAdd->setEnabled(false);
  error_.clear();
  cancel_ = false;
  done_ = false;
  progressDone_ = 0;
  progressTotal_ = 1;
  const int row = cbScheme->currentData().toInt();
  std::vector<int> schemes = row == 0 ? SchemesOfScanAll() : std::vector<int>{row};
  TScanOptions options;
  options.minSize = static_cast<std::uint32_t>(seMinSize->value());
  options.align = static_cast<std::uint32_t>(seAlign->value());
  options.minScore = seMinScore->value();
  options.progress = [this](std::size_t done, std::size_t total) {
    progressDone_ = done;
    progressTotal_ = std::max<std::size_t>(total, 1);
    return !cancel_.load();
  };
  bScan->setEnabled(false);
  bCancel->setEnabled(true);
  lStatus->setText(QStringLiteral("Scanning…"));
  worker_ = std::thread([this, schemes = std::move(schemes), options = std::move(options)] {
    try {
      result_ = RunScan(schemes, options);
    } catch (const std::bad_alloc&) {
      result_.clear();
      error_ = ScanFailedText("not enough memory");
    } catch (const std::exception& e) {
      result_.clear();
      error_ = ScanFailedText(e.what());
    } catch (...) {
      result_.clear();
      error_ = ScanFailedText("an unknown error");
    }
    done_.store(true, std::memory_order_release);
  });
  poll_->start();
}

void TScanDialog::Poll() {
  const double share =
      static_cast<double>(progressDone_.load()) / static_cast<double>(progressTotal_.load());
  pbProgress->setValue(static_cast<int>(std::clamp(share, 0.0, 1.0) * 1000));
  if (done_.load(std::memory_order_acquire)) Finish();
}

void TScanDialog::Finish() {
  poll_->stop();
  worker_.join();
  hits_ = std::move(result_);
  result_.clear();
  const bool cancelled = cancel_.load();
  pbProgress->setValue(cancelled ? pbProgress->value() : 1000);
  bScan->setEnabled(true);
  bCancel->setEnabled(false);
  lStatus->setText(
      QString::fromStdString(error_.empty() ? ScanHitsText(hits_.size(), cancelled) : error_));
  FillTable();
}

void TScanDialog::FillTable() {
  tHits->clearContents();
  tHits->setRowCount(static_cast<int>(hits_.size()));
  for (int row = 0; row < tHits->rowCount(); ++row) {
    const TScanHit& h = hits_[static_cast<std::size_t>(row)];
    const auto scheme = Compressions[h.scheme].name();
    tHits->setItem(
        row, kAddress,
        Cell(QString::fromStdString(FormatAddress(static_cast<std::int32_t>(h.address)))));
    tHits->setItem(row, kScheme,
                   Cell(QString::fromLatin1(scheme.data(), static_cast<int>(scheme.size()))));
    tHits->setItem(row, kRaw, Cell(QString::number(h.rawSize)));
    tHits->setItem(row, kCompr, Cell(QString::number(h.comprSize)));
    tHits->setItem(row, kScore, Cell(QString::number(h.score)));
    tHits->setItem(row, kPreview, Cell(QString()));
  }
  DrawPreviews();
}

void TScanDialog::DrawPreviews() {
  if (Scanning()) return;
  const int templateRow = cbPreviewTemplate->currentIndex() + 1;
  const std::int32_t width = sePreviewWidth->value();
  TDecodeBuffer buffer(kDecodeBufferSize);
  TIndexedBitmap bitmap;
  const int rows = std::min(tHits->rowCount(), kMaxPreviews);
  for (int row = 0; row < rows; ++row) {
    TTileEntry e = EntryForHit(hits_[static_cast<std::size_t>(row)], templateRow, width);
    e.Height = std::min(e.Height, kPreviewRows);
    UnpackEntry(e, rom_, buffer);
    DrawTiles(bitmap, e, rom_, buffer, kFallbackBackground);
    if (bitmap.Empty()) continue;
    QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_Indexed8);
    QList<QRgb> table;
    for (std::uint32_t c : bitmap.Colours) table.push_back(0xFF000000u | c);
    image.setColorTable(table);
    for (int y = 0; y < bitmap.Height(); ++y) {
      std::copy_n(bitmap.Row(y), bitmap.Width(), image.scanLine(y));
    }
    // Drawn at the screen's pixel density, so that a high-density screen shows it sharp at
    // the same size.
    const qreal ratio = devicePixelRatioF();
    QPixmap picture = QPixmap::fromImage(
        image.scaled(kPreviewSize * ratio, Qt::KeepAspectRatio, Qt::FastTransformation));
    picture.setDevicePixelRatio(ratio);
    if (QTableWidgetItem* item = tHits->item(row, kPreview)) item->setIcon(QIcon(picture));
  }
}

TScanChoice TScanDialog::Choice() const {
  TScanChoice choice;
  choice.templateRow = cbPreviewTemplate->currentIndex() + 1;
  choice.width = sePreviewWidth->value();
  QList<int> rows;
  for (const QModelIndex& index : tHits->selectionModel()->selectedRows())
    rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  for (int row : rows) choice.hits.push_back(hits_[static_cast<std::size_t>(row)]);
  return choice;
}

}  // namespace tegulo
