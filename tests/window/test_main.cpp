// The test program's entry point: GoogleTest over a QApplication with the program's look and a
// configuration folder of its own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "window/program_look.h"
#include "window/qt_translation.h"

int main(int argc, char** argv) {
  // Real widgets without a display, also when CTest lists the tests.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  // The window keeps its settings in the user's configuration folder: the tests get one of their
  // own, so that none of them reads or writes the real one.
  QTemporaryDir configuration;
  if (!configuration.isValid()) return 1;
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(configuration.path()));
  ::testing::InitGoogleTest(&argc, argv);
  // Qt starts threads of its own; a death test must not fork a process that has them.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  QApplication application(argc, argv);
  window::ApplyProgramLook();
  window::InstallQtTranslation();
  return RUN_ALL_TESTS();
}
