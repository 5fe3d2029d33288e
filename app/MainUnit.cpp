// The main window: construction, FormCreate/FormDestroy, and the edge of every handler.
#include "MainUnit.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include "base/messages.h"
#include "choice_box.h"
#include "compress/scheme_formats.h"
#include "compress/uCompress.h"
#include "image_button.h"
#include "image_view.h"
#include "line_edit.h"
#include "list_box.h"
#include "palette_grid.h"
#include "qt_colour.h"
#include "qt_text.h"
#include "spin_edit.h"
#include "tiles/uTiles.h"

// The pictures live in a static library; their registration must be called for.
static void InitIconResources() { Q_INIT_RESOURCE(icons); }

namespace tegulo {

TfmMain::TfmMain(std::unique_ptr<UserPrompts> prompts, QWidget* parent)
    : QMainWindow(parent), prompts_(std::move(prompts)) {
  InitIconResources();
  setObjectName(QStringLiteral("fmMain"));
  setWindowTitle(QStringLiteral("Tegulo"));
  BuildControls();
  Panel2->installEventFilter(this);  // its resizes reflow the toolbar
  SetStartState();
  ConnectHandlers();
  BuildActions();
  FormCreate();

  // Without a frame (none known yet, or no window manager) the client is the whole window.
  resize(kStartSize);
  setMinimumSize(kMinimumSize);
  Centre();
}

TfmMain::~TfmMain() {
  // ~QWidget still moves the focus and hides the window, which the controls answer with
  // change events; by then the window's own members are gone.
  DisconnectHandlers();
  FormDestroy();
}

bool TfmMain::event(QEvent* event) {
  const bool result = QMainWindow::event(event);
  switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowActivate: FitFrame(); break;
    default: break;
  }
  return result;
}

void TfmMain::FitFrame() {
  if (frameFitted_ || !isVisible() || windowHandle() == nullptr) return;
  const QMargins frame = windowHandle()->frameMargins();
  if (frame.isNull()) return;  // not known yet
  frameFitted_ = true;
  const QSize extra(frame.left() + frame.right(), frame.top() + frame.bottom());
  setMinimumSize(kMinimumSize - extra);
  resize(kStartSize - extra);
  Centre();
}

void TfmMain::Centre() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QMargins frame = windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
  QRect outer(QPoint(), size().grownBy(frame));
  outer.moveCenter(screen->availableGeometry().center());
  move(outer.topLeft());  // a window's position is that of its frame
}

void TfmMain::FormCreate() {
  for (int row = 1; row < kTemplateCount; ++row) {
    cbTemplate->AddItem(FromLatin1(TileTemplates[row].name()), row);
  }
  for (int row = 0; row < kCompressionCount; ++row) {
    cbCompression->AddItem(FromLatin1(Compressions[row].name()), row);
  }
  PaletteBlock = std::make_unique<TLogPalette>(MakePaletteBlock());
  TilePalette = std::make_unique<TTilePalette>(MakeTilePalette(*PaletteBlock));
  TileBitmap = std::make_unique<TIndexedBitmap>();
  for (qsizetype i = 0; i < TilePalette->size(); ++i) {
    TileBitmap->Colours[static_cast<std::size_t>(i)] = (*TilePalette)[i] & 0x00FFFFFFu;
  }
  DecodeBuffer.assign(kDecodeBufferSize, 0);
}

void TfmMain::FormDestroy() {
  aUndoImport = nullptr;          // the actions follow no state from here on
  Image->SetPicture(nullptr, 1);  // the view reads the bitmap when it paints
  TilePalette.reset();
  PaletteBlock.reset();
  TileBitmap.reset();
  DecodeBuffer.clear();
  DecodeBuffer.shrink_to_fit();
}

void TfmMain::ConnectHandlers() {
  handlers_ = new QObject(this);
  QObject* const context = handlers_;
  const auto on = [this](void (TfmMain::*handler)()) {
    return [this, handler] { Guard([this, handler] { (this->*handler)(); }); };
  };
  const auto onValue = [this](QObject* sender) {
    return [this, sender] { Guard([this, sender] { ValueChange(sender); }); };
  };
  connect(bOpenROM, &QPushButton::clicked, context, on(&TfmMain::bOpenROMClick));
  connect(bNew, &QAbstractButton::clicked, context, on(&TfmMain::bNewClick));
  connect(bLoad, &QAbstractButton::clicked, context, on(&TfmMain::bLoadClick));
  connect(bSave, &QAbstractButton::clicked, context, on(&TfmMain::bSaveClick));
  connect(seZoom, &TSpinEdit::Change, context, on(&TfmMain::seZoomChange));
  connect(seWidth, &TSpinEdit::Change, context, onValue(seWidth));
  connect(seHeight, &TSpinEdit::Change, context, onValue(seHeight));
  connect(seOffset, &TSpinEdit::Change, context, onValue(seOffset));
  ConnectBrowsing();
  connect(cbTemplate, &TChoiceBox::Change, context, onValue(cbTemplate));
  connect(cbCompression, &TChoiceBox::Change, context, onValue(cbCompression));
  connect(eName, &QLineEdit::textChanged, context, onValue(eName));
  connect(bExport, &QAbstractButton::clicked, context, on(&TfmMain::bExportClick));
  connect(bOpenPal, &QAbstractButton::clicked, context, on(&TfmMain::bOpenPalClick));
  connect(lbList, &TListBox::Click, context, on(&TfmMain::lbListClick));
  connect(bLoadPalROM, &QAbstractButton::clicked, context, on(&TfmMain::bLoadPalROMClick));
  for (TImageButton* button : {bPalMono, bPalMonoReverse}) {
    connect(button, &QAbstractButton::clicked, context,
            [this, button] { Guard([this, button] { bPalMonoClick(button); }); });
  }
  connect(bAddAddress, &QAbstractButton::clicked, context, on(&TfmMain::bAddAddressClick));
  connect(bDelAddress, &QAbstractButton::clicked, context, on(&TfmMain::bDelAddressClick));
  eAddress->OnKeyPress = [this](QChar& key) { Guard([this, &key] { eAddressKeyPress(key); }); };
  ePalAddress->OnKeyPress = [this](QChar& key) {
    Guard([this, &key] { ePalAddressKeyPress(key); });
  };
  gPal->OnDrawCell = [this](QPainter& canvas, int col, int row, const QRect& rect) {
    Guard([&] { gPalDrawCell(canvas, col, row, rect); });
  };
  connect(gPal, &TPaletteGrid::MouseUp, context, [this](Qt::MouseButton button, QPoint point) {
    Guard([this, button, point] { gPalMouseUp(button, point); });
  });
}

void TfmMain::DisconnectHandlers() {
  delete handlers_;
  handlers_ = nullptr;
  eAddress->OnKeyPress = nullptr;
  ePalAddress->OnKeyPress = nullptr;
  gPal->OnDrawCell = nullptr;
}

void TfmMain::ShowException(std::exception_ptr error) {
  std::string message;
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
    message = "Unknown error";
  }
  prompts_->ShowError(QString::fromStdString(ErrorBoxText(message)));
}

std::optional<QString> TfmMain::Execute(const TFileDialog& dialog) {
  switch (dialog.Kind) {
    case TFileDialog::TKind::Open: return prompts_->OpenFile(dialog.Filter, dialog.DefaultExt);
    case TFileDialog::TKind::Save: return prompts_->SaveFile(dialog.Filter, dialog.DefaultExt);
    case TFileDialog::TKind::OpenPalette:
      return prompts_->OpenPalette(dialog.Filter, dialog.DefaultExt);
  }
  return std::nullopt;
}

std::uint32_t TfmMain::BackgroundColour() const {
  return FromQColor(palette().color(QPalette::Window));
}

TTileEntry* TfmMain::EntryOf(int row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= Entries.size()) return nullptr;
  return Entries[static_cast<std::size_t>(row)].get();
}

int TfmMain::RowOf(const TTileEntry* entry) const {
  for (std::size_t i = 0; i < Entries.size(); ++i) {
    if (Entries[i].get() == entry) return static_cast<int>(i);
  }
  return -1;
}

void TfmMain::AppendEntry(std::unique_ptr<TTileEntry> entry) {
  lbList->AddItem(FromLatin1(GetName(*entry)));
  Entries.push_back(std::move(entry));
}

}  // namespace tegulo
