// The window's outer size, frame included: at start, at its smallest, and centred. Runs
// offscreen and, in app_x11_tests, under a real X server with a window manager.
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <cstdlib>
#include <iostream>

#include "main_peer.h"

namespace tegulo {
namespace {

class FrameTest : public WindowTest {
protected:
  // Shows the window and waits until a frame, if the platform draws one, is taken off the
  // client area (the frame is known only once the window manager has framed the window).
  void ShowAndSettle() {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 5000));
    (void)QTest::qWaitFor([this] { return window->frameGeometry().size() == TfmMain::kStartSize; },
                          3000);
    QTest::qWait(50);  // let a late move or resize from the window manager land
  }
  QMargins Frame() const { return window->windowHandle()->frameMargins(); }
};

TEST_F(FrameTest, OpensAtItsOuterSizeCentredOnTheDesktop) {
  ShowAndSettle();
  std::cout << "[          ] platform " << QGuiApplication::platformName().toStdString()
            << ", frame " << Frame().left() << ' ' << Frame().top() << ' ' << Frame().right() << ' '
            << Frame().bottom() << ", frame geometry " << window->frameGeometry().x() << ','
            << window->frameGeometry().y() << ' ' << window->frameGeometry().width() << 'x'
            << window->frameGeometry().height() << ", desktop "
            << QGuiApplication::primaryScreen()->availableGeometry().width() << 'x'
            << QGuiApplication::primaryScreen()->availableGeometry().height() << std::endl;
  EXPECT_EQ(window->frameGeometry().size(), TfmMain::kStartSize);
  EXPECT_EQ(window->size(), TfmMain::kStartSize.shrunkBy(Frame()));
  const QRect desktop = QGuiApplication::primaryScreen()->availableGeometry();
  if (desktop.width() < TfmMain::kStartSize.width()) return;  // offscreen's 800 x 800 screen
  const QPoint offset = window->frameGeometry().center() - desktop.center();
  EXPECT_LE(std::abs(offset.x()), 1) << offset.x();
  EXPECT_LE(std::abs(offset.y()), 1) << offset.y();
}

TEST_F(FrameTest, TheOuterSizeStopsAt500By500) {
  ShowAndSettle();
  window->resize(300, 200);
  (void)QTest::qWaitFor([this] { return window->frameGeometry().size() == TfmMain::kMinimumSize; },
                        3000);
  EXPECT_EQ(window->frameGeometry().size(), TfmMain::kMinimumSize);
  window->resize(1200, 700);
  (void)QTest::qWaitFor([this] { return window->width() == 1200; }, 3000);
  EXPECT_EQ(window->size(), QSize(1200, 700)) << "the fit happens once, not on every resize";
}

}  // namespace
}  // namespace tegulo
