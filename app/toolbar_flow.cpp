// The toolbar on a narrow window: the controls that would be cut off at the right edge go on
// to further rows, in their order, so that every one stays whole and reachable.
#include <QVariant>
#include <algorithm>
#include <map>
#include <vector>

#include "MainUnit.h"

namespace tegulo {

namespace {

const char* const kHome = "toolbarHome";  // a control's place on the one-row toolbar
constexpr int kEdge = 4;                  // the gap kept at a row's left and right

// A label and its control share a column; a button has one of its own.
struct TColumn {
  int left = 0;
  int right = 0;
  std::vector<QWidget*> members;
};

}  // namespace

void TfmMain::FlowToolbar() {
  if (Panel2 == nullptr) return;
  const QList<QWidget*> controls = Panel2->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  static constexpr const char* kRowHeight = "toolbarRowHeight";
  if (!Panel2->property(kRowHeight).isValid()) {
    Panel2->setProperty(kRowHeight, Panel2->height());
    for (QWidget* w : controls) w->setProperty(kHome, w->geometry());
  }
  const int rowHeight = Panel2->property(kRowHeight).toInt();
  std::map<int, TColumn> columns;  // by their left edge on one row
  for (QWidget* w : controls) {
    if (!w->property(kHome).isValid()) continue;
    const QRect home = w->property(kHome).toRect();
    TColumn& c = columns[home.left()];
    c.left = home.left();
    c.right = std::max(c.right, home.right());
    c.members.push_back(w);
  }
  int row = 0;
  int shift = 0;  // how far the current row's columns move left
  bool rowEmpty = true;
  for (const auto& [left, c] : columns) {
    if (!rowEmpty && c.right - shift >= Panel2->width() - kEdge) {
      ++row;
      shift = c.left - kEdge;
    }
    rowEmpty = false;
    for (QWidget* w : c.members) {
      w->setGeometry(w->property(kHome).toRect().translated(-shift, row * rowHeight));
    }
  }
  Panel2->setFixedHeight(rowHeight * (row + 1));
}

}  // namespace tegulo
