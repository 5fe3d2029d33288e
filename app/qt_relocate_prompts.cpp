// The Qt dialogs of a relocation: the offer when an import does not fit, the confirmation
// and the table of pointers found.
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "qt_user_prompts.h"

namespace tegulo {
namespace {
const QString kCaption = QStringLiteral("Tegulo");
}  // namespace

UserPrompts::TRelocateAnswer QtUserPrompts::AskRelocate(const QString& text) {
  QMessageBox box(QMessageBox::Question, kCaption, text, QMessageBox::NoButton,
                  QApplication::activeWindow());
  QPushButton* free = box.addButton(QStringLiteral("Write at Free Space"), QMessageBox::AcceptRole);
  QPushButton* choose = box.addButton(QStringLiteral("Choose Address…"), QMessageBox::ActionRole);
  QPushButton* cancel = box.addButton(QMessageBox::Cancel);
  box.setDefaultButton(free);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == free) return TRelocateAnswer::FreeSpace;
  if (box.clickedButton() == choose) return TRelocateAnswer::ChooseAddress;
  return TRelocateAnswer::Cancel;
}

bool QtUserPrompts::Confirm(const QString& text) {
  QMessageBox box(QMessageBox::Question, kCaption, text, QMessageBox::Yes | QMessageBox::No,
                  QApplication::activeWindow());
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void QtUserPrompts::ShowTable(const QString& text, const QStringList& headers,
                              const std::vector<QStringList>& rows) {
  QDialog dialog(QApplication::activeWindow());
  dialog.setWindowTitle(kCaption);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(text, &dialog));
  auto* table =
      new QTableWidget(static_cast<int>(rows.size()), static_cast<int>(headers.size()), &dialog);
  table->setHorizontalHeaderLabels(headers);
  table->verticalHeader()->hide();
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (int c = 0; c < rows[r].size() && c < headers.size(); ++c) {
      table->setItem(static_cast<int>(r), c, new QTableWidgetItem(rows[r][c]));
    }
  }
  table->resizeColumnsToContents();
  layout->addWidget(table);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  layout->addWidget(buttons);
  dialog.exec();
}

}  // namespace tegulo
