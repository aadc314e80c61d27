// The list, status-bar, property, edit-box, clipboard and message-box operations, each run
// against both front ends: they must give the same results.
#include <gtest/gtest.h>

#include "runtime/code_page.h"
#include "runtime/column_records.h"
#include "runtime/control_access.h"
#include "tests/app/front_ends.h"

namespace app_test {
namespace {

using runtime::T;
using runtime::Text;
using runtime::Window;
using runtime::Property::kChecked;
using runtime::Property::kColumnDefinitions;
using runtime::Property::kContent;
using runtime::Property::kCurrentSelection;
using runtime::Property::kVisible;
namespace ListView = runtime::ListView;

constexpr Window kMain = Window::MainWindow;
constexpr const char* kList = "测试列表框";

template <typename FrontEnd>
class FrontEndOperationsTest : public ::testing::Test {
protected:
  void AddColumns(int count) {
    for (int i = 0; i < count; ++i)
      ListView::InsertColumn(kMain, kList, {}, T("文本 ") + std::to_string(i + 1), 80);
  }
  void AddRows(int count) {
    for (int i = 0; i < count; ++i) ListView::InsertItem(kMain, kList);
  }
  FrontEnd frontEnd_;
};

class FrontEndNames {
public:
  template <typename T>
  static std::string GetName(int) {
    return std::is_same_v<T, QtFrontEnd> ? "Qt" : "Other";
  }
};

using FrontEnds = ::testing::Types<QtFrontEnd>;
TYPED_TEST_SUITE(FrontEndOperationsTest, FrontEnds, FrontEndNames);

TYPED_TEST(FrontEndOperationsTest, ColumnsAppendWhenPositionIsAbsentOrNegative) {
  this->AddColumns(3);
  EXPECT_EQ(ListView::InsertColumn(kMain, kList), 3);
  EXPECT_EQ(ListView::InsertColumn(kMain, kList, -1), 4);
  EXPECT_EQ(ListView::GetColumnCount(kMain, kList), 5);
}

TYPED_TEST(FrontEndOperationsTest, RowsAppendWithEmptyText) {
  this->AddColumns(2);
  EXPECT_EQ(ListView::InsertItem(kMain, kList), 0);
  EXPECT_EQ(ListView::GetItemText(kMain, kList, 0), "");
  this->AddRows(4);
  EXPECT_EQ(ListView::InsertItem(kMain, kList), 5);
  EXPECT_EQ(ListView::InsertItem(kMain, kList, -2, T("末")), 6);
  EXPECT_EQ(ListView::GetItemText(kMain, kList, 6, 0), T("末"));
  EXPECT_EQ(ListView::GetItemCount(kMain, kList), 7);
}

TYPED_TEST(FrontEndOperationsTest, AbsentTextLeavesTheCellEmpty) {
  this->AddColumns(3);
  this->AddRows(1);
  ListView::SetItemText(kMain, kList, 0, 2, T("旧"));
  ListView::SetItemText(kMain, kList, 0, 2, std::nullopt);
  EXPECT_EQ(ListView::GetItemText(kMain, kList, 0, 2), "");
}

TYPED_TEST(FrontEndOperationsTest, LongCellComesBackWhole) {
  this->AddColumns(5);
  this->AddRows(1);
  Text cell;
  while (cell.size() < 1500) cell += T("数据");
  cell.resize(1500);
  ListView::SetItemText(kMain, kList, 0, 4, cell);
  EXPECT_EQ(ListView::GetItemText(kMain, kList, 0, 4), cell);
}

TYPED_TEST(FrontEndOperationsTest, DeletingAllRowsKeepsColumns) {
  this->AddColumns(4);
  this->AddRows(3);
  ListView::DeleteAllItems(kMain, kList);
  EXPECT_EQ(ListView::GetItemCount(kMain, kList), 0);
  EXPECT_EQ(ListView::GetColumnCount(kMain, kList), 4);
}

TYPED_TEST(FrontEndOperationsTest, EmptyColumnDefinitionsLeaveNoColumns) {
  this->AddColumns(4);
  this->AddRows(2);
  runtime::WriteProperty(kMain, kList, kColumnDefinitions, Text());
  EXPECT_EQ(ListView::GetColumnCount(kMain, kList), 0);
  EXPECT_EQ(ListView::GetItemCount(kMain, kList), 0);
  EXPECT_EQ(runtime::ReadText(kMain, kList, kColumnDefinitions), "");
  this->AddColumns(2);
  EXPECT_EQ(ListView::GetColumnCount(kMain, kList), 2);
}

TYPED_TEST(FrontEndOperationsTest, ColumnRecordGivesItsColumn) {
  const Text records = runtime::EncodeColumnRecords({{"A", 80, 2, -1, false}});
  runtime::WriteProperty(kMain, kList, kColumnDefinitions, records);
  EXPECT_EQ(ListView::GetColumnCount(kMain, kList), 1);
  EXPECT_EQ(runtime::ReadText(kMain, kList, kColumnDefinitions), records);
}

TYPED_TEST(FrontEndOperationsTest, CellsOutsideTheListReadEmpty) {
  this->AddColumns(2);
  this->AddRows(1);
  ListView::SetItemText(kMain, kList, 0, 7, T("无"));
  ListView::SetItemText(kMain, kList, 3, 0, T("无"));
  EXPECT_EQ(ListView::GetItemText(kMain, kList, 0, 7), "");
  EXPECT_EQ(ListView::GetItemText(kMain, kList, 3, 0), "");
  EXPECT_EQ(ListView::GetItemCount(kMain, kList), 1);
}

TYPED_TEST(FrontEndOperationsTest, StatusBarPartsOutsideTheBarAreIgnored) {
  runtime::StatusBar::SetPartText(kMain, "状态条1", 3, T("越界"));
  runtime::StatusBar::SetPartText(kMain, "状态条1", -1, T("越界"));
  EXPECT_EQ(this->frontEnd_.PartText(0), T(" 状态 "));
  EXPECT_EQ(this->frontEnd_.PartText(1), "");
  EXPECT_EQ(this->frontEnd_.PartText(2), "2017");
  runtime::StatusBar::SetPartText(kMain, "状态条1", 1, T(" 共20条数据"));
  runtime::StatusBar::SetPartText(kMain, "状态条1", 2);
  EXPECT_EQ(this->frontEnd_.PartText(1), T(" 共20条数据"));
  EXPECT_EQ(this->frontEnd_.PartText(2), "");
}

TYPED_TEST(FrontEndOperationsTest, ControlsStartWithTheirDefaults) {
  EXPECT_EQ(runtime::ReadText(kMain, "组合框1"), T("常用符号"));
  EXPECT_EQ(runtime::ReadInteger(kMain, "组合框1", kCurrentSelection), -1);
  EXPECT_EQ(runtime::ReadInteger(kMain, "gbk", kChecked), 1);
  EXPECT_EQ(runtime::ReadText(kMain, "列表网址框"),
            "http://www.example.com/news/index_2.html\r\nhttp://www.example.com/news/index_3.html");
  EXPECT_EQ(runtime::ReadText(kMain, "正则框"),
            R"(<li> <a href="[var]/[int].html" title="[var]"> <span [var0]</li>)");
  EXPECT_EQ(runtime::ReadText(kMain, "采集前"), "list-item");
  EXPECT_EQ(runtime::ReadText(kMain, "采集后"), "</html>");
  EXPECT_EQ(runtime::ReadText(kMain, "分隔符号框"), "");
  EXPECT_EQ(runtime::ReadInteger(kMain, kList, kVisible), 1);
}

TYPED_TEST(FrontEndOperationsTest, PropertiesReadBackWhatWasWritten) {
  runtime::WriteProperty(kMain, "cookie框", kContent, T("a=1\r\nb=二\r\n"));
  runtime::WriteProperty(kMain, "分隔符号框", kContent, Text("\xA1\xA1"));
  runtime::WriteProperty(kMain, "gbk", kChecked, 0);
  runtime::WriteProperty(kMain, kList, kVisible, 0);
  runtime::WriteProperty(kMain, "组合框1", kCurrentSelection, 2);
  EXPECT_EQ(runtime::ReadText(kMain, "cookie框"), T("a=1\r\nb=二\r\n"));
  EXPECT_EQ(runtime::ReadText(kMain, "分隔符号框"), "\xA1\xA1");
  EXPECT_EQ(runtime::ReadInteger(kMain, "gbk", kChecked), 0);
  EXPECT_EQ(runtime::ReadInteger(kMain, kList, kVisible), 0);
  EXPECT_EQ(runtime::ReadInteger(kMain, "组合框1", kCurrentSelection), 2);
  EXPECT_EQ(runtime::ReadText(kMain, "组合框1"), "\xA1\xA1----");
}

TYPED_TEST(FrontEndOperationsTest, TextsEndAtTheirFirstZeroByte) {
  runtime::WriteProperty(kMain, "测试编辑框", kContent, Text("ab\0cd", 5));
  EXPECT_EQ(runtime::ReadText(kMain, "测试编辑框"), "ab");
}

TYPED_TEST(FrontEndOperationsTest, AppendedTextGoesToTheEnd) {
  runtime::EditBoxAppend(kMain, "状态框", T("新的一轮开始处理..\r\n"));
  runtime::EditBoxAppend(kMain, "状态框", T("取到 20 条纪录\r\n"));
  EXPECT_EQ(runtime::ReadText(kMain, "状态框"), T("新的一轮开始处理..\r\n取到 20 条纪录\r\n"));
}

TYPED_TEST(FrontEndOperationsTest, ClipboardHoldsTheText) {
  EXPECT_TRUE(runtime::SetClipboardText(T("<tr><td>表</td></tr>\r\n")));
  EXPECT_EQ(this->frontEnd_.Clipboard(), T("<tr><td>表</td></tr>\r\n"));
}

TYPED_TEST(FrontEndOperationsTest, MessageBoxTakesTheAnswerSetByTheTest) {
  this->frontEnd_.SetNextAnswer(6);
  EXPECT_EQ(runtime::MessageBox(T("继续吗?"), 0x24), 6);
  ASSERT_EQ(this->frontEnd_.Messages().size(), 1u);
  EXPECT_EQ(this->frontEnd_.Messages()[0].message, T("继续吗?"));
  EXPECT_EQ(this->frontEnd_.Messages()[0].caption, T("信息："));
  EXPECT_EQ(this->frontEnd_.Messages()[0].flags, 0x24);
}

}  // namespace
}  // namespace app_test
