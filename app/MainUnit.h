// The main window: its controls, its data, its event handlers and private operations.
#pragma once

#include <QImage>
#include <QMainWindow>
#include <QString>
#include <array>
#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "base/bitmap.h"
#include "base/uCommon.h"
#include "dialog_folders.h"
#include "entries/document_state.h"
#include "entries/tile_entry.h"
#include "image/colour_match.h"
#include "palette/palette.h"
#include "palette/palette_import.h"
#include "pixel_edit.h"
#include "rom/relocate.h"
#include "rom/rom_edits.h"
#include "scene/scene.h"
#include "scene/scene_render.h"
#include "screen/cell_edit.h"
#include "screen/screen.h"
#include "tile_palette.h"
#include "user_prompts.h"

class QAction;
class QKeyEvent;
class QLabel;
class QMenu;
class QMimeData;
class QPainter;
class QPushButton;

namespace tegulo {

class TChoiceBox;
class TEdit;
class TImageButton;
class TImageView;
class TListBox;
enum class TBrowseMove;
class TPaletteGrid;
class TPriorityOverlay;
class TSpinEdit;
class TStatusBar;

// A file dialog as the window sets it up; Execute hands it to the prompts.
struct TFileDialog {
  enum class TKind { Open, Save, OpenPalette };
  TKind Kind;
  QString Filter;      // "description|patterns|..." pairs
  QString DefaultExt;  // without the dot; empty for none
};

class TfmMain : public QMainWindow {
  Q_OBJECT
public:
  // The window's outer size at start, frame included, and its smallest outer size.
  static constexpr QSize kStartSize{970, 527};
  static constexpr QSize kMinimumSize{500, 500};

  // Builds every control, wires the handlers, then runs FormCreate. The window opens
  // centred on the desktop at kStartSize; a window manager's frame, known only once the
  // window is shown, is taken off the client area then, once.
  explicit TfmMain(std::unique_ptr<UserPrompts> prompts, QWidget* parent = nullptr);
  // Cuts every handler off its control first, so that nothing the controls do while they
  // are taken down reaches the window; then runs FormDestroy.
  ~TfmMain() override;

  // Controls. Each one's objectName is its name here.
  QWidget* Panel2 = nullptr;  // toolbar
  QPushButton* bOpenROM = nullptr;
  TImageButton* bNew = nullptr;
  TImageButton* bLoad = nullptr;
  TImageButton* bSave = nullptr;
  QLabel* Label1 = nullptr;  // "Zoom"
  TSpinEdit* seZoom = nullptr;
  QLabel* Label2 = nullptr;  // "Width:"
  TSpinEdit* seWidth = nullptr;
  QLabel* Label3 = nullptr;  // "Height:"
  TSpinEdit* seHeight = nullptr;
  QLabel* Label4 = nullptr;  // "Offset:"
  TSpinEdit* seOffset = nullptr;
  QLabel* Label5 = nullptr;  // "Template:"
  TChoiceBox* cbTemplate = nullptr;
  QLabel* Label6 = nullptr;  // "Compression:"
  TChoiceBox* cbCompression = nullptr;
  QLabel* Label7 = nullptr;  // "Name:"
  TEdit* eName = nullptr;
  TImageButton* bExport = nullptr;
  TImageButton* bOpenPal = nullptr;

  TListBox* lbList = nullptr;
  TImageView* Image = nullptr;

  QWidget* Panel1 = nullptr;  // palette and address column
  TPaletteGrid* gPal = nullptr;
  QLabel* Label8 = nullptr;  // "Palette Address:"
  TEdit* ePalAddress = nullptr;
  QLabel* Label9 = nullptr;  // "Colors::"
  TSpinEdit* sePalNum = nullptr;
  TImageButton* bLoadPalROM = nullptr;
  TImageButton* bPalMono = nullptr;
  TImageButton* bPalMonoReverse = nullptr;
  QLabel* Label10 = nullptr;  // "Tile Address:"
  TEdit* eAddress = nullptr;
  TImageButton* bAddAddress = nullptr;
  TImageButton* bDelAddress = nullptr;

  TStatusBar* sBar = nullptr;

  // The actions of the context menus of Image and lbList, with their shortcuts. Each is
  // enabled only while it can apply; the names are their objectNames.
  QAction* aImportImage = nullptr;    // Ctrl+I: a PNG into the ROM as the current entry
  QAction* aExportImage = nullptr;    // Ctrl+E: bExportClick, enabled as bExport is
  QAction* aSaveRomAs = nullptr;      // Ctrl+Shift+S
  QAction* aSavePatchAs = nullptr;    // IPS or BPS by the chosen filter
  QAction* aUndoImport = nullptr;     // Ctrl+Z
  QAction* aScanROM = nullptr;        // the scan dialog; its chosen hits join the list
  QAction* aExportPalette = nullptr;  // the current entry's colours as a palette file
  QAction* aFindPointers = nullptr;   // the places that point to the current entry's address
  QAction* aOpenROM = nullptr;        // Ctrl+O: bOpenROMClick
  QAction* aSaveDocument = nullptr;   // Ctrl+S: bSaveClick, enabled as bSave is

  // Ctrl+M: the screen dialog, after which the entry draws through a map; Ctrl+Shift+M back
  // to the entry's tiles in storage order.
  QAction* aShowAsScreen = nullptr;
  QAction* aShowAsTiles = nullptr;
  // A picture made into tiles, map and palettes for the current screen (main_convert.cpp).
  QAction* aImportAsScreen = nullptr;

  // Scenes (main_scene.cpp): a save state's screen in the view instead of the entry. Layer
  // toggles are named as the scene's console names them; "Find in ROM" keeps its place.
  QAction* aOpenScene = nullptr;
  QAction* aExportScene = nullptr;
  QAction* aCloseScene = nullptr;
  QAction* aFindInRom = nullptr;
  QAction* aFindLayerInRom = nullptr;      // the layer under the pointer when the menu opened
  int FindLayer = -1;                      // that layer (kSceneObj: the sprites), -1: none
  std::array<QAction*, 5> aSceneLayers{};  // BG1..BG4 (GBA BG0..BG3), OBJ
  void aOpenSceneClick();
  void aExportSceneClick();
  void aCloseSceneClick();
  // main_locate.cpp: the search for every shown layer or for one (`layer`, -1: all), its
  // additions one step of the history; Undo takes them away and Redo brings them back.
  void aFindInRomClick();
  void FindInRom(int layer);
  void ListAdditionsOfStep(const TRomChange* step, bool forward);
  void ForgetListAddition(const TTileEntry* entry);  // an entry removed from the list
  struct TListAddition {
    std::uint64_t serial = 0;                       // of the history's step
    std::vector<const TTileEntry*> entries;         // the entries it added
    std::vector<std::unique_ptr<TTileEntry>> held;  // while undone, with their screens
    std::map<const TTileEntry*, TScreen> heldScreens;
  };
  std::vector<TListAddition> ListAdditions;
  void OpenScene(const QString& FileName);
  // The scene on show, or null.
  const TScene* CurrentScene() const { return Scene.get(); }
  const TSceneImage& CurrentSceneImage() const { return SceneImage; }

  // Dialogs.
  TFileDialog OpenDialog{TFileDialog::TKind::Open, {}, {}};
  TFileDialog SaveDialog{TFileDialog::TKind::Save, {}, QStringLiteral("tgl")};
  TFileDialog dOpenPal{TFileDialog::TKind::OpenPalette,
                       QString::fromStdString(PaletteImportFilter()), QStringLiteral("zst")};

  // Event handlers. The window calls them inside Guard, so an error a handler raises is
  // shown and the program goes on.
  void FormCreate();
  void FormDestroy();
  void bOpenROMClick();
  void lbListClick();
  void ValueChange(QObject* Sender);
  void eAddressKeyPress(QChar& Key);
  void bAddAddressClick();
  void bDelAddressClick();
  void bNewClick();
  void bLoadClick();
  void bSaveClick();
  void seZoomChange();
  void bExportClick();
  void gPalDrawCell(QPainter& Canvas, int ACol, int ARow, const QRect& Rect);
  void gPalMouseUp(Qt::MouseButton Button, QPoint Point);
  void ePalAddressKeyPress(QChar& Key);
  void bLoadPalROMClick();
  void bPalMonoClick(QObject* Sender);
  void bOpenPalClick();
  void aImportImageClick();
  void aImportAsScreenClick();
  void aSaveRomAsClick();
  void aSavePatchAsClick();
  void aUndoImportClick();

  // The context menus: every action that belongs there, in menu order.
  void FillViewMenu(QMenu& menu);
  void FillListMenu(QMenu& menu);
  void aExportPaletteClick();
  void ScanROMClick();
  void aShowAsScreenClick();
  void aShowAsTilesClick();

  // Editing in place (main_edit.cpp, main_palette_rom.cpp): pixels drawn in the view and
  // colours written into the ROM, steps of the same history as the imports.
  QAction* aEditPixels = nullptr;    // E on the view: toggles edit mode
  QAction* aRedo = nullptr;          // Ctrl+Shift+Z: the step undone last
  QAction* aWritePalette = nullptr;  // the entry's first colours as console words
  QLabel* sBarMessage = nullptr;     // the status bar's panel for what an action tells
  void aEditPixelsClick();
  void aRedoClick();
  void aWritePaletteClick();

  // Editing a screen's cells (main_cells.cpp): C on the view toggles the mode, a click selects
  // a cell, and these change it (keys of the view), one step of the history each.
  QAction* aEditCells = nullptr;     // C
  QAction* aFlipCellH = nullptr;     // H
  QAction* aFlipCellV = nullptr;     // V
  QAction* aNextPalette = nullptr;   // P
  QAction* aPrevPalette = nullptr;   // Shift+P
  QAction* aNextTile = nullptr;      // N
  QAction* aPrevTile = nullptr;      // Shift+N
  QAction* aCellPriority = nullptr;  // R
  QAction* aPickTile = nullptr;      // T: the tile-set window

  // The window background (the style's button face) as an entry colour, 0x00BBGGRR.
  std::uint32_t BackgroundColour() const;

  // Runs a handler at the edge of an event: an exception becomes an error box. Afterwards
  // the actions' enabled state follows what the handler changed.
  template <class F>
  void Guard(F&& handler) {
    try {
      handler();
    } catch (...) {
      ShowException(std::current_exception());
    }
    UpdateActions();
  }

protected:
  bool event(QEvent* event) override;
  // A modified ROM asks to be saved first; Cancel keeps the window open.
  void closeEvent(QCloseEvent* event) override;
  // One local file, told by its name and content (rom/dropped_file.h): a picture over the
  // view imports it, a document loads as bLoad would, a palette file or save state imports
  // its palette as bOpenPal would, a file that is plainly something else (text, an image, an
  // archive) is refused naming what it is, any other file opens as a ROM as bOpenROM would.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  // Files dragged over the edits, which would take their names as text, go to the window.
  // The window's shortcuts reach their actions from the edits too, but for the edits' own
  // editing keys (undo, copy, paste...).
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  friend struct TfmMainPeer;  // tests

  void LoadROM(const QString& FileName);
  void UpdateCaption();
  void RefreshEntry();
  void Redraw();
  void DrawTiles();
  void ClearEntries();
  void SetTemplateControls(int Index);
  void LoadDocumentFile(const QString& FileName);

  // Write-back: importing into RomData, saving it, keeping what each import replaced.
  void BuildActions();
  void UpdateActions();
  void ShowContextMenu(QWidget* owner, QPoint pos);
  // Asks "Save changes to the ROM?" when the ROM is modified; false when the user cancels
  // (the question or the save), and everything stays as it was.
  bool ConfirmRomChanges();
  bool SaveRomAs();  // false when the dialog was cancelled
  void ImportImage(const QString& FileName);
  // RomData becomes `image`, one undo step named `stepName`.
  void ApplyImport(std::vector<std::uint8_t> image, const char* stepName = "Import");
  // Relocation (main_relocate.cpp): the offer when the stream of an import or a stroke has
  // grown (`band` and `picture` as they were to be written, the step named `stepName`), the
  // pointers to the current entry, and the entry addresses each relocation moved, so that
  // Undo and Redo move them with the step's bytes. False when nothing was written.
  bool OfferRelocation(const TTileEntry& band, const TPixelImage& picture, std::size_t newSize,
                       std::size_t oldSize, const char* stepName);
  void aFindPointersClick();
  // The relocation offer for a stream that no longer fits (`why`, the write-back's message):
  // where it goes (free space, or an address typed), or nothing when cancelled.
  std::optional<TRelocateOptions> AskStreamPlace(const std::string& why);
  // The entries `step` moved go back (forward: to where the step put them again).
  void MoveEntriesOfStep(const TRomChange* step, bool forward);
  struct TEntryMove {
    std::uint64_t serial;  // of the history's step that moved the entry
    const TTileEntry* entry;
    std::int32_t from;
    std::int32_t to;
    bool map;  // the address of the entry's screen map moved, not the entry's own
  };
  std::vector<TEntryMove> EntryMoves;
  enum class TDrop { None, Picture, Rom, Document, Palette, Foreign };
  TDrop DropAt(const QMimeData* mime, QPoint pos, QString* fileName) const;

  // The document's unsaved changes, the view after a ROM opens, dialog folders
  // (main_document.cpp).
  std::vector<TTileEntry> DocumentRecords() const;
  // Asks "Save changes to the document?" when the list differs from the document last
  // loaded or saved; false when the user cancels (the question or the save).
  bool ConfirmDocumentChanges();
  bool SaveDocumentAs();  // false when the dialog was cancelled
  void ShowOpenedRom();   // the current entry drawn from the new ROM, or an empty view
  void ImportPaletteFile(const QString& FileName, int FilterRow);
  bool IsWindowShortcut(const QKeyEvent& key) const;
  void UpdateImportAction();
  // A file dialog that starts in the folder last used for `kind`, with `name` suggested.
  std::optional<QString> Execute(const TFileDialog& dialog, TFileKind kind,
                                 const QString& name = {});
  // Editing in place.
  void BuildEditActions();
  void UpdateEditActions();
  void FillEditMenu(QMenu& menu);
  void SetEditing(bool on);
  void ShowStatus(const QString& text);
  void ShowEditStatus();
  void ChooseEditIndex(int index);
  void PixelPress(QPoint pixel, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
  void PixelMove(QPoint pixel);
  void PixelRelease();
  void PaintStrokeLine(QPoint from, QPoint to);  // on a screen
  void BuildCellActions();
  void UpdateCellActions();
  void FillCellMenu(QMenu& menu);
  void SetCellMode(bool on);
  void SelectCell(QPoint pixel);
  void ShowSelectedCell();
  TMapCell SelectedMapCell();
  void ChangeSelectedCell(TCellChange change);
  void PickCellTile();
  void WriteSelectedCell(const TMapCell& cell);
  bool CellMode = false;
  QPoint SelectedCell{-1, -1};
  void CommitStroke();
  // Makes `image` the ROM as one step of the history named `name` ("Stroke": Undo Stroke),
  // then refreshes and (unless the view already shows it) redraws.
  void PushRomImage(std::vector<std::uint8_t> image, bool redraw, const char* name);
  TPixelEdit Edit;

  // Browsing from the view (main_browse.cpp).
  void ConnectBrowsing();
  void ImageBrowse(TBrowseMove move);
  void ImageZoomStep(int delta);
  void UpdateAddressHint();
  // The status bar about the view (main_hover.cpp): the pixel under the pointer, the part of
  // a panned picture in view, the palettes a screen's map uses (marked in the grid).
  void ConnectHover();
  void ImageHover(QPoint pixel);
  void ImagePanChanged(QPoint pan);
  void FitStatusRow();
  void NoteScreenPalettes(const TScreen& s);
  std::int32_t ScreenColoursNeeded() const;  // of the current screen entry
  void MarkUsedPalette(QPainter& canvas, int index, const QRect& rect) const;
  QLabel* sBarPointer = nullptr;
  QLabel* sBarView = nullptr;
  TDecodeBuffer HoverBuffer;
  std::array<bool, 256> UsedPalettes{};

  // Screens (main_screen.cpp): the current entry drawn through its map, when it has one.
  bool DrawScreenOfEntry();
  std::vector<std::uint8_t> ImportedRom(const std::string& pngPath, TColourMatch match,
                                        TColourMatchReport* report = nullptr) const;
  // The ROM with the screen as the view now shows it (pixels edited) put back, keep-map.
  std::vector<std::uint8_t> ScreenEditRom() const;
  void ForgetScreen(const TTileEntry* entry);
  // The screens file beside a document: written with it as one set, read after its entries
  // (a damaged one is reported, the entries stay, and the file is never written over: a
  // save asks where the screens go instead).
  bool SaveDocumentWithScreens(const std::string& documentPath,
                               const std::vector<TTileEntry>& records);
  void LoadScreensFor(const std::string& documentPath);
  // Where the screens of a save to `documentPath` go: its companion, another name the user
  // chooses, or "" (none). Nothing when the user cancels the save.
  std::optional<std::string> ScreensTarget(const std::string& documentPath, bool anyScreens);

  void BuildSceneActions();
  void FillSceneMenu(QMenu& menu, QPoint pos);
  void UpdateSceneActions();
  void ShowScene();
  void SceneHover(QPoint pixel);
  std::unique_ptr<TScene> Scene;
  TSceneImage SceneImage;
  QImage ScenePicture;
  QString SceneFileName;
  unsigned SceneLayers = kAllSceneLayers;

  void BuildControls();
  void BuildToolbar();
  // On a window too narrow for the toolbar's row, its controls go on to more rows
  // (toolbar_flow.cpp); run whenever the toolbar is resized.
  void FlowToolbar();
  void BuildRightColumn();
  void ConnectHandlers();
  void DisconnectHandlers();
  void FitFrame();
  void Centre();
  void SetStartState();
  std::optional<QString> Execute(const TFileDialog& dialog);
  void ShowException(std::exception_ptr error);
  TTileEntry* EntryOf(int row) const;
  int RowOf(const TTileEntry* entry) const;  // -1 for an entry not in the list
  void AppendEntry(std::unique_ptr<TTileEntry> entry);

  std::unique_ptr<UserPrompts> prompts_;
  // The context of every connection from a control to a handler: deleting it cuts them all.
  QObject* handlers_ = nullptr;
  bool frameFitted_ = false;

  std::vector<std::uint8_t> RomData;
  bool Updating = false;
  QString RomFileName;
  QString DocFileName;
  bool RomOpen = false;           // a ROM was opened successfully
  TRomHistory RomHistory;         // the imports since it was opened
  TDocumentBaseline DocBaseline;  // the list as last loaded or saved
  TDialogFolders Folders;

  // The entry list: Entries[i] is the entry of lbList's item i. CurEntry is the entry of
  // the selected item or null.
  std::vector<std::unique_ptr<TTileEntry>> Entries;
  TTileEntry* CurEntry = nullptr;
  TPalette ViewPalette{};
  // The map settings of the entries shown as screens.
  std::map<const TTileEntry*, TScreen> Screens;
  // The screens file of the loaded document when it could not be read, else "".
  std::string UnreadScreens;
  TPriorityOverlay* PriorityOverlay = nullptr;  // over Image, made when first needed

  // From FormCreate to FormDestroy.
  std::unique_ptr<TLogPalette> PaletteBlock;
  std::unique_ptr<TTilePalette> TilePalette;
  std::unique_ptr<TIndexedBitmap> TileBitmap;
  TDecodeBuffer DecodeBuffer;
};

}  // namespace tegulo
