// GoogleTest entry point for tests that create widgets.
#include <QApplication>

#include <gtest/gtest.h>

#include "history/testing/private_state.h"

int main(int argc, char** argv) {
  // Off screen, the first screen is a wide one at 96 DPI, where every window has its own size;
  // the others are the screens the windows must shrink to fit (testing/screens.json).
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || qgetenv("QT_QPA_PLATFORM") == "offscreen") {
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" VORLANE_TEST_SCREENS);
  }
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
