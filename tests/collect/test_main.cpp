// The test program's entry point: GoogleTest over a QApplication, so that the commands can also
// be driven through the real window on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/program_look.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  app::ApplyProgramLook();
  return RUN_ALL_TESTS();
}
