// The rule previewed while it is typed, in the real window against a loopback server: count and
// first records of the tested page, the reason for a rule that cannot run, typing that stays
// live while a rule takes the engine seconds, and answers that a newer rule has overtaken.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "runtime/code_page.h"
#include "tests/support/list_pages.h"
#include "tests/support/loopback_server.h"
#include "tests/window/window_fixture.h"
#include "window/rule_preview_panel.h"

namespace window_test {
namespace {

using test_support::HttpResponse;
using window::RulePreviewPanel;

// Long enough for the engine to give up on "(a*)*b" only after a second or so.
constexpr int kCatastrophicLength = 10000;
constexpr int kAnswerWaitMs = 60000;

class RulePreviewWindowTest : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    panel_ = window_->findChild<RulePreviewPanel*>();
    ruleBox_ = Widget<QLineEdit>("正则框");
    QObject::connect(panel_, &RulePreviewPanel::AnswerWritten, [this] {
      headlines_.push_back(panel_->Headline()->text().toStdString());
    });
  }

  // The configuration test on a page served with body.
  void TestPage(const std::string& body) {
    server_.Serve("/t", HttpResponse(200, body));
    SetText("列表网址框", server_.Url("/t"));
    Click("处理");
  }
  // Replaces the rule as the user would: the box focused, everything selected, the rule typed.
  void TypeRule(const QString& rule) {
    ruleBox_->setFocus();
    ruleBox_->selectAll();
    QTest::keyClicks(ruleBox_, rule);
  }
  bool WaitForAnswers(std::size_t count) {
    return QTest::qWaitFor([&] { return headlines_.size() >= count; }, kAnswerWaitMs);
  }
  std::string Cell(int row, int column) {
    QTableWidgetItem* item = panel_->Records()->item(row, column);
    return item == nullptr ? "<none>" : item->text().toStdString();
  }

  RulePreviewPanel* panel_ = nullptr;
  QLineEdit* ruleBox_ = nullptr;
  std::vector<std::string> headlines_;
  test_support::LoopbackServer server_;
};

TEST_F(RulePreviewWindowTest, ShowsCountAndFirstRecordsOfTheTestedPageOrWhyTheRuleCannotRun) {
  TypeRule(QStringLiteral("<li>[var]</li>"));
  QTest::qWait(3 * RulePreviewPanel::kSettleMs);
  EXPECT_TRUE(headlines_.empty()) << "no page tested yet";

  TestPage(collect_test::ListPageGbk(7));
  const std::string address = server_.Url("/t");
  const struct {
    QString rule;
    std::string headline;  // its start when the rule cannot run (no columns)
    int columns;
    std::vector<std::string> firstRow;
    int rows;
  } cases[] = {
      {QStringLiteral(R"(<li> <a href="[var]/[int].html" title="[var]">)"), "测试页取到 7 条纪录（列出前 5 条）", 5,
       {R"(<li> <a href="/news/2026/1001.html" title="标题1">)", "/news/2026", "1001", "标题1", address}, 5},
      {QStringLiteral("[int0].html\" title=\"[var]\""), "测试页取到 7 条纪录（列出前 5 条）", 3,
       {"1001.html\" title=\"标题1\"", "标题1", address}, 5},
      {QStringLiteral("<td>[var]</td>"), "测试页取到 0 条纪录", 3, {}, 0},
      {QStringLiteral("<li>([var]</li>"), "匹配规则有误: ", 0, {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule.toStdString());
    const std::size_t before = headlines_.size();
    TypeRule(c.rule);
    ASSERT_TRUE(WaitForAnswers(before + 1));
    if (c.columns == 0) {
      EXPECT_THAT(headlines_.back(), ::testing::StartsWith(c.headline));
      EXPECT_GT(headlines_.back().size(), c.headline.size()) << "the engine's reason follows";
    } else {
      EXPECT_EQ(headlines_.back(), c.headline);
    }
    EXPECT_TRUE(panel_->isVisible());
    EXPECT_EQ(panel_->Records()->isVisible(), c.rows > 0);
    EXPECT_EQ(panel_->Records()->columnCount(), c.columns);
    EXPECT_EQ(panel_->Records()->rowCount(), c.rows);
    for (std::size_t column = 0; column < c.firstRow.size(); ++column) {
      EXPECT_EQ(Cell(0, static_cast<int>(column)), c.firstRow[column]);
    }
    // Under the rule box, as wide, inside the window, and not over the status box.
    EXPECT_EQ(panel_->geometry().top(), ruleBox_->mapTo(window_, QPoint(0, ruleBox_->height())).y() + 1);
    EXPECT_EQ(panel_->width(), ruleBox_->width());
    EXPECT_TRUE(window_->rect().contains(panel_->geometry()));
    EXPECT_LT(panel_->geometry().bottom(), Widget("状态框")->geometry().top());
  }
  EXPECT_EQ(headlines_.size(), std::size(cases));
}

TEST_F(RulePreviewWindowTest, FailedTestSaysWhyInTheStatusChannelsAndInThePreview) {
  server_.Serve("/gone", HttpResponse(404, "<html><meta charset=\"utf-8\">gone</html>"));
  const struct {
    std::string address;
    std::string reason;  // its start
  } cases[] = {{server_.Url("/gone"), "HTTP 404）"}, {"http://127.0.0.1:1/", "无法连接: "}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    SetText("列表网址框", c.address);
    Click("处理");
    EXPECT_THAT(BarText(), ::testing::StartsWith(" 测试页下载失败（" + c.reason));
    EXPECT_THAT(BoxText("状态框"), ::testing::EndsWith("\r\n"));
    EXPECT_THAT(BoxText("状态框"), ::testing::HasSubstr(c.address + " 测试页下载失败（" + c.reason));
    EXPECT_THAT(BoxText("状态框"), ::testing::Not(::testing::HasSubstr("页面声明编码")));
    const std::size_t before = headlines_.size();
    TypeRule(QStringLiteral("<li>[var]</li>"));
    ASSERT_TRUE(WaitForAnswers(before + 1));
    EXPECT_THAT(headlines_.back(), ::testing::StartsWith("测试页下载失败（" + c.reason));
    EXPECT_FALSE(panel_->Records()->isVisible());
  }
}

TEST_F(RulePreviewWindowTest, RuleCopiedFromThePageIsExplainedAndFoundWhenReadAsWritten) {
  std::string page = "list-item<ul>";
  for (int k = 1; k <= 6; ++k) page += "<li><a href=\"show.php?id=" + std::to_string(k) + "\">t</a></li>";
  TestPage(page + "</ul></html>");
  TypeRule(QStringLiteral(R"(<a href="show.php?id=[int]">)"));
  ASSERT_TRUE(WaitForAnswers(1));
  EXPECT_EQ(headlines_.back(),
            "测试页取到 0 条纪录\n规则中的 . ? 在正则表达式中另有含义：要按原样匹配，请写成 \\. \\?，"
            "或在“工具箱 ▼”中勾选“按原文匹配”");

  EXPECT_FALSE(MenuItemChecked(*Main(), "工具箱", "按原文匹配"));
  ASSERT_TRUE(ChooseFromMenu(*Main(), "工具箱", "按原文匹配"));
  EXPECT_TRUE(MenuItemChecked(*Main(), "工具箱", "按原文匹配"));
  EXPECT_EQ(Main()->ReadProject().ruleSyntax, collect::RuleSyntax::Literal);
  ruleBox_->setFocus();
  ASSERT_TRUE(WaitForAnswers(2));
  EXPECT_EQ(headlines_.back(), "测试页取到 6 条纪录（列出前 5 条）");
  EXPECT_EQ(Cell(0, 0), R"(<a href="show.php?id=1">)");
  EXPECT_EQ(Cell(4, 1), "5");
}

TEST_F(RulePreviewWindowTest, HidesOnEscapeAndWhenTheRuleBoxLosesTheFocus) {
  TestPage(collect_test::ListPageGbk(2));
  TypeRule(QStringLiteral("<li>[var]</li>"));
  ASSERT_TRUE(WaitForAnswers(1));
  ASSERT_TRUE(panel_->isVisible());
  QTest::keyClick(ruleBox_, Qt::Key_Escape);
  EXPECT_FALSE(panel_->isVisible());

  QTest::keyClick(ruleBox_, Qt::Key_Backspace);
  ASSERT_TRUE(WaitForAnswers(2));
  ASSERT_TRUE(panel_->isVisible());
  Widget("采集前")->setFocus();
  EXPECT_FALSE(panel_->isVisible());
}

TEST_F(RulePreviewWindowTest, TypingStaysLiveWhileTheEngineStrugglesWithTheRule) {
  TestPage("list-item" + std::string(kCatastrophicLength, 'a') + "</html>");
  int ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
  ticker.start(20);

  TypeRule(QStringLiteral("(a*)*b"));
  QTest::qWait(RulePreviewPanel::kSettleMs + 50);  // the rule is at work now
  const int ticksBefore = ticks;
  QElapsedTimer busy;
  busy.start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return panel_->Headline()->text() == QStringLiteral("匹配中.."); }, kAnswerWaitMs));
  ASSERT_TRUE(WaitForAnswers(1));
  const qint64 busyMs = busy.elapsed();
  const int busyTicks = ticks - ticksBefore;

  // The engine gave up on the rule: the preview says so, with the hint for a rule that finds
  // nothing and holds ( * ).
  EXPECT_THAT(headlines_.back(),
              ::testing::StartsWith("测试页取到 0 条纪录（匹配规则过于复杂，已停止在第 1 条）\n规则中的 ( * ) "));
  ASSERT_GT(busyMs, 300) << "the rule did not keep the engine busy";
  // A window frozen by the match would have ticked once or not at all meanwhile.
  EXPECT_GT(busyTicks, static_cast<int>(busyMs / 20 / 3));
}

TEST_F(RulePreviewWindowTest, AnswerOfARuleAlreadyReplacedIsNeverShown) {
  TestPage("list-item" + std::string(kCatastrophicLength, 'a') + "<li>x</li><li>y</li><li>z</li></html>");
  TypeRule(QStringLiteral("(a*)*b"));
  QTest::qWait(RulePreviewPanel::kSettleMs + 50);  // its match is at work
  TypeRule(QStringLiteral("<li>[var]</li>"));
  ASSERT_TRUE(WaitForAnswers(1));
  QTest::qWait(3 * RulePreviewPanel::kSettleMs);
  EXPECT_THAT(headlines_, ::testing::ElementsAre("测试页取到 3 条纪录"));
  EXPECT_EQ(Cell(2, 1), "z");
}

}  // namespace
}  // namespace window_test
