// The screen dialog: its fields, the address steps and the live preview.
#include "screen_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "base/numbers.h"
#include "compress/scheme_formats.h"
#include "compress/uCompress.h"
#include "qt_text.h"

namespace tegulo {
namespace {

QSpinBox* Spin(QWidget* parent, const char* name, int lo, int hi, int value) {
  auto* spin = new QSpinBox(parent);
  spin->setObjectName(QString::fromLatin1(name));
  spin->setRange(lo, hi);
  spin->setValue(value);
  return spin;
}

std::optional<TMapStep> KeyStep(int key) {
  switch (key) {
    case Qt::Key_Left: return TMapStep::EntryBack;
    case Qt::Key_Right: return TMapStep::EntryForward;
    case Qt::Key_Up: return TMapStep::RowBack;
    case Qt::Key_Down: return TMapStep::RowForward;
    case Qt::Key_PageUp: return TMapStep::MapBack;
    case Qt::Key_PageDown: return TMapStep::MapForward;
    default: return std::nullopt;
  }
}

}  // namespace

TScreenDialog::TScreenDialog(const TScreen& initial, TPreview preview, QWidget* parent)
    : QDialog(parent), preview_(std::move(preview)) {
  setObjectName(QStringLiteral("ScreenDialog"));
  setWindowTitle(QStringLiteral("Show as Screen"));
  eMapAddress = new QLineEdit(QString::fromStdString(FormatAddress(initial.mapAddress)), this);
  eMapAddress->setObjectName(QStringLiteral("eMapAddress"));
  eMapAddress->setToolTip(QStringLiteral(
      "Left/Right: an entry, Up/Down: a row of entries, Page Up/Page Down: the whole map"));
  eMapAddress->installEventFilter(this);
  cbMapFormat = new QComboBox(this);
  cbMapFormat->setObjectName(QStringLiteral("cbMapFormat"));
  for (const TMapFormat& f : MapFormats())
    cbMapFormat->addItem(QString::fromLatin1(f.name.data(), static_cast<int>(f.name.size())));
  cbMapFormat->setCurrentIndex(initial.format);
  seMapWidth = Spin(this, "seMapWidth", 1, kMaxMapSide, initial.width);
  seMapHeight = Spin(this, "seMapHeight", 1, kMaxMapSide, initial.height);
  cbMapCompression = new QComboBox(this);
  cbMapCompression->setObjectName(QStringLiteral("cbMapCompression"));
  for (const TChoice& c : Compressions)
    cbMapCompression->addItem(FromLatin1(std::string(c.name())));
  cbMapCompression->setCurrentIndex(initial.mapCompression);
  seTileBase = Spin(this, "seTileBase", -65536, 65536, initial.tileBase);
  sePaletteBase = Spin(this, "sePaletteBase", -256, 256, initial.paletteBase);
  cbShowPriority = new QCheckBox(QStringLiteral("Dim the cells without priority"), this);
  cbShowPriority->setObjectName(QStringLiteral("cbShowPriority"));
  cbShowPriority->setChecked(initial.showPriority);
  lHint = new QLabel(this);
  lHint->setObjectName(QStringLiteral("lHint"));

  auto* form = new QFormLayout(this);
  form->addRow(QStringLiteral("Map address:"), eMapAddress);
  form->addRow(QStringLiteral("Format:"), cbMapFormat);
  form->addRow(QStringLiteral("Width (tiles):"), seMapWidth);
  form->addRow(QStringLiteral("Height (tiles):"), seMapHeight);
  form->addRow(QStringLiteral("Compression:"), cbMapCompression);
  form->addRow(QStringLiteral("Tile base:"), seTileBase);
  form->addRow(QStringLiteral("Palette base:"), sePaletteBase);
  form->addRow(cbShowPriority);
  form->addRow(lHint);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  FitSizeRange();
  connect(cbMapFormat, &QComboBox::currentIndexChanged, this, [this] { FitSizeRange(); });
  connect(eMapAddress, &QLineEdit::textChanged, this, [this] { Changed(); });
  for (QComboBox* box : {cbMapFormat, cbMapCompression}) {
    connect(box, &QComboBox::currentIndexChanged, this, [this] { Changed(); });
  }
  connect(cbShowPriority, &QCheckBox::toggled, this, [this] { Changed(); });
  for (QSpinBox* spin : {seMapWidth, seMapHeight, seTileBase, sePaletteBase}) {
    connect(spin, &QSpinBox::valueChanged, this, [this] { Changed(); });
  }
}

std::optional<TScreen> TScreenDialog::Screen() const {
  const std::optional<std::int32_t> address = TryParseInt(eMapAddress->text().toStdString());
  if (!address) return std::nullopt;
  TScreen s;
  s.mapAddress = *address;
  s.format = cbMapFormat->currentIndex();
  s.width = seMapWidth->value();
  s.height = seMapHeight->value();
  s.mapCompression = cbMapCompression->currentIndex();
  s.tileBase = seTileBase->value();
  s.paletteBase = sePaletteBase->value();
  s.showPriority = cbShowPriority->isChecked();
  return s;
}

void TScreenDialog::FitSizeRange() {
  const int format = cbMapFormat->currentIndex();
  if (format < 0 || format >= kMapFormatCount) return;
  // A size the format cannot address cannot be typed (a larger one is cut to its largest).
  const int most = MapFormats()[static_cast<std::size_t>(format)].maxSide;
  for (QSpinBox* spin : {seMapWidth, seMapHeight}) spin->setMaximum(most);
}

void TScreenDialog::Changed() {
  const std::optional<TScreen> s = Screen();
  lHint->setText(s ? QString() : QStringLiteral("The map address is not a number"));
  if (s && preview_) preview_(*s);
}

bool TScreenDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched != eMapAddress || event->type() != QEvent::KeyPress) {
    return QDialog::eventFilter(watched, event);
  }
  const std::optional<TScreen> s = Screen();
  if (!s) return false;
  const std::optional<TMapStep> step = KeyStep(static_cast<QKeyEvent*>(event)->key());
  if (!step) return false;
  const std::int64_t target =
      std::max<std::int64_t>(0, std::int64_t{s->mapAddress} + MapAddressStep(*s, *step));
  eMapAddress->setText(QString::fromStdString(FormatAddress(static_cast<std::int32_t>(target))));
  return true;
}

}  // namespace tegulo
