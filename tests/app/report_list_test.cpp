// The report-list data: defaults of the operations, cells of any length, column records, the
// observer's notifications and repacking after many rewrites.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "runtime/column_records.h"
#include "runtime/report_list.h"

namespace runtime {
namespace {

using ::testing::ElementsAre;

class ReportListTest : public ::testing::Test {
protected:
  void AddColumns(int count) {
    for (int i = 0; i < count; ++i) list_.InsertColumn({}, "c" + std::to_string(i), 80, {}, {}, {});
  }
  void AddRows(int count) {
    for (int i = 0; i < count; ++i) list_.InsertItem({});
  }
  std::vector<Text> Row(int row) {
    std::vector<Text> cells;
    for (int column = 0; column < list_.ColumnCount(); ++column) {
      cells.push_back(list_.GetItemText(row, column));
    }
    return cells;
  }
  ReportList list_;
};

TEST_F(ReportListTest, ColumnPositionAbsentNegativeOrPastTheEndAppends) {
  AddColumns(3);
  EXPECT_EQ(list_.InsertColumn({}, {}, {}, {}, {}, {}), 3);
  EXPECT_EQ(list_.InsertColumn(-1, {}, {}, {}, {}, {}), 4);
  EXPECT_EQ(list_.InsertColumn(99, {}, {}, {}, {}, {}), 5);
  EXPECT_EQ(list_.ColumnCount(), 6);
}

TEST_F(ReportListTest, ColumnDefaultsAndClamps) {
  list_.InsertColumn({}, {}, {}, {}, {}, {});
  list_.InsertColumn({}, "B", -7, 2, -5, true);
  list_.InsertColumn({}, "C", 0, {}, 3, {});
  EXPECT_EQ(list_.Column(0), (ReportColumn{"", 50, 0, -1, false}));
  EXPECT_EQ(list_.Column(1), (ReportColumn{"B", 0, 2, -1, true}));
  EXPECT_EQ(list_.Column(2), (ReportColumn{"C", 0, 0, 3, false}));
}

TEST_F(ReportListTest, ColumnInsertedInsideMovesLaterCellsRight) {
  AddColumns(3);
  AddRows(2);
  for (int column = 0; column < 3; ++column)
    list_.SetItemText(0, column, "r0c" + std::to_string(column));
  list_.SetItemText(1, 0, "r1c0");
  EXPECT_EQ(list_.InsertColumn(1, "new", {}, {}, {}, {}), 1);
  EXPECT_THAT(Row(0), ElementsAre("r0c0", "", "r0c1", "r0c2"));
  EXPECT_THAT(Row(1), ElementsAre("r1c0", "", "", ""));
  EXPECT_EQ(list_.Column(1).caption, "new");
}

TEST_F(ReportListTest, RowPositionsAndTheirText) {
  EXPECT_EQ(list_.InsertItem({}), 0);
  AddRows(4);
  EXPECT_EQ(list_.InsertItem({}), 5);
  EXPECT_EQ(list_.InsertItem(-3, "last"), 6);
  EXPECT_EQ(list_.InsertItem(1, "second"), 1);
  EXPECT_EQ(list_.GetItemText(1, 0), "second");
  EXPECT_EQ(list_.GetItemText(7, 0), "last");
  EXPECT_EQ(list_.GetItemText(0, 0), "");
  EXPECT_EQ(list_.ItemCount(), 8);
}

TEST_F(ReportListTest, EmptyTextClearsACell) {
  AddColumns(3);
  AddRows(1);
  list_.SetItemText(0, 2, "x");
  list_.SetItemText(0, 2, "");
  list_.SetItemText(0, 1, "");
  EXPECT_THAT(Row(0), ElementsAre("", "", ""));
}

TEST_F(ReportListTest, CellsOutsideTheListAreIgnoredAndReadEmpty) {
  AddColumns(2);
  AddRows(1);
  list_.SetItemText(0, 2, "no column");
  list_.SetItemText(1, 0, "no row");
  list_.SetItemText(-1, 0, "no row");
  list_.SetItemText(0, -1, "no column");
  EXPECT_THAT(Row(0), ElementsAre("", ""));
  EXPECT_EQ(list_.GetItemText(0, 2), "");
  EXPECT_EQ(list_.GetItemText(5, 0), "");
  EXPECT_EQ(list_.GetItemText(-1, 0), "");
}

TEST_F(ReportListTest, ColumnZeroHoldsTheRowTextWithoutColumns) {
  AddRows(1);
  list_.SetItemText(0, 0, "item");
  EXPECT_EQ(list_.GetItemText(0, 0), "item");
}

TEST_F(ReportListTest, LongCellsComeBackWhole) {
  AddColumns(2);
  AddRows(1);
  const Text cell1500(1500, 'x');
  const Text cellOverChunk((1u << 20) + 17, '\xB0');
  list_.SetItemText(0, 0, cell1500);
  list_.SetItemText(0, 1, cellOverChunk);
  EXPECT_EQ(list_.GetItemText(0, 0), cell1500);
  EXPECT_EQ(list_.GetItemText(0, 1), cellOverChunk);
}

TEST_F(ReportListTest, DeletingAllRowsKeepsTheColumns) {
  AddColumns(3);
  AddRows(4);
  list_.SetItemText(2, 1, "x");
  list_.DeleteAllItems();
  EXPECT_EQ(list_.ItemCount(), 0);
  EXPECT_EQ(list_.ColumnCount(), 3);
  EXPECT_EQ(list_.InsertItem({}), 0);
  EXPECT_EQ(list_.GetItemText(0, 1), "");
}

TEST_F(ReportListTest, RewritingCellsManyTimesKeepsEveryValue) {
  AddColumns(3);
  AddRows(200);
  // Enough rewrites to leave several megabytes of old bytes behind, so the list repacks.
  for (int round = 0; round < 40; ++round) {
    for (int row = 0; row < 200; ++row) {
      const int column = (row + round) % 3;
      list_.SetItemText(row, column,
                        Text(1000, static_cast<char>('a' + round % 26)) + std::to_string(row));
    }
  }
  for (int row = 0; row < 200; ++row) {
    for (int column = 0; column < 3; ++column) {
      // The last round that wrote this cell.
      int round = 39;
      while ((row + round) % 3 != column) --round;
      EXPECT_EQ(list_.GetItemText(row, column),
                Text(1000, static_cast<char>('a' + round % 26)) + std::to_string(row));
    }
  }
}

TEST_F(ReportListTest, RowsGrownOutOfOrderKeepTheirCells) {
  AddColumns(4);
  AddRows(3);
  list_.SetItemText(0, 0, "a0");
  list_.SetItemText(1, 0, "b0");
  list_.SetItemText(0, 3, "a3");
  list_.SetItemText(1, 2, "b2");
  list_.SetItemText(0, 1, "a1");
  EXPECT_THAT(Row(0), ElementsAre("a0", "a1", "", "a3"));
  EXPECT_THAT(Row(1), ElementsAre("b0", "", "b2", ""));
  EXPECT_THAT(Row(2), ElementsAre("", "", "", ""));
}

TEST(ColumnRecordsTest, RecordLayoutIsByteExact) {
  const ByteSet expected(
      "\x00\xFF\xFF\xFF\xFF\x02\x00\x00\x00\x50\x00\x00\x00"
      "A\x00"
      "\x01\x03\x00\x00\x00\x01\x00\x00\x00\x10\x01\x00\x00"
      "\xCE\xC4\x00",
      31);
  const std::vector<ReportColumn> columns = {{"A", 80, 2, -1, false},
                                             {"\xCE\xC4", 272, 1, 3, true}};
  EXPECT_EQ(EncodeColumnRecords(columns), expected);
  EXPECT_EQ(DecodeColumnRecords(expected), columns);
}

TEST(ColumnRecordsTest, ShortTailIgnoredAndUnterminatedCaptionRunsToTheEnd) {
  const ByteSet unterminated(
      "\x00\xFF\xFF\xFF\xFF\x00\x00\x00\x00\x20\x00\x00\x00"
      "AB",
      15);
  EXPECT_EQ(DecodeColumnRecords(unterminated),
            (std::vector<ReportColumn>{{"AB", 32, 0, -1, false}}));
  EXPECT_TRUE(DecodeColumnRecords(ByteSet("\x00\x01\x02", 3)).empty());
  EXPECT_TRUE(DecodeColumnRecords(ByteSet()).empty());
}

TEST_F(ReportListTest, WrittenColumnDefinitionsRecreateTheList) {
  AddColumns(2);
  AddRows(3);
  const ByteSet records = EncodeColumnRecords({{"A", 80, 2, -1, false}, {"B", -4, 0, -9, false}});
  list_.SetColumnDefinitions(records);
  EXPECT_EQ(list_.ItemCount(), 0);
  ASSERT_EQ(list_.ColumnCount(), 2);
  EXPECT_EQ(list_.Column(0), (ReportColumn{"A", 80, 2, -1, false}));
  EXPECT_EQ(list_.Column(1), (ReportColumn{"B", 0, 0, -1, false}));
  EXPECT_EQ(list_.ColumnDefinitions(), records);
  list_.InsertColumn({}, "later", {}, {}, {}, {});
  EXPECT_EQ(list_.ColumnDefinitions(), records);

  list_.SetColumnDefinitions(ByteSet());
  EXPECT_EQ(list_.ColumnCount(), 0);
}

class RecordingObserver : public ReportListObserver {
public:
  void BeforeRowInserted(int row) override { calls.push_back("before row " + std::to_string(row)); }
  void AfterRowInserted(int row) override { calls.push_back("after row " + std::to_string(row)); }
  void CellChanged(int row, int column) override {
    calls.push_back("cell " + std::to_string(row) + "," + std::to_string(column));
  }
  void BeforeColumnInserted(int column) override {
    calls.push_back("before column " + std::to_string(column));
  }
  void AfterColumnInserted(int column) override {
    calls.push_back("after column " + std::to_string(column));
  }
  void BeforeReset() override { calls.push_back("before reset"); }
  void AfterReset() override { calls.push_back("after reset"); }
  std::vector<std::string> calls;
};

TEST_F(ReportListTest, ObserverHearsEveryChangeInOrder) {
  RecordingObserver observer;
  list_.SetObserver(&observer);
  list_.InsertColumn({}, "A", {}, {}, {}, {});
  list_.InsertItem({});
  list_.SetItemText(0, 0, "x");
  list_.SetItemText(0, 5, "ignored");
  list_.DeleteAllItems();
  list_.SetColumnDefinitions(ByteSet());
  EXPECT_THAT(observer.calls, ElementsAre("before column 0", "after column 0", "before row 0",
                                          "after row 0", "cell 0,0", "before reset", "after reset",
                                          "before reset", "after reset"));
  list_.SetObserver(nullptr);
}

}  // namespace
}  // namespace runtime
