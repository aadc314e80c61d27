// The commands of the main window on in-memory controls against a loopback server: the run, the
// configuration test, the export and the toolbox commands.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/memory_controls.h"
#include "app/program_handlers.h"
#include "collect/collection_run.h"
#include "collect/status_messages.h"
#include "runtime/code_page.h"
#include "runtime/control_access.h"
#include "runtime/text_operations.h"
#include "tests/collect/list_pages.h"
#include "tests/support/loopback_server.h"

namespace collect {
namespace {

using runtime::T;
using runtime::Text;
using runtime::Window;
using test_support::HttpResponse;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* kStart = "按钮_测试配置";
constexpr const char* kTest = "处理";
constexpr const char* kExport = "导出";
constexpr const char* kList = "测试列表框";

class CommandsTest : public ::testing::Test {
protected:
  void SetUp() override {
    runtime::InstallControls(&controls_);
    app::RegisterProgramHandlers();
    controls_.LoadWindow(Window::MainWindow, false);
    SetStatusClock([] { return runtime::MakeDateTime(2026, 12, 7, 15, 5, 9); });
  }
  void TearDown() override {
    SetStatusClock({});
    runtime::InstallControls(nullptr);
  }

  void Set(const char* control, const std::string& utf8) {
    controls_.WriteProperty(Window::MainWindow, control, runtime::Property::kContent, T(utf8));
  }
  Text Get(const char* control) { return runtime::ReadText(Window::MainWindow, control); }
  void SetAddresses(const std::vector<std::string>& addresses) {
    Set("列表网址框", collect_test::AddressBox(addresses));
  }
  int Rows() { return runtime::ListView::GetItemCount(Window::MainWindow, kList); }
  int Columns() { return runtime::ListView::GetColumnCount(Window::MainWindow, kList); }
  Text Cell(int row, int column) {
    return runtime::ListView::GetItemText(Window::MainWindow, kList, row, column);
  }
  Text BarPart(int part) { return controls_.Bar(Window::MainWindow, "状态条1").PartText(part); }
  std::vector<std::string> StatusLines() {
    std::vector<std::string> lines;
    runtime::TextArray split = runtime::SplitText(Get("状态框"), Text("\r\n"));
    for (const Text& line : split.Items()) {
      lines.push_back(runtime::TextToUtf8(line));
    }
    return lines;
  }
  void Click(const char* control) { controls_.Click(Window::MainWindow, control); }

  app::MemoryControls controls_;
  test_support::LoopbackServer server_;
};

TEST_F(CommandsTest, DefaultRuleOnGbkPageFillsFiveColumnsAndTwentyRows) {
  server_.Serve("/list_1.html", HttpResponse(200, collect_test::ListPageGbk(20)));
  const std::string address = server_.Url("/list_1.html");
  SetAddresses({address});

  Click(kStart);

  ASSERT_EQ(Columns(), 5);
  ASSERT_EQ(Rows(), 20);
  EXPECT_EQ(controls_.List(Window::MainWindow, kList).Column(0).caption, T("文本 1"));
  EXPECT_EQ(controls_.List(Window::MainWindow, kList).Column(4).caption, T("文本 5"));
  EXPECT_EQ(controls_.List(Window::MainWindow, kList).Column(4).width, 80);
  EXPECT_EQ(Cell(0, 0), T("<li> <a href=\"/news/2026/1001.html\" title=\"标题1\"> <span class=\"date\">2026-12-07</span></li>"));
  EXPECT_EQ(Cell(0, 1), "/news/2026");
  EXPECT_EQ(Cell(0, 2), "1001");
  EXPECT_EQ(Cell(19, 3), T("标题20"));
  EXPECT_EQ(Cell(19, 4), address);
  EXPECT_THAT(StatusLines(), ElementsAre("新的一轮开始处理..", address + "取到 20 条纪录"));
  EXPECT_EQ(BarPart(1), T(" 共20条数据"));
  EXPECT_EQ(BarPart(2), " 2026/12/7 03:05:09");
  EXPECT_EQ(server_.RequestCount(), 1u);
  EXPECT_TRUE(runtime::ReadInteger(Window::MainWindow, kList, runtime::Property::kVisible));
  // The page text box keeps the last page's prepared text: cut, without breaks or tabs.
  Text page = Get("测试编辑框");
  EXPECT_EQ(runtime::FindText(page, "\r"), -1);
  EXPECT_EQ(runtime::FindText(page, "\t"), -1);
  EXPECT_EQ(runtime::FindText(page, T("导航")), -1);
}

TEST_F(CommandsTest, RequestCarriesTheBrowserAgentAndCookie) {
  server_.Serve("/p", HttpResponse(200, collect_test::ListPageGbk(1)));
  SetAddresses({server_.Url("/p")});
  Set("cookie框", "sid=abc; lang=zh");
  Click(kStart);
  ASSERT_EQ(server_.RequestCount(), 1u);
  auto request = server_.Requests().at(0);
  EXPECT_EQ(request.requestLine, "GET /p HTTP/1.1");
  EXPECT_EQ(request.Header("User-Agent").value_or(""), std::string(kUserAgent));
  EXPECT_EQ(request.Header("Cookie").value_or(""), "sid=abc; lang=zh");
  EXPECT_EQ(request.HeaderCount("User-Agent"), 1);
}

TEST_F(CommandsTest, Utf8PageIsConvertedWhenGbkIsUnticked) {
  server_.Serve("/u", HttpResponse(200, collect_test::ListPageUtf8(3)));
  SetAddresses({server_.Url("/u")});
  controls_.WriteProperty(Window::MainWindow, "gbk", runtime::Property::kChecked, 0);
  Click(kStart);
  ASSERT_EQ(Rows(), 3);
  EXPECT_EQ(Cell(2, 3), T("标题3"));
}

TEST_F(CommandsTest, PageWithOneMatchLeadsTheNextPageToAddColumnsAgain) {
  server_.Serve("/one", HttpResponse(200, collect_test::ListPageGbk(1)));
  server_.Serve("/many", HttpResponse(200, collect_test::ListPageGbk(4, 10)));
  SetAddresses({server_.Url("/one"), server_.Url("/many")});
  Click(kStart);
  EXPECT_EQ(Columns(), 10);
  EXPECT_EQ(Rows(), 5);
  EXPECT_EQ(Cell(4, 4), server_.Url("/many"));
}

TEST_F(CommandsTest, PageWithoutMatchIsRequestedTwice) {
  server_.Serve("/none", HttpResponse(200, "<html>list-item nothing here</html>"));
  const std::string address = server_.Url("/none");
  SetAddresses({address});
  Click(kStart);
  EXPECT_EQ(server_.RequestCount(), 2u);
  EXPECT_THAT(StatusLines(), ElementsAre("新的一轮开始处理..", address + "取到 0 条纪录",
                                         address + "取到 0 条纪录"));
  EXPECT_EQ(Columns(), 10);  // each attempt finds fewer than two rows and adds its columns
  EXPECT_EQ(Rows(), 0);
  EXPECT_EQ(BarPart(1), T(" 共0条数据"));
}

TEST_F(CommandsTest, EmptyLineIsAnEmptyAddressThatFails) {
  server_.Serve("/a", HttpResponse(200, collect_test::ListPageGbk(2)));
  Set("列表网址框", server_.Url("/a") + "\r\n\r\n" + server_.Url("/a"));
  Click(kStart);
  EXPECT_EQ(Rows(), 4);
  EXPECT_EQ(server_.RequestCount(), 2u);
  std::vector<std::string> lines = StatusLines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[2], "取到 0 条纪录");
  EXPECT_EQ(lines[3], "取到 0 条纪录");
}

TEST_F(CommandsTest, EmptyRuleIsRefusedAndNothingChanges) {
  server_.Serve("/a", HttpResponse(200, collect_test::ListPageGbk(2)));
  SetAddresses({server_.Url("/a")});
  Click(kStart);
  ASSERT_EQ(Rows(), 2);
  Set("正则框", "");
  Click(kStart);
  ASSERT_EQ(controls_.Messages().size(), 1u);
  EXPECT_EQ(controls_.Messages()[0].message, T("正则匹配规则不能为空!"));
  EXPECT_EQ(controls_.Messages()[0].flags, 0x10);
  EXPECT_EQ(Rows(), 2);
  EXPECT_EQ(server_.RequestCount(), 1u);
  EXPECT_EQ(StatusLines().size(), 2u);
}

TEST_F(CommandsTest, EmptyAddressBoxLeavesAnEmptyListWithoutColumns) {
  Set("列表网址框", "");
  Click(kStart);
  EXPECT_EQ(Columns(), 0);
  EXPECT_EQ(Rows(), 0);
  EXPECT_THAT(StatusLines(), ElementsAre("新的一轮开始处理.."));
  EXPECT_EQ(BarPart(1), T(" 共0条数据"));
}

TEST_F(CommandsTest, PageIsCutOnlyWhenBothMarkersAreFilled) {
  server_.Serve("/p", HttpResponse(200, collect_test::ListPageGbk(2)));
  SetAddresses({server_.Url("/p")});
  Click(kStart);
  EXPECT_EQ(Rows(), 2);  // the navigation entry before "list-item" is cut away
  Set("采集后", "");
  Click(kStart);
  EXPECT_EQ(Rows(), 3);  // one marker only: the whole page, navigation entry included
  EXPECT_EQ(Cell(0, 3), T("导航"));
}

TEST_F(CommandsTest, RunsOfSpacesAreHalvedAndCaseIsIgnored) {
  server_.Serve("/s", HttpResponse(200, "<html><body><B>a    b</B><b>A   B</b></body></html>"));
  SetAddresses({server_.Url("/s")});
  Set("采集前", "");
  Set("正则框", "<B>a  b</B>");
  Click(kStart);
  EXPECT_EQ(Rows(), 2);
  EXPECT_EQ(Columns(), 2);
  EXPECT_EQ(Cell(0, 0), "<B>a  b</B>");
  EXPECT_EQ(Cell(1, 0), "<b>A  B</b>");
}

TEST_F(CommandsTest, ExportWritesTableRowsOrSeparatedLinesToBoxAndClipboard) {
  server_.Serve("/p", HttpResponse(200, collect_test::ListPageGbk(2)));
  const std::string address = server_.Url("/p");
  SetAddresses({address});
  Click(kStart);

  Click(kExport);
  Text table = T("<tr><td>/news/2026</td><td>1001</td><td>标题1</td><td>") + address +
               "</td></tr>\r\n" + T("<tr><td>/news/2026</td><td>1002</td><td>标题2</td><td>") +
               address + "</td></tr>\r\n";
  EXPECT_EQ(Get("测试编辑框"), table);
  EXPECT_EQ(controls_.ClipboardText(), table);
  EXPECT_EQ(BarPart(1), T(" 已导出至右方编辑框成功，并已请复制内容！"));

  controls_.ChooseItem(Window::MainWindow, "组合框1", 2);
  EXPECT_EQ(Get("分隔符号框"), "----");
  Click(kExport);
  EXPECT_EQ(controls_.ClipboardText(), T("/news/2026----1001----标题1----") + address + "\r\n" +
                                           T("/news/2026----1002----标题2----") + address + "\r\n");
}

TEST_F(CommandsTest, SeparatorChoiceWritesEmptySpaceOrDashes) {
  Set("分隔符号框", "x");
  controls_.ChooseItem(Window::MainWindow, "组合框1", 1);
  EXPECT_EQ(Get("分隔符号框"), " ");
  controls_.ChooseItem(Window::MainWindow, "组合框1", 2);
  EXPECT_EQ(Get("分隔符号框"), "----");
  controls_.ChooseItem(Window::MainWindow, "组合框1", 0);
  EXPECT_EQ(Get("分隔符号框"), "");
}

TEST_F(CommandsTest, ConfigurationTestFetchesOnlyTheFirstLine) {
  server_.Serve("/first", HttpResponse(200, collect_test::ListPageGbk(2)));
  server_.Serve("/second", HttpResponse(200, collect_test::ListPageGbk(3)));
  SetAddresses({server_.Url("/first"), server_.Url("/second")});
  Set("正则框", "");
  Click(kTest);
  ASSERT_EQ(server_.RequestCount(), 1u);
  EXPECT_EQ(server_.Requests()[0].Path(), "/first");
  EXPECT_TRUE(controls_.Messages().empty());
  EXPECT_EQ(Rows(), 0);
  EXPECT_EQ(Get("状态框"), "");
  EXPECT_EQ(BarPart(1), " " + server_.Url("/first"));
  EXPECT_EQ(runtime::FindText(Get("测试编辑框"), T("标题2")) > 0, true);
  EXPECT_EQ(runtime::FindText(Get("测试编辑框"), T("导航")), -1);
}

TEST_F(CommandsTest, ConfigurationTestOfASingleLineFetchesIt) {
  server_.Serve("/only", HttpResponse(200, collect_test::ListPageGbk(1)));
  SetAddresses({server_.Url("/only")});
  Click(kTest);
  EXPECT_EQ(server_.RequestCount(), 1u);
  EXPECT_NE(Get("测试编辑框"), "");
}

TEST_F(CommandsTest, CommandsArrivingDuringARunAreIgnored) {
  server_.Serve("/a", HttpResponse(200, collect_test::ListPageGbk(3)));
  server_.Serve("/b", HttpResponse(200, collect_test::ListPageGbk(3)));
  SetAddresses({server_.Url("/a"), server_.Url("/b")});
  int clicksDuringRun = 0;
  // The status clock is read on every status message, in the middle of the run.
  SetStatusClock([&] {
    if (controls_.Running() && clicksDuringRun++ == 3) {
      EXPECT_FALSE(controls_.IsEnabled(Window::MainWindow, kStart));
      EXPECT_FALSE(controls_.IsEnabled(Window::MainWindow, kExport));
      Click(kStart);
      Click(kTest);
      Click(kExport);
      controls_.ChooseMenuItem(Window::MainWindow, "清空列表");
    }
    return runtime::MakeDateTime(2026, 12, 7, 15, 5, 9);
  });
  Click(kStart);
  EXPECT_GT(clicksDuringRun, 3);
  EXPECT_EQ(server_.RequestCount(), 2u);
  EXPECT_EQ(Rows(), 6);
  EXPECT_EQ(controls_.ClipboardText(), "");
  EXPECT_EQ(BarPart(1), T(" 共6条数据"));
  EXPECT_TRUE(controls_.IsEnabled(Window::MainWindow, kStart));
}

TEST_F(CommandsTest, StopEndsTheRunAfterTheCurrentPage) {
  for (const char* path : {"/1", "/2", "/3"}) {
    server_.Serve(path, HttpResponse(200, collect_test::ListPageGbk(2)));
  }
  SetAddresses({server_.Url("/1"), server_.Url("/2"), server_.Url("/3")});
  SetStatusClock([&] {
    if (controls_.RunProgress().first == 2) controls_.RequestStop();
    return 0.0;
  });
  Click(kStart);
  EXPECT_EQ(server_.RequestCount(), 2u);
  EXPECT_EQ(Rows(), 4);
  EXPECT_EQ(BarPart(1), T(" 共4条数据"));
}

TEST_F(CommandsTest, ClearListMenuRemovesRowsAndColumnsAndTheNextRunAddsThemAgain) {
  server_.Serve("/p", HttpResponse(200, collect_test::ListPageGbk(2)));
  SetAddresses({server_.Url("/p")});
  Click(kStart);
  controls_.ChooseMenuItem(Window::MainWindow, "清空列表");
  EXPECT_EQ(Rows(), 0);
  EXPECT_EQ(Columns(), 0);
  Click(kStart);
  EXPECT_EQ(Columns(), 5);
  EXPECT_EQ(Rows(), 2);
}

}  // namespace
}  // namespace collect
