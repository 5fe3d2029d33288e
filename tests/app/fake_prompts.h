// FakePrompts: scripted answers to the window's dialogs, and a record of what it asked.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "dialog_filters.h"
#include "user_prompts.h"

namespace tegulo {

class FakePrompts : public UserPrompts {
public:
  enum class TKind { OpenFile, SaveFile, OpenPalette, PickColour, SaveFileAs, SaveChanges };
  struct TRequest {
    TKind kind;
    QString filter;
    QString defaultExt;
    QColor initial;
    QString text;  // the suggested path of SaveFileAs, the question of SaveChanges
  };
  // Where each file request started (StartNextIn): its folder and suggested name.
  struct TStart {
    QString folder;
    QString name;
  };
  std::vector<TStart> starts;

  // Answers are taken in order; with none left a dialog is cancelled. A file answer is
  // what the user types: the default extension is added as the real dialog adds it.
  std::deque<QString> fileAnswers;
  std::deque<QColor> colourAnswers;
  // SaveFileAs takes its name from fileAnswers and its filter from here (0 when none is left).
  std::deque<int> filterAnswers;
  // With none left, the question is cancelled.
  std::deque<TSaveChanges> saveChangesAnswers;
  // The filter row of each palette file answer, in order; 0 when none is left.
  std::deque<int> paletteRowAnswers;

  std::vector<TRequest> requests;
  std::vector<QString> errors;
  std::vector<QString> messages;

  void StartNextIn(const QString& folder, const QString& name) override {
    nextFolder_ = folder;
    nextName_ = name;
  }
  std::optional<QString> OpenFile(const QString& filter, const QString& defaultExt) override {
    return File(TKind::OpenFile, filter, defaultExt);
  }
  std::optional<QString> SaveFile(const QString& filter, const QString& defaultExt) override {
    return File(TKind::SaveFile, filter, defaultExt);
  }
  std::optional<QString> OpenPalette(const QString& filter, const QString& defaultExt) override {
    return File(TKind::OpenPalette, filter, defaultExt);
  }
  std::optional<TPaletteChoice> OpenPaletteWithRow(const QString& filter,
                                                   const QString& defaultExt) override {
    const std::optional<QString> path = File(TKind::OpenPalette, filter, defaultExt);
    int row = 0;
    if (!paletteRowAnswers.empty()) {
      row = paletteRowAnswers.front();
      paletteRowAnswers.pop_front();
    }
    if (!path) return std::nullopt;
    return TPaletteChoice{*path, row};
  }
  std::optional<QColor> PickColour(QColor initial) override {
    requests.push_back({TKind::PickColour, {}, {}, initial, {}});
    if (colourAnswers.empty()) return std::nullopt;
    const QColor answer = colourAnswers.front();
    colourAnswers.pop_front();
    return answer;
  }
  std::optional<TSaveAs> SaveFileAs(const QString& filter, const QString& defaultExt,
                                    const QString& suggested) override {
    requests.push_back({TKind::SaveFileAs, filter, defaultExt, {}, suggested});
    TakeStart();
    int index = 0;
    if (!filterAnswers.empty()) {
      index = filterAnswers.front();
      filterAnswers.pop_front();
    }
    if (fileAnswers.empty()) return std::nullopt;
    const QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    const QString ext = defaultExt.isEmpty() ? FilterExtension(filter, index) : defaultExt;
    return TSaveAs{WithDefaultExtension(answer, ext), index};
  }
  TSaveChanges AskSaveChanges(const QString& text) override {
    requests.push_back({TKind::SaveChanges, {}, {}, {}, text});
    if (saveChangesAnswers.empty()) return TSaveChanges::Cancel;
    const TSaveChanges answer = saveChangesAnswers.front();
    saveChangesAnswers.pop_front();
    return answer;
  }
  void ShowError(const QString& text) override { errors.push_back(text); }
  void ShowMessage(const QString& text) override { messages.push_back(text); }

  // Relocation prompts: each takes the next answer; with none left the box is cancelled
  // (No for Confirm). The texts asked are recorded in order.
  std::deque<TRelocateAnswer> relocateAnswers;
  std::deque<bool> confirmAnswers;
  std::vector<QString> questions;  // AskRelocate and Confirm texts
  struct TTable {
    QString text;
    QStringList headers;
    std::vector<QStringList> rows;
  };
  std::vector<TTable> tables;
  TRelocateAnswer AskRelocate(const QString& text) override {
    questions.push_back(text);
    return Take(relocateAnswers, TRelocateAnswer::Cancel);
  }
  bool Confirm(const QString& text) override {
    questions.push_back(text);
    return Take(confirmAnswers, false);
  }
  void ShowTable(const QString& text, const QStringList& headers,
                 const std::vector<QStringList>& rows) override {
    tables.push_back({text, headers, rows});
  }
  template <class T>
  static T Take(std::deque<T>& answers, T none) {
    if (answers.empty()) return none;
    T answer = answers.front();
    answers.pop_front();
    return answer;
  }

  // Scan dialogs: each call takes the next answer (none left: the dialog was closed) and
  // records the ROM size and width it was opened with.
  std::deque<TScanChoice> scanAnswers;
  std::vector<std::pair<std::size_t, std::int32_t>> scans;
  // The screen dialog: each answer is previewed, then chosen; with none left it is cancelled.
  std::deque<TScreen> screenAnswers;
  std::vector<TScreen> screenAsked;  // the settings each dialog started from
  std::optional<TScreen> AskScreen(const TScreen& initial,
                                   const std::function<void(const TScreen&)>& preview) override {
    screenAsked.push_back(initial);
    if (screenAnswers.empty()) return std::nullopt;
    const TScreen answer = screenAnswers.front();
    screenAnswers.pop_front();
    preview(answer);
    return answer;
  }

  std::optional<TScanChoice> ScanForGraphics(std::span<const std::uint8_t> rom,
                                             std::int32_t width) override {
    scans.emplace_back(rom.size(), width);
    if (scanAnswers.empty()) return std::nullopt;
    TScanChoice answer = std::move(scanAnswers.front());
    scanAnswers.pop_front();
    return answer;
  }

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

  // The tile-set window: each takes the next answer (none left: closed), recording its sheet's
  // size, columns, first number and the current tile.
  std::deque<int> tileAnswers;
  struct TTilePick {
    int width, height, columns, first, current;
  };
  std::vector<TTilePick> tilePicks;
  std::optional<int> PickTile(const TIndexedBitmap& sheet, int columns, int first,
                              int current) override {
    tilePicks.push_back({sheet.Width(), sheet.Height(), columns, first, current});
    if (tileAnswers.empty()) return std::nullopt;
    const int answer = tileAnswers.front();
    tileAnswers.pop_front();
    return answer;
  }

  // Text boxes: each takes the next answer (none left: cancelled) and records its initial
  // text.
  std::deque<QString> textAnswers;
  std::vector<QString> textInitials;
  std::optional<QString> AskText(const QString&, const QString&, const QString& initial) override {
    textInitials.push_back(initial);
    if (textAnswers.empty()) return std::nullopt;
    const QString answer = textAnswers.front();
    textAnswers.pop_front();
    return answer;
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

  void TakeStart() {
    starts.push_back({std::exchange(nextFolder_, {}), std::exchange(nextName_, {})});
  }

  QString nextFolder_;
  QString nextName_;

  std::optional<QString> File(TKind kind, const QString& filter, const QString& defaultExt) {
    requests.push_back({kind, filter, defaultExt, {}, {}});
    TakeStart();
    if (fileAnswers.empty()) return std::nullopt;
    const QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    return WithDefaultExtension(answer, defaultExt);
  }
};

}  // namespace tegulo
