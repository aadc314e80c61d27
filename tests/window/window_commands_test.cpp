// The commands through the real window against a loopback server: settings held during a run,
// focus kept, failed pages and rules the engine refuses.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include "runtime/code_page.h"
#include "tests/support/list_pages.h"
#include "tests/support/loopback_server.h"
#include "tests/window/window_fixture.h"
#include "window/fetching_dialog.h"

namespace window_test {
namespace {

using test_support::HttpResponse;
using ::testing::HasSubstr;

class WindowCommandsTest : public MainWindowTest {
protected:
  void Set(const char* control, const std::string& utf8) { SetText(control, utf8); }
  std::string Get(const char* control) { return BoxText(control); }
  QPushButton* Button(const char* name) { return Widget<QPushButton>(name); }

  test_support::LoopbackServer server_;
};

TEST_F(WindowCommandsTest, FocusStaysOnThePressedButtonAndTypingDuringARunChangesNoSetting) {
  server_.Serve("/slow", SlowListPage(std::chrono::milliseconds(600)));
  Set("列表网址框", server_.Url("/slow"));
  const std::string before = Get("采集前");
  const std::string rule = Get("正则框");
  bool typed = false;
  QTimer::singleShot(200, window_, [&] {
    for (const char* box : {"采集前", "正则框", "列表网址框"}) {
      QTest::keyClicks(Widget(box), QStringLiteral("zz"));
    }
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("zz"));
    typed = Main()->Running();
  });
  Button("按钮_测试配置")->setFocus();
  QTest::keyClick(Button("按钮_测试配置"), Qt::Key_Space);

  EXPECT_TRUE(typed);
  EXPECT_EQ(Get("采集前"), before);
  EXPECT_EQ(Get("正则框"), rule);
  EXPECT_EQ(Get("列表网址框"), server_.Url("/slow"));
  EXPECT_EQ(QApplication::focusWidget(), Button("按钮_测试配置"));
  EXPECT_FALSE(Widget<QLineEdit>("采集前")->isReadOnly());
  EXPECT_EQ(Table().RowCount(), 2);
}

TEST_F(WindowCommandsTest, FailedPageSaysWhyAndTheTotalCountsIt) {
  server_.Serve("/a", HttpResponse(200, collect_test::ListPageGbk(2)));
  Set("列表网址框", "http://127.0.0.1:1/\r\n" + server_.Url("/a"));
  QTest::mouseClick(Button("按钮_测试配置"), Qt::LeftButton);
  EXPECT_THAT(Get("状态框"), HasSubstr("http://127.0.0.1:1/取到 0 条纪录（无法连接"));
  EXPECT_THAT(Get("状态框"), HasSubstr(server_.Url("/a") + "取到 2 条纪录\r\n"));
  EXPECT_EQ(BarText(), " 共2条数据，1个网址下载失败");
}

struct Unrunnable {
  const char* name;
  const char* box;  // set to text
  std::string text;
  const char* button;  // null: 重新采集失败的网址
  std::string message;
};

TEST_F(WindowCommandsTest, SettingsThatCannotRunAreRefusedBeforeAnyDownload) {
  const std::string cookie = "k=" + std::string(70000, 'v');
  const std::string cookieMessage = "Cookie 不能超过 64 KB（现为 70002 字节）";
  const Unrunnable cases[] = {
      {"rule that does not compile", "正则框", "<li>([var]</li>", "按钮_测试配置", "匹配规则有误: "},
      {"cookie over 64 KB, 开始处理", "cookie框", cookie, "按钮_测试配置", cookieMessage},
      {"cookie over 64 KB, 测试配置", "cookie框", cookie, "处理", cookieMessage},
      {"cookie over 64 KB, failed pages again", "cookie框", cookie, nullptr, cookieMessage},
  };
  server_.Serve("/a", HttpResponse(200, collect_test::ListPageGbk(2)));
  Set("列表网址框", server_.Url("/a"));
  for (const Unrunnable& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string kept = Get(c.box);
    Set(c.box, c.text);
    Main()->Session().failedAddresses = {runtime::Utf8ToText(server_.Url("/a"))};
    const size_t before = Messages().size();
    Main()->Boxes().SetNextAnswer(0);
    if (c.button != nullptr) {
      QTest::mouseClick(Button(c.button), Qt::LeftButton);
    } else {
      Main()->RetryFailedAddresses();
    }
    ASSERT_EQ(Messages().size(), before + 1);
    EXPECT_THAT(runtime::TextToUtf8(Messages().back().message), ::testing::StartsWith(c.message));
    EXPECT_EQ(Messages().back().flags, 0x10);
    Set(c.box, kept);
  }
  EXPECT_EQ(server_.RequestCount(), 0u);
  EXPECT_EQ(Get("状态框"), "");
}

TEST_F(WindowCommandsTest, FetchingDialogSetsTheLimitsOfTheNextRunsWithButtonsInChinese) {
  QTimer::singleShot(0, window_, [] {
    auto* dialog = qobject_cast<window::FetchingDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->PerHostBox()->setValue(1);
    dialog->JobsBox()->setValue(1);
    dialog->DelayBox()->setValue(250);
    // Qt's own texts come in the program's language.
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Ok)->text(), QStringLiteral("确定"));
    EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
    dialog->accept();
  });
  Main()->ChooseFetching();
  const collect::FetchPoliteness fetching = Main()->ReadProject().fetching;
  EXPECT_EQ(fetching.perHost, 1);
  EXPECT_EQ(fetching.jobs, 1);
  EXPECT_EQ(fetching.delay, std::chrono::milliseconds(250));
}

}  // namespace
}  // namespace window_test
