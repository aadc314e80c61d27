// The result list widget over its model: columns with caption, width and alignment, rows
// announced in batches and at once when the list is shown, cells converted when asked for.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QSignalSpy>

#include "app/report_list_view.h"
#include "runtime/code_page.h"
#include "runtime/column_records.h"
#include "tests/app/front_ends.h"

namespace app_test {
namespace {

using runtime::T;
using runtime::Window;
namespace ListView = runtime::ListView;

constexpr const char* kList = "测试列表框";

class ReportListViewTest : public ::testing::Test {
protected:
  app::ReportListView& View() {
    return *frontEnd_.controls.WindowOf(Window::MainWindow)->WidgetAs<app::ReportListView>(kList);
  }
  QAbstractItemModel& Model() { return *View().model(); }
  QString Cell(int row, int column) { return Model().index(row, column).data().toString(); }
  QtFrontEnd frontEnd_;
};

TEST_F(ReportListViewTest, ColumnsShowCaptionWidthAndAlignment) {
  runtime::WriteProperty(Window::MainWindow, kList, runtime::Property::kColumnDefinitions,
                         runtime::EncodeColumnRecords({{"A", 80, 2, -1, false}}));
  ListView::InsertColumn(Window::MainWindow, kList, {}, T("文本 2"), 120, 1);
  ListView::InsertColumn(Window::MainWindow, kList);
  ASSERT_EQ(Model().columnCount(), 3);
  EXPECT_EQ(Model().headerData(0, Qt::Horizontal).toString(), QStringLiteral("A"));
  EXPECT_EQ(Model().headerData(1, Qt::Horizontal).toString(), QStringLiteral("文本 2"));
  EXPECT_EQ(View().horizontalHeader()->sectionSize(0), 80);
  EXPECT_EQ(View().horizontalHeader()->sectionSize(1), 120);
  EXPECT_EQ(View().horizontalHeader()->sectionSize(2), 50);
  const auto alignment = [this](int column) {
    return Qt::Alignment(
               Model().headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt()) &
           Qt::AlignHorizontal_Mask;
  };
  EXPECT_EQ(alignment(0), Qt::AlignRight);
  EXPECT_EQ(alignment(1), Qt::AlignHCenter);
  EXPECT_EQ(alignment(2), Qt::AlignLeft);
  ListView::InsertItem(Window::MainWindow, kList, {}, T("x"));
  runtime::ProcessEvents();
  EXPECT_EQ(Qt::Alignment(Model().index(0, 0).data(Qt::TextAlignmentRole).toInt()) &
                Qt::AlignHorizontal_Mask,
            Qt::AlignRight);
}

TEST_F(ReportListViewTest, RowsAddedToAHiddenListAppearWhenItIsShown) {
  ListView::InsertColumn(Window::MainWindow, kList, {}, T("文本 1"), 80);
  runtime::WriteProperty(Window::MainWindow, kList, runtime::Property::kVisible, 0);
  for (int row = 0; row < 1000; ++row) {
    ListView::InsertItem(Window::MainWindow, kList);
    ListView::SetItemText(Window::MainWindow, kList, row, 0,
                          T("第") + std::to_string(row) + T("行"));
  }
  EXPECT_EQ(ListView::GetItemCount(Window::MainWindow, kList), 1000);
  runtime::WriteProperty(Window::MainWindow, kList, runtime::Property::kVisible, 1);
  ASSERT_EQ(Model().rowCount(), 1000);
  EXPECT_EQ(Cell(0, 0), QStringLiteral("第0行"));
  EXPECT_EQ(Cell(999, 0), QStringLiteral("第999行"));
}

TEST_F(ReportListViewTest, AppendedRowsAreAnnouncedOnceControlReturnsToTheEventLoop) {
  ListView::InsertColumn(Window::MainWindow, kList, {}, T("文本 1"), 80);
  QSignalSpy inserted(&Model(), &QAbstractItemModel::rowsInserted);
  for (int row = 0; row < 50; ++row) ListView::InsertItem(Window::MainWindow, kList);
  EXPECT_EQ(inserted.count(), 0);
  runtime::ProcessEvents();
  ASSERT_EQ(inserted.count(), 1);
  EXPECT_EQ(inserted[0][1].toInt(), 0);
  EXPECT_EQ(inserted[0][2].toInt(), 49);
  EXPECT_EQ(Model().rowCount(), 50);
}

TEST_F(ReportListViewTest, ChangesToShownRowsReachTheView) {
  ListView::InsertColumn(Window::MainWindow, kList, {}, T("文本 1"), 80);
  ListView::InsertColumn(Window::MainWindow, kList, {}, T("文本 2"), 80);
  for (int row = 0; row < 3; ++row)
    ListView::InsertItem(Window::MainWindow, kList, {}, T("r") + std::to_string(row));
  runtime::ProcessEvents();
  QSignalSpy changed(&Model(), &QAbstractItemModel::dataChanged);
  ListView::SetItemText(Window::MainWindow, kList, 1, 1, T("新"));
  runtime::ProcessEvents();
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(Cell(1, 1), QStringLiteral("新"));

  ListView::InsertItem(Window::MainWindow, kList, 1, T("inside"));
  EXPECT_EQ(Model().rowCount(), 4);
  EXPECT_EQ(Cell(1, 0), QStringLiteral("inside"));
  EXPECT_EQ(Cell(2, 1), QStringLiteral("新"));

  ListView::DeleteAllItems(Window::MainWindow, kList);
  EXPECT_EQ(Model().rowCount(), 0);
  EXPECT_EQ(Model().columnCount(), 2);
}

}  // namespace
}  // namespace app_test
