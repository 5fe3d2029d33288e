// TfmMainPeer: the tests' view of the window's private data, and a window with fake prompts.
#pragma once

#include <QApplication>
#include <QTest>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "MainUnit.h"
#include "fake_prompts.h"

namespace tegulo {

struct TfmMainPeer {
  static std::vector<std::uint8_t>& RomData(TfmMain& w) { return w.RomData; }
  static bool Updating(const TfmMain& w) { return w.Updating; }
  static const QString& RomFileName(const TfmMain& w) { return w.RomFileName; }
  static const QString& DocFileName(const TfmMain& w) { return w.DocFileName; }
  static TTileEntry* CurEntry(const TfmMain& w) { return w.CurEntry; }
  static const std::vector<std::unique_ptr<TTileEntry>>& Entries(const TfmMain& w) {
    return w.Entries;
  }
  static TPalette& ViewPalette(TfmMain& w) { return w.ViewPalette; }
  static const TLogPalette* PaletteBlock(const TfmMain& w) { return w.PaletteBlock.get(); }
  static const TTilePalette* TilePalette(const TfmMain& w) { return w.TilePalette.get(); }
  static TIndexedBitmap* TileBitmap(const TfmMain& w) { return w.TileBitmap.get(); }
  static const TDecodeBuffer& DecodeBuffer(const TfmMain& w) { return w.DecodeBuffer; }
  static bool RomModified(const TfmMain& w) { return w.RomHistory.Modified(); }
  static void FindInRom(TfmMain& w, int layer) {
    w.Guard([&] { w.FindInRom(layer); });
  }
  static void LoadROM(TfmMain& w, const QString& name) {
    w.Guard([&] { w.LoadROM(name); });
  }
};

// A window with scripted prompts, built fresh for each test.
class WindowTest : public ::testing::Test {
protected:
  // The prompts the window is built with; a fixture may answer with real boxes.
  virtual std::unique_ptr<FakePrompts> MakePrompts() { return std::make_unique<FakePrompts>(); }

  void SetUp() override {
    std::unique_ptr<FakePrompts> fake = MakePrompts();
    prompts = fake.get();
    window = std::make_unique<TfmMain>(std::move(fake));
  }
  void TearDown() override { window.reset(); }

  template <class W>
  W* Find(const char* name) const {
    W* widget = window->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << "no control named " << name;
    return widget;
  }

  // Shows the window and makes it active, so that focus changes are real.
  void ShowActive() {
    window->show();
    QApplication::setActiveWindow(window.get());
    window->activateWindow();
    // A window manager activates asynchronously.
    (void)QTest::qWaitForWindowActive(window.get(), 5000);
    QApplication::processEvents();
  }

  FakePrompts* prompts = nullptr;
  std::unique_ptr<TfmMain> window;
};

}  // namespace tegulo
