// The main window: construction, FormCreate/FormDestroy, and the edge of every handler.
#include "MainUnit.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "base/messages.h"
#include "choice_box.h"
#include "compress/uCompress.h"
#include "image_button.h"
#include "image_view.h"
#include "line_edit.h"
#include "list_box.h"
#include "palette_grid.h"
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
  SetStartState();
  ConnectHandlers();
  FormCreate();

  resize(970, 527);
  setMinimumSize(500, 500);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

TfmMain::~TfmMain() { FormDestroy(); }

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
  Image->SetPicture(nullptr, 1);  // the view reads the bitmap when it paints
  TilePalette.reset();
  PaletteBlock.reset();
  TileBitmap.reset();
  DecodeBuffer.clear();
  DecodeBuffer.shrink_to_fit();
}

void TfmMain::ConnectHandlers() {
  const auto on = [this](void (TfmMain::*handler)()) {
    return [this, handler] { Guard([this, handler] { (this->*handler)(); }); };
  };
  const auto onValue = [this](QObject* sender) {
    return [this, sender] { Guard([this, sender] { ValueChange(sender); }); };
  };
  connect(bOpenROM, &QPushButton::clicked, this, on(&TfmMain::bOpenROMClick));
  connect(bNew, &QAbstractButton::clicked, this, on(&TfmMain::bNewClick));
  connect(bLoad, &QAbstractButton::clicked, this, on(&TfmMain::bLoadClick));
  connect(bSave, &QAbstractButton::clicked, this, on(&TfmMain::bSaveClick));
  connect(seZoom, &TSpinEdit::Change, this, on(&TfmMain::seZoomChange));
  connect(seWidth, &TSpinEdit::Change, this, onValue(seWidth));
  connect(seHeight, &TSpinEdit::Change, this, onValue(seHeight));
  connect(seOffset, &TSpinEdit::Change, this, onValue(seOffset));
  ConnectBrowsing();
  BuildContextMenus();
  connect(cbTemplate, &TChoiceBox::Change, this, onValue(cbTemplate));
  connect(cbCompression, &TChoiceBox::Change, this, onValue(cbCompression));
  connect(eName, &QLineEdit::textChanged, this, onValue(eName));
  connect(bExport, &QAbstractButton::clicked, this, on(&TfmMain::bExportClick));
  connect(bOpenPal, &QAbstractButton::clicked, this, on(&TfmMain::bOpenPalClick));
  connect(lbList, &TListBox::Click, this, on(&TfmMain::lbListClick));
  connect(bLoadPalROM, &QAbstractButton::clicked, this, on(&TfmMain::bLoadPalROMClick));
  for (TImageButton* button : {bPalMono, bPalMonoReverse}) {
    connect(button, &QAbstractButton::clicked, this,
            [this, button] { Guard([this, button] { bPalMonoClick(button); }); });
  }
  connect(bAddAddress, &QAbstractButton::clicked, this, on(&TfmMain::bAddAddressClick));
  connect(bDelAddress, &QAbstractButton::clicked, this, on(&TfmMain::bDelAddressClick));
  eAddress->OnKeyPress = [this](QChar& key) { Guard([this, &key] { eAddressKeyPress(key); }); };
  ePalAddress->OnKeyPress = [this](QChar& key) {
    Guard([this, &key] { ePalAddressKeyPress(key); });
  };
  gPal->OnDrawCell = [this](QPainter& canvas, int col, int row, const QRect& rect) {
    Guard([&] { gPalDrawCell(canvas, col, row, rect); });
  };
  connect(gPal, &TPaletteGrid::MouseUp, this, [this](Qt::MouseButton button, QPoint point) {
    Guard([this, button, point] { gPalMouseUp(button, point); });
  });
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
  const QColor c = palette().color(QPalette::Window);
  return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
         (static_cast<std::uint32_t>(c.blue()) << 16);
}

TTileEntry* TfmMain::EntryOf(int row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= Entries.size()) return nullptr;
  return Entries[static_cast<std::size_t>(row)].get();
}

void TfmMain::AppendEntry(std::unique_ptr<TTileEntry> entry) {
  lbList->AddItem(FromLatin1(GetName(*entry)));
  Entries.push_back(std::move(entry));
}

}  // namespace tegulo
