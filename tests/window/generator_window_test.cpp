// The address-generator window in Qt: created anew from its layout on every opening, modal
// without holding up its caller, its controls and headings, the step box's typed characters,
// its buttons' bindings, Escape, and the transfer of its lines to the address box.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "runtime/code_page.h"
#include "tests/support/list_pages.h"
#include "tests/support/loopback_server.h"
#include "tests/window/window_fixture.h"
#include "window/url_generator_window.h"

namespace window_test {
namespace {

using runtime::T;

struct ExpectedControl {
  const char* name;
  const char* widgetClass;
  QRect geometry;
  const char* content;
  bool centred;
};

const ExpectedControl kControls[] = {
    {"编辑框5", "QPlainTextEdit", {0, 48, 728, 224}, "", false},
    {"编辑框4", "QLineEdit", {321, 21, 358, 20}, "http://www.example.com/*.html", true},
    {"编辑框3", "QLineEdit", {39, 21, 35, 20}, "1", true},
    {"按钮1", "QPushButton", {680, 19, 48, 24}, "生成", false},
    {"编辑框2", "QLineEdit", {229, 21, 35, 20}, "10", true},
    {"编辑框1", "QLineEdit", {134, 21, 35, 20}, "1", true},
    {"按钮2", "QPushButton", {624, 276, 104, 26}, "填入列表网址", false},
};

class GeneratorWindowTest : public MainWindowTest {
protected:
  window::UrlGeneratorWindow* Generator() { return Main()->Generator(); }
  std::string GeneratorText(const char* box) { return runtime::TextToUtf8(window::EditBoxText(Generator()->Widget(box))); }
  void SetGeneratorText(const char* box, const std::string& utf8) {
    window::SetEditBoxText(Generator()->Widget(box), T(utf8));
  }
  // Opens the window, runs action while it is open, and closes it.
  void WhileOpen(const std::function<void()>& action) {
    Main()->OpenUrlGenerator();
    ASSERT_NE(Generator(), nullptr);
    action();
    if (Generator() != nullptr) Generator()->close();
    EXPECT_EQ(Generator(), nullptr);
  }
};

TEST_F(GeneratorWindowTest, OpensModalWithItsControlsAndReturnsWhileOpen) {
  WhileOpen([this] {
    window::UrlGeneratorWindow* window = Generator();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("生成列表网址"));
    EXPECT_EQ(window->size(), QSize(729, 306));
    EXPECT_EQ(window->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(QApplication::activeModalWidget(), window);
    for (const ExpectedControl& expected : kControls) {
      SCOPED_TRACE(expected.name);
      QWidget* widget = window->Widget(expected.name);
      ASSERT_NE(widget, nullptr);
      EXPECT_TRUE(widget->inherits(expected.widgetClass));
      EXPECT_EQ(widget->geometry(), expected.geometry);
      EXPECT_EQ(widget->inherits("QPushButton") ? qobject_cast<QPushButton*>(widget)->text().toStdString()
                                                : GeneratorText(expected.name),
                expected.content);
      if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        EXPECT_EQ(edit->alignment() == Qt::AlignCenter, expected.centred);
      }
    }
  });
}

struct Heading {
  const char* label;
  const char* box;
  const char* text;
};

TEST_F(GeneratorWindowTest, EachHeadingStandsReadableAboveItsOwnBox) {
  const Heading headings[] = {{"标签1", "编辑框3", "步长"},
                              {"标签2", "编辑框1", "id起始值"},
                              {"标签3", "编辑框2", "id结束值"},
                              {"标签4", "编辑框4", "合成规则"}};
  const char* const inputRow[] = {"编辑框3", "编辑框1", "编辑框2", "编辑框4", "按钮1"};
  WhileOpen([&] {
    for (const Heading& heading : headings) {
      SCOPED_TRACE(heading.label);
      auto* label = Generator()->WidgetAs<QLabel>(heading.label);
      ASSERT_NE(label, nullptr);
      EXPECT_EQ(label->text(), QString::fromUtf8(heading.text));
      const QRect area = label->geometry();
      const QRect box = Generator()->Widget(heading.box)->geometry();
      // The box's column reaches halfway to the input-row controls on either side.
      int columnLeft = 0;
      int columnRight = Generator()->width();
      for (const char* other : inputRow) {
        const QRect neighbour = Generator()->Widget(other)->geometry();
        if (neighbour.right() < box.left()) {
          columnLeft = std::max(columnLeft, (neighbour.right() + box.left()) / 2);
        } else if (neighbour.left() > box.right()) {
          columnRight = std::min(columnRight, (box.right() + neighbour.left()) / 2);
        }
        EXPECT_FALSE(area.intersects(neighbour)) << other;
      }
      EXPECT_GE(area.left(), columnLeft);
      EXPECT_LE(area.right(), columnRight);
      EXPECT_LT(area.bottom(), box.top());
      EXPECT_EQ(Generator()->childAt(area.center()), label);
      const QFontMetrics metrics = label->fontMetrics();
      EXPECT_LE(metrics.horizontalAdvance(label->text()), area.width());
      EXPECT_LE(metrics.height(), area.height());
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

TEST_F(GeneratorWindowTest, EveryOpeningStartsFromTheDefaults) {
  WhileOpen([this] {
    SetGeneratorText("编辑框1", "7");
    SetGeneratorText("编辑框5", "old");
  });
  WhileOpen([this] {
    EXPECT_EQ(GeneratorText("编辑框1"), "1");
    EXPECT_EQ(GeneratorText("编辑框5"), "");
  });
  EXPECT_NE(Main(), nullptr);
}

TEST_F(GeneratorWindowTest, OpenedFromTheToolboxMenu) {
  QTimer::singleShot(0, [] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    ChooseMenuItem(*menu, menu->actions().at(0));
  });
  Click("导出1");
  ASSERT_NE(Generator(), nullptr);
  EXPECT_EQ(QApplication::activeModalWidget(), Generator());
  Generator()->close();
}

TEST_F(GeneratorWindowTest, EscapeClosesIt) {
  Main()->OpenUrlGenerator();
  QTest::keyClick(Generator()->Widget("编辑框4"), Qt::Key_Escape);
  EXPECT_EQ(Generator(), nullptr);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

struct Filling {
  const char* addresses;  // the address box before
  const char* generated;  // the output box
  const char* expected;   // the address box after
};

TEST_F(GeneratorWindowTest, FillButtonAppendsTheLinesOnALineOfTheirOwnAndCloses) {
  const Filling cases[] = {
      {"http://a/0.html", "http://b/1.html\r\nhttp://b/2.html\r\n",
       "http://a/0.html\r\nhttp://b/1.html\r\nhttp://b/2.html"},
      {"http://a/0.html\r\n", "http://b/1.html\r\n", "http://a/0.html\r\nhttp://b/1.html"},
      {"", "http://b/1.html\r\nhttp://b/2.html", "http://b/1.html\r\nhttp://b/2.html"},
      {"http://a/0.html", "", "http://a/0.html"},
  };
  for (const Filling& filling : cases) {
    SCOPED_TRACE(filling.addresses);
    SetText("列表网址框", filling.addresses);
    Main()->OpenUrlGenerator();
    SetGeneratorText("编辑框5", filling.generated);
    QTest::mouseClick(Generator()->Widget("按钮2"), Qt::LeftButton);
    EXPECT_EQ(Generator(), nullptr);
    EXPECT_EQ(BoxText("列表网址框"), filling.expected);
  }
}

TEST_F(GeneratorWindowTest, OpeningDuringARunLetsTheRunGoOn) {
  test_support::LoopbackServer server;
  server.Serve("/slow", SlowListPage(std::chrono::milliseconds(600)));
  SetText("列表网址框", server.Url("/slow"));
  bool fillEnabledDuringTheRun = true;
  // The toolbox menu opens the generator from inside the run's event loop.
  QTimer::singleShot(100, Main(), [&] {
    Main()->OpenUrlGenerator();
    if (Generator() != nullptr) fillEnabledDuringTheRun = Generator()->Widget("按钮2")->isEnabled();
  });
  Click("按钮_测试配置");
  EXPECT_EQ(Table().RowCount(), 2) << "the run went on to its end";
  EXPECT_FALSE(fillEnabledDuringTheRun);
  ASSERT_NE(Generator(), nullptr);
  EXPECT_TRUE(Generator()->Widget("按钮2")->isEnabled());
  Generator()->close();
}

}  // namespace
}  // namespace window_test
