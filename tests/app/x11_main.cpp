// Runs the window tests that need a real X server and window manager (with_x_server.sh
// provides both); without a display they are skipped.
#include <QApplication>
#include <cstdlib>
#include <iostream>

#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
  ::testing::InitGoogleTest(&argc, argv);
  if (std::getenv("DISPLAY") == nullptr) {
    std::cout << "SKIPPED: no X display (run through tests/app/with_x_server.sh)\n";
    return 77;
  }
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
