// The end of the window program: the runtime error box and exit code -1 after the clean-up
// routines, and the program itself, started as `pelmo`, opening its window and ending normally.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "runtime/code_page.h"
#include "runtime/runtime_error.h"
#include "window/error_box.h"
#include "window/main_window.h"

namespace window_test {
namespace {

using ::testing::ExitedWithCode;

void Print(const QString& line) {
  const QByteArray utf8 = (line + QLatin1Char('\n')).toUtf8();
  std::fwrite(utf8.data(), 1, static_cast<size_t>(utf8.size()), stderr);
  std::fflush(stderr);
}

// Describes the error box when it appears, then presses its button.
void DescribeNextBox() {
  QTimer::singleShot(0, [] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    Print(QStringLiteral("caption=%1 icon=%2 owner=%3 buttons=%4")
              .arg(box->windowTitle())
              .arg(box->icon() == QMessageBox::Critical ? "error" : "other")
              .arg(box->parentWidget() == nullptr ? "none" : "window")
              .arg(box->buttons().size()));
    Print(QStringLiteral("text=") + QString(box->text()).replace(QLatin1Char('\n'), QLatin1Char('|')));
    box->buttons().first()->click();
  });
}

void ReportRoutine() { std::fputs("clean-up ran\n", stderr); }

TEST(ProgramEndDeathTest, RuntimeErrorShowsTheErrorBoxThenEndsWithMinusOne) {
  EXPECT_EXIT(
      {
        auto* window = new window::MainWindow;
        window->show();
        window::InstallErrorBox();
        runtime::RegisterCleanup(ReportRoutine);
        DescribeNextBox();
        runtime::RaiseRuntimeError(1);
      },
      ExitedWithCode(255),
      "caption=错误 icon=error owner=none buttons=1\n"
      "text=运行时出错!\\|\\|错误代码：1\\|\\|错误信息：数组成员引用下标超出定义范围\\|\n"
      "clean-up ran");
}

TEST(ProgramRunTest, WindowOpensAndTheProgramEndsNormallyWhenItCloses) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString picture = folder.filePath(QStringLiteral("window.png"));
  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  program.setProcessEnvironment(environment);
  // `pelmo` with the window's own option starts the window program in its place.
  program.start(QStringLiteral(PELMO_BINARY), {QStringLiteral("--screenshot"), picture});
  ASSERT_TRUE(program.waitForFinished(30000));
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 0);
  const QImage image(picture);
  EXPECT_EQ(image.size(), QSize(858, 516));
}

}  // namespace
}  // namespace window_test
