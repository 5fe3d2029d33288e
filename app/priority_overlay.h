// TPriorityOverlay: a see-through layer over the view that dims the screen's cells whose
// priority bit is clear, so that the high-priority ones stand out.
#pragma once

#include <QWidget>
#include <cstdint>
#include <vector>

namespace tegulo {

class TPriorityOverlay : public QWidget {
  Q_OBJECT
public:
  explicit TPriorityOverlay(QWidget* view);

  // One byte a cell, row by row, `columns` cells a row; cells of `cellSide` view pixels.
  void Show(std::vector<std::uint8_t> priority, std::int32_t columns, int cellSide);

  std::int64_t DimmedCells() const;
  // The view's pan: the overlay moves with the picture.
  void SetPan(QPoint pan);

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  std::vector<std::uint8_t> priority_;
  std::int32_t columns_ = 1;
  int cellSide_ = 8;
  QPoint pan_;
};

}  // namespace tegulo
