// From a change of seWidth to the repainted view, through the real window (offscreen):
// the refresh with its 1 MiB clear, the decode and the paint. Beside a 1 MiB memcpy.
// Reports the process's peak resident memory as a counter.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "MainUnit.h"
#include "choice_box.h"
#include "greedy_encoders.h"
#include "image_view.h"
#include "line_edit.h"
#include "sample_data.h"
#include "spin_edit.h"

namespace {

using namespace tegulo;

// Answers every file request with the ROM; nothing is ever shown.
class RomPrompts : public UserPrompts {
public:
  explicit RomPrompts(QString rom) : rom_(std::move(rom)) {}
  std::optional<QString> OpenFile(const QString&, const QString&) override { return rom_; }
  std::optional<QString> SaveFile(const QString&, const QString&) override { return {}; }
  std::optional<QString> OpenPalette(const QString&, const QString&) override { return {}; }
  std::optional<TSaveAs> SaveFileAs(const QString&, const QString&, const QString&) override {
    return {};
  }
  TSaveChanges AskSaveChanges(const QString&) override { return TSaveChanges::Cancel; }
  std::optional<QColor> PickColour(QColor) override { return {}; }
  void ShowError(const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
  void ShowMessage(const QString&) override {}
  std::optional<TScanChoice> ScanForGraphics(std::span<const std::uint8_t>, std::int32_t) override {
    return {};
  }

private:
  QString rom_;
};

// The largest cartridge size: 32 MiB of varied bytes.
QString WriteRom() {
  const QString path = QDir::temp().filePath(QStringLiteral("tegulo_window_bench.gba"));
  std::vector<char> bytes(std::size_t{32} << 20);
  std::mt19937 rng(11);
  for (char& b : bytes) b = static_cast<char>(rng());
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(bytes.data(), static_cast<qint64>(bytes.size()));
  return path;
}

// 4 MiB: an LZ77-10 stream of 32 KiB of tile-like data (32 x 32 4bpp tiles) at 0, then
// varied bytes.
QString WritePackedRom() {
  const QString path = QDir::temp().filePath(QStringLiteral("tegulo_window_bench_lz.gba"));
  std::vector<std::uint8_t> bytes = EncodeLZ10(MakeTileLikeData(32 * 32 * 32, 3));
  std::mt19937 rng(12);
  while (bytes.size() < (std::size_t{4} << 20)) bytes.push_back(static_cast<std::uint8_t>(rng()));
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) {
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
  }
  return path;
}

double PeakRssMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

// Arg: tiles across and down. Each iteration types a new width (alternating n and n - 1, so
// the bitmap is made anew each time) and repaints the view at once.
void BM_WidthChangeToRepaint(benchmark::State& state) {
  static const QString rom = WriteRom();
  const int tiles = static_cast<int>(state.range(0));
  TfmMain window(std::make_unique<RomPrompts>(rom));
  window.show();
  QApplication::processEvents();
  window.bOpenROMClick();
  window.findChild<TEdit*>(QStringLiteral("eAddress"))->setText(QStringLiteral("0"));
  window.bAddAddressClick();
  auto* cbTemplate = window.findChild<TChoiceBox*>(QStringLiteral("cbTemplate"));
  cbTemplate->setCurrentIndex(cbTemplate->findText(QStringLiteral("4bpp (SNES)")));
  emit cbTemplate->activated(cbTemplate->currentIndex());
  auto* seWidth = window.findChild<TSpinEdit*>(QStringLiteral("seWidth"));
  auto* seHeight = window.findChild<TSpinEdit*>(QStringLiteral("seHeight"));
  auto* image = window.findChild<TImageView*>(QStringLiteral("Image"));
  seHeight->setText(QString::number(tiles));
  bool odd = false;
  for (auto _ : state) {
    seWidth->setText(QString::number(odd ? tiles - 1 : tiles));
    image->repaint();
    odd = !odd;
  }
  state.counters["peak_rss_MiB"] = PeakRssMiB();
  state.counters["view_px"] = image->width() * image->height();
}
BENCHMARK(BM_WidthChangeToRepaint)->Arg(16)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WidthChangeToRepaint)
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(6);

// Arg: 0 uncompressed, 1 LZ77-10. One browsing step of a 32 x 32-tile 4bpp entry: a Right
// key on the view (the offset moves a tile, the entry is refreshed and redrawn) and the
// view repainted at once; the steps alternate forward and back.
void BM_BrowseStep32x32(benchmark::State& state) {
  static const QString plain = WriteRom();
  static const QString packed = WritePackedRom();
  TfmMain window(std::make_unique<RomPrompts>(state.range(0) == 1 ? packed : plain));
  window.show();
  QApplication::processEvents();
  window.bOpenROMClick();
  window.findChild<TEdit*>(QStringLiteral("eAddress"))->setText(QStringLiteral("0"));
  window.bAddAddressClick();
  auto* cbTemplate = window.findChild<TChoiceBox*>(QStringLiteral("cbTemplate"));
  cbTemplate->setCurrentIndex(cbTemplate->findText(QStringLiteral("4bpp (SNES)")));
  emit cbTemplate->activated(cbTemplate->currentIndex());
  if (state.range(0) == 1) {
    auto* cbCompression = window.findChild<TChoiceBox*>(QStringLiteral("cbCompression"));
    cbCompression->setCurrentIndex(1);
    emit cbCompression->activated(1);
  }
  window.findChild<TSpinEdit*>(QStringLiteral("seWidth"))->setText(QStringLiteral("32"));
  window.findChild<TSpinEdit*>(QStringLiteral("seHeight"))->setText(QStringLiteral("32"));
  auto* image = window.findChild<TImageView*>(QStringLiteral("Image"));
  image->resize(32 * 8 * 2, 32 * 8 * 2);  // the whole picture at zoom 2
  bool back = false;
  for (auto _ : state) {
    QKeyEvent key(QEvent::KeyPress, back ? Qt::Key_Left : Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(image, &key);
    image->repaint();
    back = !back;
  }
}
BENCHMARK(BM_BrowseStep32x32)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Memcpy1MiB(benchmark::State& state) {
  std::vector<char> a(std::size_t{1} << 20, 1), b(a.size());
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), a.size());
    benchmark::DoNotOptimize(b.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * a.size()));
}
BENCHMARK(BM_Memcpy1MiB)->Unit(benchmark::kMillisecond);

}  // namespace
