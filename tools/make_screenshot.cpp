// Takes the README's screenshot of the window: opens the demo ROM and document through the
// window's own buttons, shows one entry and saves the window as a PNG image.
//   make_screenshot build/demo docs/screenshot.png [ENTRY]
// Run it offscreen (QT_QPA_PLATFORM=offscreen); with QT_SCALE_FACTOR=2 the image is taken
// at twice the size, as a high-density screen shows the window.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>
#include <deque>
#include <memory>

#include "MainUnit.h"
#include "list_box.h"
#include "user_prompts.h"

namespace {

// Answers the file dialogs from a list; every other prompt is refused and reported.
class ScriptedPrompts : public tegulo::UserPrompts {
public:
  explicit ScriptedPrompts(std::deque<QString> files) : files_(std::move(files)) {}
  std::optional<QString> OpenFile(const QString&, const QString&) override { return Next(); }
  std::optional<QString> SaveFile(const QString&, const QString&) override { return {}; }
  std::optional<QString> OpenPalette(const QString&, const QString&) override { return {}; }
  std::optional<TSaveAs> SaveFileAs(const QString&, const QString&, const QString&) override {
    return {};
  }
  TSaveChanges AskSaveChanges(const QString& text) override {
    Report(text);
    return TSaveChanges::Cancel;
  }
  std::optional<QColor> PickColour(QColor) override { return {}; }
  std::optional<tegulo::TScanChoice> ScanForGraphics(std::span<const std::uint8_t>,
                                                     std::int32_t) override {
    return {};
  }
  void ShowError(const QString& text) override { Report(text); }
  void ShowMessage(const QString& text) override { Report(text); }
  bool failed = false;

private:
  std::optional<QString> Next() {
    if (files_.empty()) return {};
    QString file = files_.front();
    files_.pop_front();
    return file;
  }
  void Report(const QString& text) {
    std::fprintf(stderr, "make_screenshot: the window says: %s\n", qPrintable(text));
    failed = true;
  }
  std::deque<QString> files_;
};

template <class W>
W* Find(const QWidget& window, const char* name) {
  return window.findChild<W*>(QString::fromLatin1(name));
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: make_screenshot DEMO_DIR OUTPUT.png [ENTRY]\n");
    return 2;
  }
  const QDir demo(QString::fromLocal8Bit(argv[1]));
  const int entry = argc == 4 ? std::atoi(argv[3]) : 10;
  auto prompts = std::make_unique<ScriptedPrompts>(
      std::deque<QString>{demo.filePath("tegulo-demo.sfc"), demo.filePath("tegulo-demo.tgl")});
  ScriptedPrompts& script = *prompts;
  tegulo::TfmMain window(std::move(prompts));
  window.show();

  auto* openRom = Find<QAbstractButton>(window, "bOpenROM");
  auto* load = Find<QAbstractButton>(window, "bLoad");
  auto* list = Find<tegulo::TListBox>(window, "lbList");
  if (openRom == nullptr || load == nullptr || list == nullptr) {
    std::fprintf(stderr, "make_screenshot: the window lacks a control it needs\n");
    return 1;
  }
  openRom->click();
  load->click();
  if (entry < 0 || entry >= list->count()) {
    std::fprintf(stderr, "make_screenshot: the demo has no entry %d\n", entry);
    return 1;
  }
  list->SetItemIndex(entry);
  emit list->Click();
  // The offscreen pointer rests over a button after the clicks; no button shows it.
  for (QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
    button->setAttribute(Qt::WA_UnderMouse, false);
  }
  QApplication::processEvents();
  if (script.failed) return 1;
  if (!window.grab().save(QString::fromLocal8Bit(argv[2]), "PNG")) {
    std::fprintf(stderr, "make_screenshot: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
