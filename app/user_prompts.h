// UserPrompts: every modal interaction of the window, named by what it asks.
#pragma once

#include <QColor>
#include <QString>
#include <memory>
#include <optional>

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

  virtual std::optional<QString> OpenFile(const QString& filter, const QString& defaultExt) = 0;
  // Replaces an existing file without asking.
  virtual std::optional<QString> SaveFile(const QString& filter, const QString& defaultExt) = 0;
  virtual std::optional<QString> OpenPalette(const QString& filter, const QString& defaultExt) = 0;
  // Opens with the custom-colour part shown.
  virtual std::optional<QColor> PickColour(QColor initial) = 0;

  // A modal box with an error icon and the caption "Tegulo"; the text is shown as given.
  virtual void ShowError(const QString& text) = 0;
  // A modal box without an icon and one OK button.
  virtual void ShowMessage(const QString& text) = 0;
  // A progress report for work of `maximum` steps: it appears only once the work has taken
  // about half a second, and closes when the returned object is destroyed. By default
  // nothing is shown and the work is never cancelled.
  virtual std::unique_ptr<TProgressPrompt> StartProgress(const QString& label, int maximum);
};

}  // namespace tegulo
