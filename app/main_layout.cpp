// The main window's controls: regions, positions, texts, hints and start states.
#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <span>

#include "MainUnit.h"
#include "choice_box.h"
#include "compress/scheme_formats.h"
#include "compress/uCompress.h"
#include "entries/limits.h"
#include "fonts.h"
#include "image_button.h"
#include "image_view.h"
#include "line_edit.h"
#include "list_box.h"
#include "palette_grid.h"
#include "pictures.h"
#include "qt_text.h"
#include "spin_edit.h"
#include "status_bar.h"
#include "tiles/uTiles.h"

namespace tegulo {

namespace {

constexpr int kToolbarHeight = 57;
constexpr int kListWidth = 157;
constexpr int kColumnWidth = 274;
constexpr int kStatusHeight = 19;
constexpr int kStatusPanels = 3;
constexpr int kStatusPanelWidth = 150;

template <class W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

TImageButton* MakeButton(QWidget* parent, const char* name, TImageButton::TStyle style,
                         const char* picture, const char* hint) {
  auto* button = Named(new TImageButton(style, ButtonPicture(picture), parent), name);
  button->setToolTip(QString::fromLatin1(hint));
  return button;
}

// A control keeps its classic width unless the face needs more to show `text` whole.
int FitWidth(const TSpinEdit* edit, int width, const QString& text) {
  return std::max(width, edit->WidthFor(text));
}

int FitWidth(const TChoiceBox* box, int width, std::span<const TChoice> table) {
  for (const TChoice& row : table) width = std::max(width, box->WidthFor(FromLatin1(row.name())));
  return width;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text) {
  auto* label = Named(new QLabel(QString::fromLatin1(text), parent), name);
  label->adjustSize();
  return label;
}

// Places controls left to right on one row, each under its label when it has one. A column
// is as wide as the wider of the two, so that no label is cut or covered whatever the face.
class TRowPlacer {
public:
  TRowPlacer(int x, int labelTop, int fieldTop, int gap)
      : x_(x), labelTop_(labelTop), fieldTop_(fieldTop), gap_(gap) {}

  void Add(QLabel* label, QWidget* control, int width, int height) {
    int columnWidth = width;
    if (label != nullptr) {
      label->move(x_, labelTop_);
      columnWidth = std::max(columnWidth, label->width());
    }
    control->setGeometry(x_, fieldTop_, width, height);
    x_ += columnWidth + gap_;
  }
  void AddAt(QWidget* control, int top, int width, int height, int gap) {
    control->setGeometry(x_, top, width, height);
    x_ += width + gap;
  }
  void Skip(int dx) { x_ += dx; }

private:
  int x_;
  int labelTop_;
  int fieldTop_;
  int gap_;
};

}  // namespace

void TfmMain::BuildControls() {
  QPalette pal = palette();
  pal.setColor(QPalette::Window, pal.color(QPalette::Button));
  setPalette(pal);
  setFont(WindowFont());

  auto* client = Named(new QWidget(this), "ClientArea");
  auto* rows = new QVBoxLayout(client);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(0);

  Panel2 = Named(new QWidget(client), "Panel2");
  Panel2->setFixedHeight(kToolbarHeight);
  rows->addWidget(Panel2);

  auto* middle = new QHBoxLayout();
  middle->setContentsMargins(0, 0, 0, 0);
  middle->setSpacing(0);
  lbList = Named(new TListBox(client), "lbList");
  lbList->setFixedWidth(kListWidth);
  Image = Named(new TImageView(client), "Image");
  Image->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  Panel1 = Named(new QWidget(client), "Panel1");
  Panel1->setFixedWidth(kColumnWidth);
  middle->addWidget(lbList);
  middle->addWidget(Image, 1);
  middle->addWidget(Panel1);
  rows->addLayout(middle, 1);
  setCentralWidget(client);

  sBar = Named(new TStatusBar(kStatusPanels, kStatusPanelWidth, this), "sBar");
  sBar->setFixedHeight(kStatusHeight);
  setStatusBar(sBar);

  BuildToolbar();
  BuildRightColumn();

  for (auto [from, to] : {std::pair<QWidget*, QWidget*>{lbList, gPal},
                          {gPal, ePalAddress},
                          {ePalAddress, sePalNum},
                          {sePalNum, eAddress},
                          {eAddress, seWidth},
                          {seWidth, seHeight},
                          {seHeight, seOffset},
                          {seOffset, eName},
                          {eName, seZoom},
                          {seZoom, cbTemplate},
                          {cbTemplate, cbCompression}}) {
    setTabOrder(from, to);
  }
}

void TfmMain::BuildToolbar() {
  QWidget* p = Panel2;
  TRowPlacer row(4, 7, 23, 6);

  bOpenROM = Named(new QPushButton(p), "bOpenROM");
  bOpenROM->setIcon(ButtonPicture("open_rom"));
  bOpenROM->setIconSize(QSize(48, 48));
  bOpenROM->setToolTip(QStringLiteral("Load SNES/GBA ROM"));
  bOpenROM->setFocusPolicy(Qt::NoFocus);
  row.AddAt(bOpenROM, 4, 66, 48, 4);
  using S = TImageButton::TStyle;
  bNew = MakeButton(p, "bNew", S::Flat, "new", "New Document");
  row.AddAt(bNew, 4, 48, 48, 1);
  bLoad = MakeButton(p, "bLoad", S::Flat, "load", "Load Document");
  row.AddAt(bLoad, 4, 48, 48, 1);
  bSave = MakeButton(p, "bSave", S::Flat, "save", "Save Document");
  row.AddAt(bSave, 4, 48, 48, 1);
  row.Skip(10);

  Label1 = MakeLabel(p, "Label1", "Zoom");
  seZoom = Named(new TSpinEdit(p), "seZoom");
  row.Add(Label1, seZoom, FitWidth(seZoom, 41, QStringLiteral("4")), 22);
  Label2 = MakeLabel(p, "Label2", "Width:");
  seWidth = Named(new TSpinEdit(p), "seWidth");
  row.Add(Label2, seWidth, FitWidth(seWidth, 41, QString::number(kMaxTiles)), 22);
  Label3 = MakeLabel(p, "Label3", "Height:");
  seHeight = Named(new TSpinEdit(p), "seHeight");
  row.Add(Label3, seHeight, FitWidth(seHeight, 41, QString::number(kMaxTiles)), 22);
  Label4 = MakeLabel(p, "Label4", "Offset:");
  seOffset = Named(new TSpinEdit(p), "seOffset");
  // Wide enough for any offset into the largest GBA ROM (32 MiB).
  row.Add(Label4, seOffset, FitWidth(seOffset, 49, QStringLiteral("33554432")), 22);

  Label5 = MakeLabel(p, "Label5", "Template:");
  cbTemplate = Named(new TChoiceBox(p), "cbTemplate");
  cbTemplate->setFont(ListFont());
  cbTemplate->setMaxVisibleItems(10);
  row.Add(Label5, cbTemplate, FitWidth(cbTemplate, 105, TileTemplates), 22);
  Label6 = MakeLabel(p, "Label6", "Compression:");
  cbCompression = Named(new TChoiceBox(p), "cbCompression");
  cbCompression->setFont(ListFont());
  cbCompression->setMaxVisibleItems(8);
  row.Add(Label6, cbCompression, FitWidth(cbCompression, 81, Compressions), 22);

  Label7 = MakeLabel(p, "Label7", "Name:");
  eName = Named(new TEdit(p), "eName");
  row.Add(Label7, eName, 129, 21);
  bExport = MakeButton(p, "bExport", S::NoFrame, "export", "Export an Image");
  row.AddAt(bExport, kToolbarHeight - 33, 32, 32, 2);
  bOpenPal = MakeButton(p, "bOpenPal", S::NoFrame, "open_palette", "Import a Palette");
  row.AddAt(bOpenPal, kToolbarHeight - 33, 32, 32, 2);
}

void TfmMain::BuildRightColumn() {
  QWidget* p = Panel1;
  gPal = Named(new TPaletteGrid(p), "gPal");
  gPal->move(8, 4);

  using S = TImageButton::TStyle;
  const int top = 4 + TPaletteGrid::kSize + 6;
  TRowPlacer palRow(8, top, top + 16, 4);
  Label8 = MakeLabel(p, "Label8", "Palette Address:");
  ePalAddress = Named(new TEdit(p), "ePalAddress");
  palRow.Add(Label8, ePalAddress, 105, 21);
  Label9 = MakeLabel(p, "Label9", "Colors::");
  sePalNum = Named(new TSpinEdit(p), "sePalNum");
  palRow.Add(Label9, sePalNum, FitWidth(sePalNum, 49, QStringLiteral("256")), 22);
  bLoadPalROM = MakeButton(p, "bLoadPalROM", S::Flat, "palette_rom", "Load Palette from ROM");
  palRow.AddAt(bLoadPalROM, top + 15, 25, 25, 2);
  bPalMono = MakeButton(p, "bPalMono", S::Flat, "mono", "Make Palette Monochrome");
  palRow.AddAt(bPalMono, top + 15, 25, 25, 2);
  bPalMonoReverse =
      MakeButton(p, "bPalMonoReverse", S::Flat, "mono_reverse", "Make Palette Monochrome Reverse");
  palRow.AddAt(bPalMonoReverse, top + 15, 25, 25, 2);

  const int top2 = top + 16 + 22 + 8;
  TRowPlacer addressRow(8, top2, top2 + 16, 4);
  Label10 = MakeLabel(p, "Label10", "Tile Address:");
  eAddress = Named(new TEdit(p), "eAddress");
  addressRow.Add(Label10, eAddress, 105, 21);
  bAddAddress = MakeButton(p, "bAddAddress", S::Flat, "add", "Add Address to the List");
  addressRow.AddAt(bAddAddress, top2 + 15, 25, 25, 2);
  bDelAddress = MakeButton(p, "bDelAddress", S::Flat, "remove", "Remove Address from the List");
  addressRow.AddAt(bDelAddress, top2 + 15, 25, 25, 2);
}

void TfmMain::SetStartState() {
  sBar->SetPanelText(0, QStringLiteral("#Tiles:"));
  sBar->SetPanelText(1, QStringLiteral("Raw Size:"));
  sBar->SetPanelText(2, QStringLiteral("Compressed Size:"));

  seZoom->SetRange(1, 4);
  seZoom->SetValue(2);
  seWidth->SetRange(1, kMaxTiles);
  seWidth->SetValue(1);
  seHeight->SetRange(1, kMaxTiles);
  seHeight->SetValue(1);
  seOffset->SetRange(0, 0);
  seOffset->SetValue(0);
  sePalNum->SetRange(1, 256);
  sePalNum->SetValue(16);
  eName->setMaxLength(static_cast<int>(kMaxNameLength));
  eAddress->setText(QStringLiteral("$1C7D04"));

  for (QWidget* w : std::initializer_list<QWidget*>{
           bNew, bLoad, bSave, seZoom, seWidth, seHeight, seOffset, cbTemplate, cbCompression,
           bExport, ePalAddress, bLoadPalROM, eAddress, bAddAddress, bDelAddress}) {
    w->setEnabled(false);
  }
}

}  // namespace tegulo
