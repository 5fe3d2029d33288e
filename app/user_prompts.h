// UserPrompts: every modal interaction of the window, named by what it asks.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "scan_choice.h"
#include "screen/screen.h"

namespace tegulo {

// A modal report of long work done on the window's thread, with a Cancel button.
class TProgressPrompt {
public:
  virtual ~TProgressPrompt() = default;
  // The steps done so far (0..maximum). Lets the window repaint and Cancel be pressed.
  virtual void SetValue(int value) = 0;
  virtual bool Cancelled() const = 0;
};

// The window owns one; main.cpp gives it the Qt dialogs, tests a scripted fake.
// File requests take the filter as "description|patterns|description|patterns..." (patterns
// separated by ";", the first pair selected) and a default extension without its dot
// (empty for none), added to a chosen name that has no extension. Nothing comes back when
// the user cancels. The chosen file of an open request need not exist.
class UserPrompts {
public:
  virtual ~UserPrompts() = default;

  // Where the next file request (of any kind) starts: its folder (empty: the dialog's own
  // choice) and a suggested file name (empty: none). A request takes it and forgets it.
  virtual void StartNextIn(const QString& folder, const QString& name) {
    (void)folder;
    (void)name;
  }

  virtual std::optional<QString> OpenFile(const QString& filter, const QString& defaultExt) = 0;
  // Replaces an existing file without asking.
  virtual std::optional<QString> SaveFile(const QString& filter, const QString& defaultExt) = 0;
  virtual std::optional<QString> OpenPalette(const QString& filter, const QString& defaultExt) = 0;

  // A save request that starts at `suggested` (a whole path: its folder and name) and asks
  // before an existing file is replaced; declining that question goes back to the dialog.
  // A chosen name without extension gets defaultExt or, when that is empty, the extension of
  // the chosen filter's first pattern. The chosen filter comes back too (0 for the first).
  struct TSaveAs {
    QString path;
    int filterIndex = 0;
  };
  virtual std::optional<TSaveAs> SaveFileAs(const QString& filter, const QString& defaultExt,
                                            const QString& suggested) = 0;

  // A question box with the buttons Save, Discard and Cancel (Escape and closing the box
  // answer Cancel).
  enum class TSaveChanges { Save, Discard, Cancel };
  virtual TSaveChanges AskSaveChanges(const QString& text) = 0;
  // A palette file and the filter row selected when it was chosen (0 for the first row).
  // By default OpenPalette's file, with the first row.
  struct TPaletteChoice {
    QString path;
    int filterRow = 0;
  };
  virtual std::optional<TPaletteChoice> OpenPaletteWithRow(const QString& filter,
                                                           const QString& defaultExt) {
    std::optional<QString> path = OpenPalette(filter, defaultExt);
    if (!path) return std::nullopt;
    return TPaletteChoice{*path, 0};
  }
  // Opens with the custom-colour part shown.
  virtual std::optional<QColor> PickColour(QColor initial) = 0;

  // A modal box with an error icon and the caption "Tegulo"; the text is shown as given.
  virtual void ShowError(const QString& text) = 0;
  // A modal box without an icon and one OK button.
  virtual void ShowMessage(const QString& text) = 0;

  // The scan dialog over `rom` (unchanged while it is open), its width field starting at
  // `width`: the hits the user chose to add, or nothing when the dialog was closed.
  virtual std::optional<TScanChoice> ScanForGraphics(std::span<const std::uint8_t> rom,
                                                     std::int32_t width) = 0;
  // A progress report for work of `maximum` steps: it appears only once the work has taken
  // about half a second, and closes when the returned object is destroyed. By default
  // nothing is shown and the work is never cancelled.
  virtual std::unique_ptr<TProgressPrompt> StartProgress(const QString& label, int maximum);
  // A one-line text box titled `title` with `label` above it, OK and Cancel, holding
  // `initial` at first: the text confirmed, or nothing on Cancel. By default nothing.
  virtual std::optional<QString> AskText(const QString& title, const QString& label,
                                         const QString& initial);
  // The screen dialog, its fields starting at `initial`; `preview` is called with every
  // complete setting as it is typed. The settings chosen, or nothing when the dialog was
  // cancelled (by default).
  virtual std::optional<TScreen> AskScreen(const TScreen& initial,
                                           const std::function<void(const TScreen&)>& preview) {
    (void)initial;
    (void)preview;
    return std::nullopt;
  }

  // When an import does not fit: a question box with the buttons "Write at Free Space",
  // "Choose Address…" and Cancel (Escape and closing the box answer Cancel).
  // By default (prompts that show no boxes) every question here is cancelled.
  enum class TRelocateAnswer { FreeSpace, ChooseAddress, Cancel };
  virtual TRelocateAnswer AskRelocate(const QString& text) {
    (void)text;
    return TRelocateAnswer::Cancel;
  }
  // A question box with Yes and No (Escape and closing the box answer No).
  virtual bool Confirm(const QString& text) {
    (void)text;
    return false;
  }
  // "Pick Tile…": a tool window that shows `sheet` (the tiles a map can name, `columns` a row,
  // each 8 x 8 pixels; tile k is number first + k) and returns the number clicked, or nothing
  // when it was closed (by default).
  virtual std::optional<int> PickTile(const TIndexedBitmap& sheet, int columns, int first,
                                      int current) {
    (void)sheet;
    (void)columns;
    (void)first;
    (void)current;
    return std::nullopt;
  }
  // A modal table under the text, one row per entry of `rows`, and an OK button; by default
  // the text alone as a message.
  virtual void ShowTable(const QString& text, const QStringList& headers,
                         const std::vector<QStringList>& rows) {
    (void)headers;
    (void)rows;
    ShowMessage(text);
  }
};

}  // namespace tegulo
