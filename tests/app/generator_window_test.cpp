// The address-generator window in Qt: created anew from its layout on every opening, modal,
// its controls and stacking, the step box's typed characters, its button's binding.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "app/program_handlers.h"
#include "runtime/code_page.h"
#include "tests/app/front_ends.h"

namespace app_test {
namespace {

using runtime::T;
using runtime::Window;
using runtime::Property::kContent;

struct ExpectedControl {
  const char* name;
  const char* widgetClass;
  QRect geometry;
  const char* content;
  bool centred;
};

const ExpectedControl kControls[] = {
    {"编辑框5", "QPlainTextEdit", {0, 48, 728, 224}, "", false},
    {"编辑框4", "QLineEdit", {321, 14, 358, 20}, "http://www.example.com/*.html", true},
    {"编辑框3", "QLineEdit", {39, 14, 35, 20}, "1", true},
    {"按钮1", "QPushButton", {680, 11, 48, 24}, "生成", false},
    {"编辑框2", "QLineEdit", {229, 14, 35, 20}, "10", true},
    {"编辑框1", "QLineEdit", {134, 14, 35, 20}, "1", true},
    {"标签1",
     "QLabel",
     {9, 7, 600, 32},
     "步长        id起始值        id结束值       合成规则",
     false},
};

class GeneratorWindowTest : public ::testing::Test {
protected:
  void SetUp() override { app::RegisterProgramHandlers(); }
  app::LayoutWindow* Generator() { return frontEnd_.controls.WindowOf(Window::UrlGeneratorWindow); }
  // Opens the window modally and runs action inside it; the action closes it.
  void WhileOpen(std::function<void()> action) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
      ran = true;
      action();
      if (Generator() != nullptr) Generator()->close();
    });
    runtime::LoadWindow(Window::UrlGeneratorWindow, true);
    EXPECT_TRUE(ran);
    EXPECT_EQ(Generator(), nullptr);
  }
  QtFrontEnd frontEnd_;
};

TEST_F(GeneratorWindowTest, OpensModalWithItsControls) {
  WhileOpen([this] {
    app::LayoutWindow* window = Generator();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("生成列表网址"));
    EXPECT_EQ(window->size(), QSize(729, 277));
    EXPECT_EQ(window->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(QApplication::activeModalWidget(), window);
    for (const ExpectedControl& expected : kControls) {
      SCOPED_TRACE(expected.name);
      QWidget* widget = window->Widget(expected.name);
      ASSERT_NE(widget, nullptr);
      EXPECT_TRUE(widget->inherits(expected.widgetClass));
      EXPECT_EQ(widget->geometry(), expected.geometry);
      EXPECT_EQ(runtime::ReadText(Window::UrlGeneratorWindow, expected.name), T(expected.content));
      if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        EXPECT_EQ(edit->alignment() == Qt::AlignCenter, expected.centred);
      }
    }
  });
}

TEST_F(GeneratorWindowTest, HeadingLabelLiesBeneathTheEditBoxes) {
  WhileOpen([this] {
    for (const char* edit : {"编辑框1", "编辑框2", "编辑框3", "编辑框4"}) {
      QWidget* widget = Generator()->Widget(edit);
      QWidget* top = Generator()->childAt(widget->geometry().center());
      EXPECT_TRUE(top == widget || widget->isAncestorOf(top)) << edit;
    }
  });
}

TEST_F(GeneratorWindowTest, StepBoxTakesOnlyDigitsAndMinusAsTypedCharacters) {
  WhileOpen([this] {
    auto* step = Generator()->WidgetAs<QLineEdit>("编辑框3");
    step->clear();
    QTest::keyClicks(step, "a1-x2 .9");
    EXPECT_EQ(step->text(), QStringLiteral("1-29"));
    QTest::keyClick(step, Qt::Key_Backspace);
    EXPECT_EQ(step->text(), QStringLiteral("1-2"));
    QTest::keyClick(step, Qt::Key_Left);
    QTest::keyClick(step, Qt::Key_Delete);
    EXPECT_EQ(step->text(), QStringLiteral("1-"));
    QGuiApplication::clipboard()->setText(QStringLiteral("x5"));
    QTest::keyClick(step, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(step->text(), QStringLiteral("1-x5"));
    auto* first = Generator()->WidgetAs<QLineEdit>("编辑框1");
    QTest::keyClicks(first, "abc");
    EXPECT_EQ(first->text(), QStringLiteral("abc1"));
  });
}

TEST_F(GeneratorWindowTest, ButtonReachesItsBindingAndTheOutputBoxTakesAppendedLines) {
  HandlerCounts counts{"GenerateAddresses"};
  WhileOpen([this, &counts] {
    QTest::mouseClick(Generator()->Widget("按钮1"), Qt::LeftButton);
    EXPECT_EQ(counts["GenerateAddresses"], 1);
    runtime::EditBoxAppend(Window::UrlGeneratorWindow, "编辑框5", T("http://a/1.html\r\n"));
    runtime::EditBoxAppend(Window::UrlGeneratorWindow, "编辑框5", T("http://a/2.html\r\n"));
    EXPECT_EQ(runtime::ReadText(Window::UrlGeneratorWindow, "编辑框5"),
              "http://a/1.html\r\nhttp://a/2.html\r\n");
  });
}

TEST_F(GeneratorWindowTest, EveryOpeningStartsFromTheDefaults) {
  WhileOpen([] {
    runtime::WriteProperty(Window::UrlGeneratorWindow, "编辑框1", kContent, T("7"));
    runtime::WriteProperty(Window::UrlGeneratorWindow, "编辑框5", kContent, T("old"));
  });
  WhileOpen([] {
    EXPECT_EQ(runtime::ReadText(Window::UrlGeneratorWindow, "编辑框1"), "1");
    EXPECT_EQ(runtime::ReadText(Window::UrlGeneratorWindow, "编辑框5"), "");
  });
  EXPECT_NE(frontEnd_.controls.WindowOf(Window::MainWindow), nullptr);
}

TEST_F(GeneratorWindowTest, OpenedFromTheToolboxMenu) {
  bool opened = false;
  // The window opens once the menu has closed; watch for it.
  QTimer watch;
  watch.setInterval(5);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (Generator() == nullptr) return;
    opened = QApplication::activeModalWidget() == Generator();
    watch.stop();
    Generator()->close();
  });
  watch.start();
  QTimer::singleShot(0, [] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    ChooseMenuItem(*menu, menu->actions().at(0));
  });
  QTest::mouseClick(frontEnd_.controls.WindowOf(Window::MainWindow)->Widget("导出1"),
                    Qt::LeftButton);
  EXPECT_TRUE(opened);
  EXPECT_EQ(Generator(), nullptr);
}

}  // namespace
}  // namespace app_test
