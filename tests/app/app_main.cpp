// Runs the window tests inside one QApplication, offscreen unless a platform is chosen.
#include <QApplication>
#include <cstdlib>

#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
