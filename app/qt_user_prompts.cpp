// QtUserPrompts: the window's modal interactions as Qt's dialogs and message boxes.
#include "qt_user_prompts.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>

#include "dialog_filters.h"

namespace tegulo {

namespace {

const QString kCaption = QStringLiteral("Tegulo");

std::optional<QString> RunFileDialog(QFileDialog::AcceptMode mode, const QString& filter,
                                     const QString& defaultExt) {
  QFileDialog dialog(QApplication::activeWindow());
  dialog.setAcceptMode(mode);
  // Open requests take names of files that do not exist; the caller reports those.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  const QStringList filters = QtNameFilters(filter);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
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

std::unique_ptr<TProgressPrompt> QtUserPrompts::StartProgress(const QString& label, int maximum) {
  return std::make_unique<TQtProgress>(label, maximum);
}

std::optional<QString> QtUserPrompts::OpenFile(const QString& filter, const QString& defaultExt) {
  return RunFileDialog(QFileDialog::AcceptOpen, filter, defaultExt);
}

std::optional<QString> QtUserPrompts::SaveFile(const QString& filter, const QString& defaultExt) {
  return RunFileDialog(QFileDialog::AcceptSave, filter, defaultExt);
}

std::optional<QString> QtUserPrompts::OpenPalette(const QString& filter,
                                                  const QString& defaultExt) {
  return RunFileDialog(QFileDialog::AcceptOpen, filter, defaultExt);
}

std::optional<QColor> QtUserPrompts::PickColour(QColor initial) {
  QColorDialog dialog(initial, QApplication::activeWindow());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.selectedColor();
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

}  // namespace tegulo
