// TContextMenu: the right-click menu of a control, built from the actions given to it.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

class QMenu;
class QWidget;

namespace tegulo {

// Shows a menu of the added actions, in the order added, where the owner is right-clicked.
// An action whose `enabled` test says no shows greyed. The menu is built anew each time, so
// the tests take the same menu from BuildMenu().
class TContextMenu : public QObject {
  Q_OBJECT
public:
  explicit TContextMenu(QWidget* owner);

  void AddAction(const QString& text, std::function<void()> run,
                 std::function<bool()> enabled = nullptr);
  void AddSeparator();

  // A new menu of the actions (the caller owns it); triggering an item runs its action.
  QMenu* BuildMenu(QWidget* parent) const;

private:
  struct TItem {
    QString text;  // empty: a separator
    std::function<void()> run;
    std::function<bool()> enabled;
  };
  QWidget* owner_;
  std::vector<TItem> items_;
};

}  // namespace tegulo
