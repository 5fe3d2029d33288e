// TStatusBar: a status bar of text panels of a set width, wider only for a longer text.
#pragma once

#include <QStatusBar>
#include <vector>

class QLabel;

namespace tegulo {

class TStatusBar : public QStatusBar {
  Q_OBJECT
public:
  TStatusBar(int panels, int panelWidth, QWidget* parent = nullptr);

  int PanelCount() const { return static_cast<int>(panels_.size()); }
  QString PanelText(int index) const;
  void SetPanelText(int index, const QString& text);
  QLabel* Panel(int index) const { return panels_.at(static_cast<std::size_t>(index)); }

private:
  std::vector<QLabel*> panels_;
  int panelWidth_;
};

}  // namespace tegulo
