// The in-memory front end: events by name reach the bindings, the run guard, the sinks that
// the headless command streams from, menus and modal windows driven by the test.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/program_handlers.h"
#include "runtime/code_page.h"
#include "tests/app/front_ends.h"

namespace app_test {
namespace {

using runtime::T;
using runtime::Text;
using runtime::Window;
using ::testing::ElementsAre;

class MemoryControlsTest : public ::testing::Test {
protected:
  void SetUp() override { app::RegisterProgramHandlers(); }
  app::MemoryControls& Controls() { return frontEnd_.controls; }
  MemoryFrontEnd frontEnd_;
};

TEST_F(MemoryControlsTest, EventsReachTheirBindingsAndUnboundOnesDoNothing) {
  HandlerCounts counts{"StartProcessing", "TestConfiguration", "ExportResults", "ShowListMenu",
                       "ChooseSeparator"};
  Controls().Click(Window::MainWindow, "按钮_测试配置");
  Controls().Click(Window::MainWindow, "处理");
  Controls().Click(Window::MainWindow, "导出");
  Controls().RightClick(Window::MainWindow, "测试列表框");
  Controls().Click(Window::MainWindow, "标签1");
  Controls().RightClick(Window::MainWindow, "正则框");
  EXPECT_EQ(counts["StartProcessing"], 1);
  EXPECT_EQ(counts["TestConfiguration"], 1);
  EXPECT_EQ(counts["ExportResults"], 1);
  EXPECT_EQ(counts["ShowListMenu"], 1);
  EXPECT_EQ(counts.Total(), 4);
}

TEST_F(MemoryControlsTest, ChoosingAComboItemCommitsTheSelectionBeforeTheHandler) {
  std::vector<int> seen;
  app::RegisterHandler("ChooseSeparator", [&seen] {
    seen.push_back(
        runtime::ReadInteger(Window::MainWindow, "组合框1", runtime::Property::kCurrentSelection));
  });
  Controls().ChooseItem(Window::MainWindow, "组合框1", 1);
  Controls().ChooseItem(Window::MainWindow, "组合框1", 2);
  EXPECT_THAT(seen, ElementsAre(1, 2));
  EXPECT_EQ(runtime::ReadText(Window::MainWindow, "组合框1"), "\xA1\xA1----");
  app::RegisterHandler("ChooseSeparator", nullptr);
}

TEST_F(MemoryControlsTest, CommandsAreIgnoredWhileARunIsInProgress) {
  HandlerCounts counts{"StartProcessing", "TestConfiguration", "ExportResults", "ClearResultList",
                       "ShowToolboxMenu"};
  Controls().SetRunning(true);
  EXPECT_FALSE(Controls().IsEnabled(Window::MainWindow, "按钮_测试配置"));
  EXPECT_TRUE(Controls().IsEnabled(Window::MainWindow, "导出1"));
  Controls().Click(Window::MainWindow, "按钮_测试配置");
  Controls().Click(Window::MainWindow, "处理");
  Controls().Click(Window::MainWindow, "导出");
  Controls().ChooseMenuItem(Window::MainWindow, "清空列表");
  Controls().Click(Window::MainWindow, "导出1");
  EXPECT_EQ(counts.Total(), 1);
  Controls().SetRunning(false);
  Controls().ChooseMenuItem(Window::MainWindow, "清空列表");
  EXPECT_EQ(counts["ClearResultList"], 1);
}

TEST_F(MemoryControlsTest, StopAndAbortRequests) {
  Controls().SetRunning(true);
  EXPECT_FALSE(Controls().StopRequested());
  Controls().RequestStop();
  EXPECT_TRUE(Controls().StopRequested());
  EXPECT_FALSE(Controls().AbortRequested());
  Controls().SetRunning(false);
  Controls().SetRunning(true);
  EXPECT_FALSE(Controls().StopRequested());
  Controls().RequestAbort();
  EXPECT_TRUE(Controls().StopRequested());
  EXPECT_TRUE(Controls().AbortRequested());
  Controls().ShowRunProgress(3, 7);
  EXPECT_EQ(Controls().RunProgress(), std::make_pair(3, 7));
}

TEST_F(MemoryControlsTest, SinksReceiveAppendedTextsAndStatusBarTextsAsTheyHappen) {
  std::vector<Text> appended;
  std::vector<std::pair<int, Text>> parts;
  Controls().SetAppendSink([&](Window, std::string_view control, const Text& text) {
    appended.push_back(T(std::string(control)) + ":" + text);
  });
  Controls().SetStatusBarSink([&](Window, std::string_view, int part, const Text& text) {
    parts.emplace_back(part, text);
  });
  runtime::EditBoxAppend(Window::MainWindow, "状态框", T("一\r\n"));
  runtime::EditBoxAppend(Window::MainWindow, "测试编辑框", "x");
  runtime::StatusBar::SetPartText(Window::MainWindow, "状态条1", 1, T(" 共2条数据"));
  runtime::StatusBar::SetPartText(Window::MainWindow, "状态条1", 9, T("越界"));
  EXPECT_THAT(appended, ElementsAre(T("状态框:一\r\n"), T("测试编辑框:x")));
  EXPECT_THAT(parts, ElementsAre(std::make_pair(1, T(" 共2条数据"))));
}

TEST_F(MemoryControlsTest, MessageBoxWithoutASetAnswerTakesTheDefaultButton) {
  EXPECT_EQ(runtime::MessageBox(T("a"), 0x10), 0);
  EXPECT_EQ(runtime::MessageBox(T("b"), 0x24), 5);
  EXPECT_EQ(runtime::MessageBox(T("c"), 0x124), 6);
  EXPECT_EQ(runtime::MessageBox(T("d"), 0x205), 1);
  std::vector<Text> sunk;
  Controls().SetMessageSink(
      [&sunk](const app::MessageRecord& record) { sunk.push_back(record.message); });
  Controls().SetNextAnswer(1);
  EXPECT_EQ(runtime::MessageBox(T("e"), 1, T("标题")), 1);
  EXPECT_THAT(sunk, ElementsAre(T("e")));
  EXPECT_EQ(Controls().Messages().back().caption, T("标题"));
  EXPECT_EQ(Controls().Messages().size(), 5u);
}

TEST_F(MemoryControlsTest, PopupMenusRunTheItemTheTestChose) {
  HandlerCounts counts{"ClearResultList", "OpenUrlGenerator"};
  Controls().RightClick(Window::MainWindow, "测试列表框");
  EXPECT_EQ(counts.Total(), 0);
  Controls().SetNextMenuChoice("清空列表");
  Controls().RightClick(Window::MainWindow, "测试列表框");
  EXPECT_EQ(counts["ClearResultList"], 1);
  Controls().SetNextMenuChoice("生成有序列表网址");
  Controls().Click(Window::MainWindow, "导出1");
  EXPECT_EQ(counts["OpenUrlGenerator"], 1);
  EXPECT_THAT(Controls().OpenedMenus(), ElementsAre("列表框", "列表框", "工具箱"));
}

TEST_F(MemoryControlsTest, ModalWindowIsLoadedFromItsDefaultsWhileOpenThenUnloaded) {
  std::vector<Text> firstNumbers;
  Controls().SetWhileOpen(Window::UrlGeneratorWindow, [&] {
    firstNumbers.push_back(runtime::ReadText(Window::UrlGeneratorWindow, "编辑框1"));
    runtime::WriteProperty(Window::UrlGeneratorWindow, "编辑框1", runtime::Property::kContent,
                           T("9"));
  });
  Controls().SetNextMenuChoice("生成有序列表网址");
  Controls().Click(Window::MainWindow, "导出1");
  runtime::LoadWindow(Window::UrlGeneratorWindow, true);
  EXPECT_THAT(firstNumbers, ElementsAre("1", "1"));
  EXPECT_FALSE(Controls().IsLoaded(Window::UrlGeneratorWindow));
  EXPECT_TRUE(Controls().IsLoaded(Window::MainWindow));
}

TEST_F(MemoryControlsTest, ClipboardAndListDataAreObservable) {
  runtime::SetClipboardText(Text("a\0b", 3));
  EXPECT_EQ(Controls().ClipboardText(), "a");
  runtime::ListView::InsertColumn(Window::MainWindow, "测试列表框", {}, T("文本 1"), 80);
  EXPECT_EQ(Controls().List(Window::MainWindow, "测试列表框").Column(0).width, 80);
}

}  // namespace
}  // namespace app_test
