// The speed of a stroke on the largest entry (2000 x 2000 tiles at zoom 4): the work per
// mouse move, and the write-back when the stroke ends. Run by hand, as it needs 128 MiB of
// ROM and a 256 MiB picture:
//   app_tests --gtest_also_run_disabled_tests --gtest_filter='EditSpeed*'
#include <QAction>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>

#include "flow_fixture.h"

namespace tegulo {
namespace {

class EditSpeedTest : public FlowTest {};

TEST_F(EditSpeedTest, DISABLED_AStrokeOnTheLargestEntryRepaintsOnlyWhatChanged) {
  std::vector<std::uint8_t> rom(2000u * 2000u * 32u);
  std::uint32_t x = 1;
  for (auto& b : rom) b = static_cast<std::uint8_t>((x = x * 1103515245u + 12345u) >> 24);
  OpenRom(rom, "large.sfc");
  rom.clear();
  rom.shrink_to_fit();
  AddEntry("$0");
  Pick(cbTemplate, "4bpp (SNES)");
  Type(seWidth, "2000");
  Type(seHeight, "2000");
  Type(seZoom, "4");
  ASSERT_EQ(Bitmap().Width(), 16000);
  Find<QAction>("aEditPixels")->trigger();
  ClickCell(5);

  const auto at = [](int px, int py) { return QPoint(px * 4 + 1, py * 4 + 1); };
  QTest::mousePress(Image, Qt::LeftButton, {}, at(10, 10));
  QApplication::processEvents();
  constexpr int kMoves = 200;
  std::vector<double> ms;
  QElapsedTimer timer;
  QPoint last(10, 10);
  for (int i = 1; i <= kMoves; ++i) {
    const QPoint next(10 + i % 90, 10 + (i * 7) % 90);
    // The view's part that the segment changed, painted at once rather than at the next
    // update request, so that the time counts it.
    const QRect changed = QRect(last, next).normalized();
    const QRect area(changed.left() * 4, changed.top() * 4, changed.width() * 4 + 4,
                     changed.height() * 4 + 4);
    timer.start();
    QTest::mouseMove(Image, at(next.x(), next.y()));
    Image->repaint(area);
    // The conversion the paint makes of that part, counted once more whether or not the
    // platform paints a window that nobody sees.
    const QImage converted = ReplicatePixels(Bitmap(), area, 4.0);
    ASSERT_EQ(converted.size(), area.size());
    ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    last = next;
  }
  timer.start();
  QTest::mouseRelease(Image, Qt::LeftButton, {}, at(10, 10));
  QApplication::processEvents();
  const double commit = static_cast<double>(timer.nsecsElapsed()) / 1e6;
  std::sort(ms.begin(), ms.end());
  std::printf("per move: median %.2f ms, worst %.2f ms; stroke end (write-back) %.0f ms\n",
              ms[ms.size() / 2], ms.back(), commit);
  EXPECT_LT(ms[ms.size() * 95 / 100], 16.0);
  EXPECT_TRUE(prompts->errors.empty());
  EXPECT_TRUE(Find<QAction>("aUndoImport")->isEnabled());
  prompts->saveChangesAnswers.push_back(UserPrompts::TSaveChanges::Discard);
}

}  // namespace
}  // namespace tegulo
