// TScreenDialog: the map fields of a screen (address, format, size, compression, tile and
// palette bases). Arrow and page keys in the address field step the map address. The size
// fields go up to what the chosen format can address.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>

#include "screen/screen.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace tegulo {

class TScreenDialog : public QDialog {
  Q_OBJECT
public:
  using TPreview = std::function<void(const TScreen&)>;

  // `preview` is called with each complete setting as it is typed, so that the window can
  // draw it behind the dialog.
  TScreenDialog(const TScreen& initial, TPreview preview, QWidget* parent = nullptr);

  // The fields as a screen; nothing while the address is not a number (the hint says why).
  std::optional<TScreen> Screen() const;

  QLineEdit* eMapAddress = nullptr;
  QComboBox* cbMapFormat = nullptr;
  QSpinBox* seMapWidth = nullptr;
  QSpinBox* seMapHeight = nullptr;
  QComboBox* cbMapCompression = nullptr;
  QSpinBox* seTileBase = nullptr;
  QSpinBox* sePaletteBase = nullptr;
  QCheckBox* cbShowPriority = nullptr;
  QLabel* lHint = nullptr;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void Changed();
  void FitSizeRange();
  TPreview preview_;
};

}  // namespace tegulo
