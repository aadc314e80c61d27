// The Qt main window growing beyond its default size: the default size is the smallest, the
// setting boxes widen, the buttons keep to the right edge, the result list takes the height,
// the rows below it keep to the bottom, nothing overlaps, and the address box's text stays
// clear of the check box inside it.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <utility>
#include <vector>

#include "tests/window/window_fixture.h"
#include "window/run_panel.h"

namespace window_test {
namespace {

constexpr QSize kDefault(858, 516);
constexpr QSize kGrown(1400, 900);

class MainWindowGrowthTest : public MainWindowTest {
protected:
  // Where a control lies in the window's own coordinates.
  QRect InWindow(const QWidget* widget) {
    return QRect(widget->mapTo(Main(), QPoint(0, 0)), widget->size());
  }
  QRect InWindow(const char* name) { return InWindow(Widget(name)); }
  // Every control of the layout with its name, and the run panel while a run shows it.
  std::vector<std::pair<QString, QWidget*>> VisibleControls() {
    std::vector<std::pair<QString, QWidget*>> controls;
    for (const window::ControlLayout& control : Main()->Layout().controls) {
      QWidget* widget = Main()->Widget(control.name);
      if (widget->isVisible()) controls.emplace_back(widget->objectName(), widget);
    }
    window::RunPanel* panel = Main()->Panel();
    if (panel->isVisible()) controls.emplace_back(panel->objectName(), panel);
    return controls;
  }
};

TEST_F(MainWindowGrowthTest, DefaultSizeIsTheSmallestAndComesBackUnchanged) {
  std::vector<QRect> atDefault;
  for (const auto& [name, widget] : VisibleControls()) atDefault.push_back(widget->geometry());
  EXPECT_EQ(Main()->size(), kDefault);
  EXPECT_EQ(Main()->minimumSize(), kDefault);
  Main()->resize(kGrown);
  EXPECT_EQ(Main()->size(), kGrown);
  Main()->resize(600, 400);
  EXPECT_EQ(Main()->size(), kDefault);
  std::vector<QRect> back;
  for (const auto& [name, widget] : VisibleControls()) back.push_back(widget->geometry());
  EXPECT_EQ(back, atDefault);
}

TEST_F(MainWindowGrowthTest, NothingOverlapsButWhatTheLayoutLaysOverAnotherControl) {
  // The check box lies inside the address box; the waiting label and the run panel lie beneath
  // the result list; the combo box's right edge touches the export button's left.
  const std::pair<const char*, const char*> deliberate[] = {{"gbk", "列表网址框"},
                                                            {"标签1", "测试列表框"},
                                                            {"runPanel", "测试列表框"},
                                                            {"组合框1", "导出"}};
  const auto isDeliberate = [&](const QString& a, const QString& b) {
    for (const auto& [first, second] : deliberate) {
      if ((a == QString::fromUtf8(first) && b == QString::fromUtf8(second)) ||
          (b == QString::fromUtf8(first) && a == QString::fromUtf8(second))) {
        return true;
      }
    }
    return false;
  };
  Main()->SetRunning(true);
  for (const QSize size : {kDefault, QSize(859, 517), QSize(1001, 603), kGrown}) {
    Main()->resize(size);
    SCOPED_TRACE(QStringLiteral("%1x%2").arg(size.width()).arg(size.height()).toStdString());
    const auto controls = VisibleControls();
    for (size_t i = 0; i < controls.size(); ++i) {
      const auto& [name, widget] = controls[i];
      if (name != QStringLiteral("分组框1")) {
        EXPECT_TRUE(Main()->rect().contains(InWindow(widget))) << name.toStdString();
      }
      for (size_t j = i + 1; j < controls.size(); ++j) {
        const auto& [otherName, other] = controls[j];
        if (widget->isAncestorOf(other) || other->isAncestorOf(widget)) continue;
        EXPECT_TRUE(!InWindow(widget).intersects(InWindow(other)) || isDeliberate(name, otherName))
            << name.toStdString() << " / " << otherName.toStdString();
      }
    }
  }
  Main()->SetRunning(false);
}

TEST_F(MainWindowGrowthTest, BoxesWidenAndTheListTakesTheHeight) {
  const char* const widening[] = {"列表网址框", "cookie框", "采集前", "采集后", "正则框",
                                  "测试列表框", "状态框", "测试编辑框", "状态条1"};
  std::vector<QRect> before;
  for (const char* name : widening) before.push_back(InWindow(name));
  const QRect listBefore = InWindow("测试列表框");
  Main()->resize(kGrown);
  for (size_t i = 0; i < std::size(widening); ++i) {
    EXPECT_GT(InWindow(widening[i]).width(), before[i].width()) << widening[i];
  }
  const QSize extra = kGrown - kDefault;
  EXPECT_EQ(InWindow("测试列表框").height(), listBefore.height() + extra.height());
  EXPECT_EQ(InWindow("测试列表框").width(), listBefore.width() + extra.width());
  // The page-text and status boxes share the extra width.
  const int statusGrowth = InWindow("状态框").width() - before[6].width();
  const int pageGrowth = InWindow("测试编辑框").width() - before[7].width();
  EXPECT_LE(std::abs(statusGrowth - pageGrowth), 1);
  EXPECT_EQ(statusGrowth + pageGrowth, extra.width());
}

TEST_F(MainWindowGrowthTest, ButtonsKeepToTheRightAndTheLowerRowsToTheBottom) {
  struct Anchored {
    const char* name;
    bool toRight;  // else to the bottom
  };
  const Anchored anchored[] = {{"处理", true},        {"按钮_测试配置", true}, {"标签2", false},
                               {"分隔符号框", false}, {"组合框1", false},      {"导出", false},
                               {"导出1", false},      {"状态框", false},       {"测试编辑框", false},
                               {"状态条1", false}};
  const auto distance = [this](const Anchored& control) {
    const QRect area = InWindow(control.name);
    return control.toRight ? Main()->width() - area.right() : Main()->height() - area.bottom();
  };
  std::vector<int> before;
  for (const Anchored& control : anchored) before.push_back(distance(control));
  Main()->resize(kGrown);
  for (size_t i = 0; i < std::size(anchored); ++i) {
    EXPECT_EQ(distance(anchored[i]), before[i]) << anchored[i].name;
  }
}

TEST_F(MainWindowGrowthTest, AddressTextStaysClearOfTheCheckBoxInsideIt) {
  auto* box = Widget<QPlainTextEdit>("列表网址框");
  for (const QSize size : {kDefault, kGrown}) {
    Main()->resize(size);
    const QRect text(box->viewport()->mapTo(Main(), QPoint(0, 0)), box->viewport()->size());
    EXPECT_FALSE(text.intersects(InWindow("gbk")));
    EXPECT_GT(text.width(), InWindow("gbk").left() - InWindow(box).left() - 20);
  }
}

}  // namespace
}  // namespace window_test
