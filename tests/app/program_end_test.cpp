// The end of the program: the runtime error box and exit code -1, the clean-up routines, the
// errors for windows and controls that cannot be reached, and the program itself starting and
// closing its window.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "app/error_box.h"
#include "runtime/address_list.h"
#include "runtime/code_page.h"
#include "runtime/runtime_error.h"
#include "tests/app/front_ends.h"

namespace app_test {
namespace {

using runtime::T;
using runtime::Window;
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
    Print(QStringLiteral("text=") +
          QString(box->text()).replace(QLatin1Char('\n'), QLatin1Char('|')));
    box->buttons().first()->click();
  });
}

int runsOfFirst = 0;
void FirstRoutine() { ++runsOfFirst; }
void ReportRoutine() {
  std::fprintf(stderr, "first ran %d time(s); %d address(es) left\n", runsOfFirst,
               runtime::AddressList().Count());
}

TEST(ProgramEndDeathTest, RuntimeErrorShowsTheErrorBoxThenEndsWithMinusOne) {
  EXPECT_EXIT(
      {
        QtFrontEnd frontEnd;
        app::InstallErrorBox();
        runtime::RegisterCleanup(ReportRoutine);
        DescribeNextBox();
        runtime::RaiseRuntimeError(1);
      },
      ExitedWithCode(255),
      "caption=错误 icon=error owner=none buttons=1\n"
      "text=运行时出错!\\|\\|错误代码：1\\|\\|错误信息：数组成员引用下标超出定义范围\\|\n"
      "first ran 0 time");
}

TEST(ProgramEndDeathTest, RoutineRegisteredTwiceRunsOnceAndTheAddressesAreFreed) {
  EXPECT_EXIT(
      {
        runtime::AddressList().Append(T("http://a/"));
        runtime::RegisterCleanup(FirstRoutine);
        runtime::RegisterCleanup(runtime::FreeAddressList);
        runtime::RegisterCleanup(FirstRoutine);
        runtime::RegisterCleanup(ReportRoutine);
        runtime::EndProgram(0);
      },
      ExitedWithCode(0), "first ran 1 time\\(s\\); 0 address\\(es\\) left");
}

TEST(ProgramEndDeathTest, ControlThatDoesNotExistIsARuntimeError) {
  EXPECT_EXIT(
      {
        QtFrontEnd frontEnd;
        runtime::ReadProperty(Window::MainWindow, "不存在", runtime::Property::kContent);
      },
      ExitedWithCode(255), "错误信息：未载入欲访问窗口组件所在的窗口");
  EXPECT_EXIT(
      {
        QtFrontEnd frontEnd;
        runtime::WriteProperty(Window::MainWindow, "不存在", runtime::Property::kContent, T("x"));
      },
      ExitedWithCode(255), "错误信息：未载入欲访问窗口组件所在的窗口");
}

TEST(ProgramEndDeathTest, WindowThatIsNotLoadedIsARuntimeError) {
  EXPECT_EXIT(
      {
        QtFrontEnd frontEnd;
        runtime::ReadText(Window::UrlGeneratorWindow, "编辑框1");
      },
      ExitedWithCode(255), "错误信息：未载入欲访问窗口组件所在的窗口");
  EXPECT_EXIT(
      {
        QtFrontEnd frontEnd;
        runtime::PopupMenu(Window::UrlGeneratorWindow, "工具箱");
      },
      ExitedWithCode(255), "错误信息：指定窗口尚未载入");
}

TEST(ProgramEndDeathTest, PropertyTheControlDoesNotHaveIsARuntimeError) {
  EXPECT_EXIT(
      {
        QtFrontEnd frontEnd;
        runtime::ReadProperty(Window::MainWindow, "正则框", runtime::Property::kChecked);
      },
      ExitedWithCode(255), "错误代码：11");
}

TEST(ProgramRunTest, WindowOpensAndTheProgramEndsNormallyWhenItCloses) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString picture = folder.filePath(QStringLiteral("window.png"));
  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  program.setProcessEnvironment(environment);
  program.start(QStringLiteral(PELMO_BINARY), {QStringLiteral("--screenshot"), picture});
  ASSERT_TRUE(program.waitForFinished(30000));
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 0);
  const QImage image(picture);
  EXPECT_EQ(image.size(), QSize(858, 516));
}

}  // namespace
}  // namespace app_test
