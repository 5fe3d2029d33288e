// FakePrompts: scripted answers to the window's dialogs, and a record of what it asked.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "dialog_filters.h"
#include "user_prompts.h"

namespace tegulo {

class FakePrompts : public UserPrompts {
public:
  enum class TKind { OpenFile, SaveFile, OpenPalette, PickColour };
  struct TRequest {
    TKind kind;
    QString filter;
    QString defaultExt;
    QColor initial;
  };

  // Answers are taken in order; with none left a dialog is cancelled. A file answer is
  // what the user types: the default extension is added as the real dialog adds it.
  std::deque<QString> fileAnswers;
  std::deque<QColor> colourAnswers;

  std::vector<TRequest> requests;
  std::vector<QString> errors;
  std::vector<QString> messages;

  std::optional<QString> OpenFile(const QString& filter, const QString& defaultExt) override {
    return File(TKind::OpenFile, filter, defaultExt);
  }
  std::optional<QString> SaveFile(const QString& filter, const QString& defaultExt) override {
    return File(TKind::SaveFile, filter, defaultExt);
  }
  std::optional<QString> OpenPalette(const QString& filter, const QString& defaultExt) override {
    return File(TKind::OpenPalette, filter, defaultExt);
  }
  std::optional<QColor> PickColour(QColor initial) override {
    requests.push_back({TKind::PickColour, {}, {}, initial});
    if (colourAnswers.empty()) return std::nullopt;
    const QColor answer = colourAnswers.front();
    colourAnswers.pop_front();
    return answer;
  }
  void ShowError(const QString& text) override { errors.push_back(text); }
  void ShowMessage(const QString& text) override { messages.push_back(text); }

  // Progress reports: each one's label, maximum and the values it was given. The user
  // presses Cancel once a report has been given `cancelAfter` values (never when negative).
  struct TProgressRecord {
    QString label;
    int maximum = 0;
    std::vector<int> values;
  };
  std::vector<TProgressRecord> progress;
  int cancelAfter = -1;

  std::unique_ptr<TProgressPrompt> StartProgress(const QString& label, int maximum) override {
    progress.push_back({label, maximum, {}});
    return std::make_unique<TFakeProgress>(*this, progress.size() - 1);
  }

private:
  class TFakeProgress : public TProgressPrompt {
  public:
    TFakeProgress(FakePrompts& owner, std::size_t index) : owner_(owner), index_(index) {}
    void SetValue(int value) override { owner_.progress[index_].values.push_back(value); }
    bool Cancelled() const override {
      return owner_.cancelAfter >= 0 &&
             owner_.progress[index_].values.size() >= static_cast<std::size_t>(owner_.cancelAfter);
    }

  private:
    FakePrompts& owner_;
    std::size_t index_;
  };

  std::optional<QString> File(TKind kind, const QString& filter, const QString& defaultExt) {
    requests.push_back({kind, filter, defaultExt, {}});
    if (fileAnswers.empty()) return std::nullopt;
    const QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    return WithDefaultExtension(answer, defaultExt);
  }
};

}  // namespace tegulo
