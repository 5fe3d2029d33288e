// QtUserPrompts: the window's modal interactions as Qt's dialogs and message boxes.
#pragma once

#include "rom/scan_texts.h"
#include "user_prompts.h"

namespace tegulo {

class QtUserPrompts : public UserPrompts {
public:
  void StartNextIn(const QString& folder, const QString& name) override;
  std::optional<QString> OpenFile(const QString& filter, const QString& defaultExt) override;
  std::optional<QString> SaveFile(const QString& filter, const QString& defaultExt) override;
  std::optional<QString> OpenPalette(const QString& filter, const QString& defaultExt) override;
  std::optional<TSaveAs> SaveFileAs(const QString& filter, const QString& defaultExt,
                                    const QString& suggested) override;
  TSaveChanges AskSaveChanges(const QString& text) override;
  std::optional<TPaletteChoice> OpenPaletteWithRow(const QString& filter,
                                                   const QString& defaultExt) override;
  std::optional<QColor> PickColour(QColor initial) override;
  void ShowError(const QString& text) override;
  void ShowMessage(const QString& text) override;
  std::optional<TScanChoice> ScanForGraphics(std::span<const std::uint8_t> rom,
                                             std::int32_t width) override;
  std::unique_ptr<TProgressPrompt> StartProgress(const QString& label, int maximum) override;
  std::optional<QString> AskText(const QString& title, const QString& label,
                                 const QString& initial) override;
  std::optional<TScreen> AskScreen(const TScreen& initial,
                                   const std::function<void(const TScreen&)>& preview) override;
  // qt_relocate_prompts.cpp
  TRelocateAnswer AskRelocate(const QString& text) override;
  bool Confirm(const QString& text) override;
  void ShowTable(const QString& text, const QStringList& headers,
                 const std::vector<QStringList>& rows) override;
  // tile_picker.cpp
  std::optional<int> PickTile(const TIndexedBitmap& sheet, int columns, int first,
                              int current) override;

private:
  QString nextFolder_;
  QString nextName_;
  TScanSettings scanSettings_;  // the scan dialog's fields, kept from one dialog to the next
};

}  // namespace tegulo
