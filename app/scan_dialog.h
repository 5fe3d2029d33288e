// TScanDialog: scans the ROM for packed graphics off the user-interface thread and lets the
// user pick hits to add to the entry list.
#pragma once

#include <QDialog>
#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "rom/scan_texts.h"
#include "scan_choice.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTimer;

namespace tegulo {

// The ROM must stay unchanged while the dialog exists (it is modal). Scan starts the scan on
// a worker thread; the progress bar follows it and Cancel stops it (the hits found until
// then are shown); a new scan clears the old hits first, and a scan that fails says so in
// the status line. Closing the dialog stops a running scan and waits for it. The table
// lists address, scheme, raw and packed size, score and a preview drawn with the chosen
// template and width; "Add to List" accepts the dialog with the selected rows. The fields
// start from `settings` (the caller keeps Settings() for the next dialog) and the preview's
// width from `width`.
class TScanDialog : public QDialog {
  Q_OBJECT
public:
  static constexpr int kMaxPreviews = 256;  // rows beyond these show no picture

  TScanDialog(std::span<const std::uint8_t> rom, std::int32_t width, QWidget* parent = nullptr,
              const TScanSettings& settings = {});
  ~TScanDialog() override;

  QComboBox* cbScheme;
  QSpinBox* seMinSize;
  QSpinBox* seAlign;
  QSpinBox* seMinScore;
  QComboBox* cbPreviewTemplate;
  QSpinBox* sePreviewWidth;
  QPushButton* bScan;
  QPushButton* bCancel;
  QProgressBar* pbProgress;
  QLabel* lStatus;
  QTableWidget* tHits;
  QPushButton* bAdd;

  void StartScan();
  bool Scanning() const { return worker_.joinable(); }
  const std::vector<TScanHit>& Hits() const { return hits_; }
  // The selected rows' hits in table order, with the preview's template and width.
  TScanChoice Choice() const;
  // The fields as they stand, for the next dialog.
  TScanSettings Settings() const;

  // Close (and Escape): stops a running scan and waits for it first.
  void reject() override;

protected:
  // The scan itself, on the worker thread; tests replace it.
  virtual std::vector<TScanHit> RunScan(std::span<const int> schemes, const TScanOptions& options);

private:
  void Poll();
  void Finish();
  void FillTable();
  void DrawPreviews();
  void StopWorker();

  std::span<const std::uint8_t> rom_;
  std::thread worker_;
  std::atomic<bool> cancel_{false};
  std::atomic<bool> done_{false};
  std::atomic<std::size_t> progressDone_{0};
  std::atomic<std::size_t> progressTotal_{1};
  std::vector<TScanHit> result_;  // written by the worker, read once done_ is seen
  std::string error_;             // the same: why the scan failed, empty when it did not
  std::vector<TScanHit> hits_;
  QTimer* poll_;
};

}  // namespace tegulo
