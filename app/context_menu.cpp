// TContextMenu: the right-click menu of a control, built from the actions given to it.
#include "context_menu.h"

#include <QMenu>
#include <QWidget>

namespace tegulo {

TContextMenu::TContextMenu(QWidget* owner) : QObject(owner), owner_(owner) {
  owner->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(owner, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QMenu* menu = BuildMenu(owner_);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(owner_->mapToGlobal(at));
  });
}

void TContextMenu::AddAction(const QString& text, std::function<void()> run,
                             std::function<bool()> enabled) {
  items_.push_back({text, std::move(run), std::move(enabled)});
}

void TContextMenu::AddSeparator() { items_.push_back({}); }

QMenu* TContextMenu::BuildMenu(QWidget* parent) const {
  auto* menu = new QMenu(parent);
  for (const TItem& item : items_) {
    if (item.text.isEmpty()) {
      menu->addSeparator();
      continue;
    }
    QAction* action = menu->addAction(item.text);
    action->setEnabled(!item.enabled || item.enabled());
    connect(action, &QAction::triggered, this, [run = item.run] { run(); });
  }
  return menu;
}

}  // namespace tegulo
