// TStatusBar: a status bar of text panels of a set width, wider only for a longer text.
#include "status_bar.h"

#include <QLabel>
#include <algorithm>

namespace tegulo {

TStatusBar::TStatusBar(int panels, int panelWidth, QWidget* parent)
    : QStatusBar(parent), panelWidth_(panelWidth) {
  for (int i = 0; i < panels; ++i) {
    auto* panel = new QLabel(this);
    panel->setObjectName(QStringLiteral("sBarPanel%1").arg(i));
    panel->setFixedWidth(panelWidth);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setContentsMargins(2, 0, 2, 0);
    addWidget(panel);
    panels_.push_back(panel);
  }
}

QString TStatusBar::PanelText(int index) const { return Panel(index)->text(); }

void TStatusBar::SetPanelText(int index, const QString& text) {
  QLabel* panel = Panel(index);
  panel->setText(text);
  // A face wider than the classic one must not cut the text.
  const QMargins m = panel->contentsMargins();
  const int needed = panel->fontMetrics().horizontalAdvance(text) + m.left() + m.right() +
                     2 * panel->frameWidth() + 2;
  panel->setFixedWidth(std::max(panelWidth_, needed));
}

}  // namespace tegulo
