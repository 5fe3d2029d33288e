// QtUserPrompts: the window's modal interactions as Qt's dialogs and message boxes.
#include "qt_user_prompts.h"
#include "screen_dialog.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <algorithm>
#include <utility>

#include "colour_dialog.h"
#include "dialog_filters.h"
#include "scan_dialog.h"

namespace tegulo {

namespace {

const QString kCaption = QStringLiteral("Tegulo");

// Opens the dialog in `folder` with `name` filled in, each when given.
void StartAt(QFileDialog& dialog, const QString& folder, const QString& name) {
  if (!folder.isEmpty()) dialog.setDirectory(folder);
  if (!name.isEmpty()) dialog.selectFile(name);
}

std::optional<QString> RunFileDialog(QFileDialog::AcceptMode mode, const QString& filter,
                                     const QString& defaultExt, int* filterRow = nullptr,
                                     const QString& folder = {}, const QString& name = {}) {
  QFileDialog dialog(QApplication::activeWindow());
  StartAt(dialog, folder, name);
  dialog.setAcceptMode(mode);
  // Open requests take names of files that do not exist; the caller reports those.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  const QStringList filters = QtNameFilters(filter);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  if (filterRow != nullptr)
    *filterRow = std::max(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())));
  return WithDefaultExtension(dialog.selectedFiles().front(), defaultExt);
}

// QProgressDialog shows itself once the work has run for its minimum duration, and while
// shown and modal it handles pending events on every new value.
class TQtProgress : public TProgressPrompt {
public:
  TQtProgress(const QString& label, int maximum)
      : dialog_(label, QStringLiteral("Cancel"), 0, maximum, QApplication::activeWindow()) {
    dialog_.setWindowTitle(kCaption);
    dialog_.setWindowModality(Qt::ApplicationModal);
    dialog_.setMinimumDuration(500);
    dialog_.setAutoClose(false);
    dialog_.setAutoReset(false);
    dialog_.setValue(0);  // starts the clock
  }
  void SetValue(int value) override { dialog_.setValue(value); }
  bool Cancelled() const override { return dialog_.wasCanceled(); }

private:
  QProgressDialog dialog_;
};

}  // namespace

namespace {
class TSilentProgress : public TProgressPrompt {
public:
  void SetValue(int) override {}
  bool Cancelled() const override { return false; }
};
}  // namespace

std::unique_ptr<TProgressPrompt> UserPrompts::StartProgress(const QString&, int) {
  return std::make_unique<TSilentProgress>();
}

std::optional<QString> UserPrompts::AskText(const QString&, const QString&, const QString&) {
  return std::nullopt;
}

std::unique_ptr<TProgressPrompt> QtUserPrompts::StartProgress(const QString& label, int maximum) {
  return std::make_unique<TQtProgress>(label, maximum);
}

void QtUserPrompts::StartNextIn(const QString& folder, const QString& name) {
  nextFolder_ = folder;
  nextName_ = name;
}

std::optional<QString> QtUserPrompts::OpenFile(const QString& filter, const QString& defaultExt) {
  return RunFileDialog(QFileDialog::AcceptOpen, filter, defaultExt, nullptr,
                       std::exchange(nextFolder_, {}), std::exchange(nextName_, {}));
}

std::optional<QString> QtUserPrompts::SaveFile(const QString& filter, const QString& defaultExt) {
  return RunFileDialog(QFileDialog::AcceptSave, filter, defaultExt, nullptr,
                       std::exchange(nextFolder_, {}), std::exchange(nextName_, {}));
}

std::optional<QString> QtUserPrompts::OpenPalette(const QString& filter,
                                                  const QString& defaultExt) {
  return RunFileDialog(QFileDialog::AcceptOpen, filter, defaultExt, nullptr,
                       std::exchange(nextFolder_, {}), std::exchange(nextName_, {}));
}

std::optional<UserPrompts::TSaveAs> QtUserPrompts::SaveFileAs(const QString& filter,
                                                              const QString& defaultExt,
                                                              const QString& suggested) {
  QFileDialog dialog(QApplication::activeWindow());
  StartAt(dialog, std::exchange(nextFolder_, {}), std::exchange(nextName_, {}));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  const QStringList filters = QtNameFilters(filter);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  // The suffix is added before the dialog asks about replacing a file, so that the question
  // names the file that would really be written.
  const auto suffixFor = [&](int index) {
    return defaultExt.isEmpty() ? FilterExtension(filter, index) : defaultExt;
  };
  dialog.setDefaultSuffix(suffixFor(0));
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& chosen) {
    dialog.setDefaultSuffix(suffixFor(static_cast<int>(filters.indexOf(chosen))));
  });
  if (!suggested.isEmpty()) dialog.selectFile(suggested);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  const int index = std::max(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())));
  return TSaveAs{WithDefaultExtension(dialog.selectedFiles().front(), suffixFor(index)), index};
}

UserPrompts::TSaveChanges QtUserPrompts::AskSaveChanges(const QString& text) {
  QMessageBox box(QMessageBox::Question, kCaption, text,
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                  QApplication::activeWindow());
  box.setDefaultButton(QMessageBox::Save);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
    case QMessageBox::Save: return TSaveChanges::Save;
    case QMessageBox::Discard: return TSaveChanges::Discard;
    default: return TSaveChanges::Cancel;
  }
}

std::optional<UserPrompts::TPaletteChoice> QtUserPrompts::OpenPaletteWithRow(
    const QString& filter, const QString& defaultExt) {
  int row = 0;
  const std::optional<QString> path =
      RunFileDialog(QFileDialog::AcceptOpen, filter, defaultExt, &row,
                    std::exchange(nextFolder_, {}), std::exchange(nextName_, {}));
  if (!path) return std::nullopt;
  return TPaletteChoice{*path, row};
}

std::optional<QColor> QtUserPrompts::PickColour(QColor initial) {
  return PickConsoleColour(initial, QApplication::activeWindow());
}

std::optional<QString> QtUserPrompts::AskText(const QString& title, const QString& label,
                                              const QString& initial) {
  QInputDialog dialog(QApplication::activeWindow());
  dialog.setWindowTitle(title);
  dialog.setLabelText(label);
  dialog.setTextValue(initial);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.textValue();
}

void QtUserPrompts::ShowError(const QString& text) {
  QMessageBox box(QMessageBox::Critical, kCaption, text, QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

void QtUserPrompts::ShowMessage(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, kCaption, text, QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

std::optional<TScanChoice> QtUserPrompts::ScanForGraphics(std::span<const std::uint8_t> rom,
                                                          std::int32_t width) {
  TScanDialog dialog(rom, width, QApplication::activeWindow(), scanSettings_);
  const int answer = dialog.exec();
  scanSettings_ = dialog.Settings();
  if (answer != QDialog::Accepted) return std::nullopt;
  return dialog.Choice();
}

std::optional<TScreen> QtUserPrompts::AskScreen(
    const TScreen& initial, const std::function<void(const TScreen&)>& preview) {
  TScreenDialog dialog(initial, preview, QApplication::activeWindow());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Screen();
}

}  // namespace tegulo
