// QtUserPrompts: the window's modal interactions as Qt's dialogs and message boxes.
#include "qt_user_prompts.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <algorithm>

#include "dialog_filters.h"

namespace tegulo {

namespace {

const QString kCaption = QStringLiteral("Tegulo");

std::optional<QString> RunFileDialog(QFileDialog::AcceptMode mode, const QString& filter,
                                     const QString& defaultExt, int* filterRow = nullptr) {
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
  if (filterRow != nullptr)
    *filterRow = std::max(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())));
  return WithDefaultExtension(dialog.selectedFiles().front(), defaultExt);
}

}  // namespace

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

std::optional<UserPrompts::TPaletteChoice> QtUserPrompts::OpenPaletteWithRow(
    const QString& filter, const QString& defaultExt) {
  int row = 0;
  const std::optional<QString> path =
      RunFileDialog(QFileDialog::AcceptOpen, filter, defaultExt, &row);
  if (!path) return std::nullopt;
  return TPaletteChoice{*path, row};
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
