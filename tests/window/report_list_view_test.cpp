// The result list over its model: columns with their captions and width, rows arriving in batches
// and announced once control returns to the event loop or at once when the list is shown, cells
// converted when asked for, and the list cleared.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QSignalSpy>

#include "runtime/code_page.h"
#include "tests/window/window_fixture.h"

namespace window_test {
namespace {

using runtime::T;

class ReportListViewTest : public MainWindowTest {
protected:
  window::ReportListView& View() { return *Widget<window::ReportListView>("测试列表框"); }
  window::ReportListModel& Model() { return View().Model(); }
  QString Cell(int row, int column) { return Model().index(row, column).data().toString(); }
  // Rows in batches of a page's size, each row's cells naming it.
  void AddRows(int count, int batch = 20) {
    for (int first = 0; first < count; first += batch) {
      std::vector<collect::Record> rows;
      for (int row = first; row < std::min(count, first + batch); ++row) {
        rows.push_back({{T("第") + std::to_string(row) + T("行"), "x"}});
      }
      Model().AddRows(rows);
    }
  }
};

TEST_F(ReportListViewTest, ColumnsShowTheirCaptionsEightyPixelsWideLeftAlignedAndTheLastTakesTheRest) {
  Model().AddColumns({T("文本 1"), T("文本 2")});
  Model().AddColumns({T("文本 3")});
  ASSERT_EQ(Model().columnCount(), 3);
  EXPECT_EQ(Model().headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("文本 2"));
  QHeaderView* header = View().horizontalHeader();
  for (int column = 0; column < 3; ++column) {
    EXPECT_EQ(Qt::Alignment(Model().headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt()) &
                  Qt::AlignHorizontal_Mask,
              Qt::AlignLeft);
  }
  EXPECT_EQ(header->sectionSize(0), 80);
  EXPECT_EQ(header->sectionSize(1), 80);
  EXPECT_EQ(header->sectionSize(2), View().viewport()->width() - 160);

  // A double click on a column's header fits it to its contents.
  Model().AddRows({{{T("一段很长很长的文字，比八十像素宽得多"), "x", "y"}}});
  Model().Flush();
  QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionPosition(0) + 40, 5));
  EXPECT_GT(header->sectionSize(0), 80);
  EXPECT_EQ(header->sectionSize(1), 80);
}

TEST_F(ReportListViewTest, RowsAddedToAHiddenListAppearWhenItIsShown) {
  Model().AddColumns({T("文本 1"), T("文本 2")});
  View().hide();
  AddRows(1000);
  EXPECT_EQ(Table().RowCount(), 1000);
  View().show();
  ASSERT_EQ(Model().rowCount(), 1000);
  EXPECT_EQ(Cell(0, 0), QStringLiteral("第0行"));
  EXPECT_EQ(Cell(999, 0), QStringLiteral("第999行"));
  EXPECT_EQ(Cell(999, 1), QStringLiteral("x"));
}

TEST_F(ReportListViewTest, BatchesAreAnnouncedOnceControlReturnsToTheEventLoop) {
  Model().AddColumns({T("文本 1")});
  QSignalSpy inserted(&Model(), &QAbstractItemModel::rowsInserted);
  AddRows(50, 10);
  EXPECT_EQ(inserted.count(), 0);
  QCoreApplication::processEvents();
  ASSERT_EQ(inserted.count(), 1);
  EXPECT_EQ(inserted[0][1].toInt(), 0);
  EXPECT_EQ(inserted[0][2].toInt(), 49);
  EXPECT_EQ(Model().rowCount(), 50);
  // Columns added later come after the rows already there, which read empty in them.
  Model().AddColumns({T("文本 2"), T("文本 3")});
  EXPECT_EQ(Cell(3, 2), QString());
}

TEST_F(ReportListViewTest, ClearingRemovesRowsAndColumns) {
  Model().AddColumns({T("文本 1")});
  AddRows(3);
  QCoreApplication::processEvents();
  Model().Clear();
  EXPECT_EQ(Model().rowCount(), 0);
  EXPECT_EQ(Model().columnCount(), 0);
  AddRows(2);
  QCoreApplication::processEvents();
  EXPECT_EQ(Model().rowCount(), 2);
}

}  // namespace
}  // namespace window_test
