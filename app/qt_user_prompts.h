// QtUserPrompts: the window's modal interactions as Qt's dialogs and message boxes.
#pragma once

#include "user_prompts.h"

namespace tegulo {

class QtUserPrompts : public UserPrompts {
public:
  std::optional<QString> OpenFile(const QString& filter, const QString& defaultExt) override;
  std::optional<QString> SaveFile(const QString& filter, const QString& defaultExt) override;
  std::optional<QString> OpenPalette(const QString& filter, const QString& defaultExt) override;
  std::optional<QColor> PickColour(QColor initial) override;
  void ShowError(const QString& text) override;
  void ShowMessage(const QString& text) override;
  std::unique_ptr<TProgressPrompt> StartProgress(const QString& label, int maximum) override;
};

}  // namespace tegulo
