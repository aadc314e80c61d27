// The commands' routines that need no window: time stamps, page preparation, export text, the
// result table, the settings of a project, first address and the address series.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <tuple>

#include "collect/collection_engine.h"
#include "collect/collection_project.h"
#include "collect/page_text.h"
#include "web/text_between.h"
#include "collect/date_time_format.h"
#include "collect/result_export.h"
#include "collect/toolbox.h"
#include "runtime/code_page.h"
#include "runtime/text_operations.h"

namespace collect {
namespace {

using runtime::T;
using runtime::Text;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

Text Stamp(int year, int month, int day, int hour, int minute, int second) {
  return FormatDateTime(runtime::MakeDateTime(year, month, day, hour, minute, second),
                        Text("yyyy/M/d"), Text(" hh:mm:ss"));
}

TEST(FormatDateTime, StatusStampUsesTwelveHourClockWithoutMarker) {
  EXPECT_EQ(Stamp(2026, 12, 7, 15, 5, 9), "2026/12/7 03:05:09");
  EXPECT_EQ(Stamp(2027, 1, 1, 9, 8, 7), "2027/1/1 09:08:07");
  EXPECT_EQ(Stamp(2026, 6, 30, 0, 0, 0), "2026/6/30 12:00:00");
  EXPECT_EQ(Stamp(2026, 6, 30, 12, 0, 0), "2026/6/30 12:00:00");
  EXPECT_EQ(Stamp(2026, 6, 30, 13, 0, 0), "2026/6/30 01:00:00");
  EXPECT_EQ(Stamp(2024, 2, 29, 23, 59, 59), "2024/2/29 11:59:59");
}

TEST(FormatDateTime, ShortOrAbsentPicturesGiveEmptyParts) {
  runtime::DateTime value = runtime::MakeDateTime(2026, 12, 7, 15, 5, 9);
  EXPECT_EQ(FormatDateTime(value, Text("d"), Text(" hh:mm:ss")), " 03:05:09");
  EXPECT_EQ(FormatDateTime(value, Text("yyyy/M/d"), Text("ss")), "2026/12/7");
  EXPECT_EQ(FormatDateTime(value), "");
  EXPECT_EQ(FormatDateTime(value, Text("yy-MM-dd"), Text("HH'h'mm")), "26-12-0715h05");
  EXPECT_EQ(FormatDateTime(1e9, Text("yyyy/M/d")), "");  // beyond the year 9999
}

TEST(FormatDateTime, DayScaleStartsAt1899) {
  auto fields = ToCalendarFields(0.0);
  ASSERT_TRUE(fields.has_value());
  EXPECT_EQ(fields->year, 1899);
  EXPECT_EQ(fields->month, 12);
  EXPECT_EQ(fields->day, 30);
  fields = ToCalendarFields(2.75);
  ASSERT_TRUE(fields.has_value());
  EXPECT_EQ(fields->day, 1);
  EXPECT_EQ(fields->hour, 18);
}

TEST(PagePreparation, BodyDecodedCutOnlyBetweenBothMarkersAndCleaned) {
  const struct {
    const char* name;
    std::string body;
    bool gbk;
    Text before;
    Text after;
    Text expected;
  } cases[] = {
      {"breaks and tabs go, pairs of spaces halve", "a\r\n\tb    c   d  e f", true, "", "", "ab  c  d e f"},
      {"other white space stays", "x\xA1\xA1\x0Cy", true, "", "", "x\xA1\xA1\x0Cy"},
      {"spaces meet once the break is gone", "a \r\n b", true, "", "", "a b"},
      {"cut between the markers", "<ul class=\"list-item\">x</ul></html>", true, "list-item", "</html>", "\">x</ul>"},
      {"one marker cuts nothing", "<ul class=\"list-item\">x</ul></html>", true, "list-item", "", "<ul class=\"list-item\">x</ul></html>"},
      {"a missing marker leaves nothing", "<ul>x</ul>", true, "missing", "</ul>", ""},
      {"#引号 stands for a double quote", "<a class=\"n\">x</a>", true, T("#引号>"), "</a>", "x"},
      {"gbk taken as it is", "\xD6\xD0" "a", true, "", "", "\xD6\xD0" "a"},
      {"utf8 converted", "中 a  b", false, "", "", "\xD6\xD0 a b"},
      {"up to the first zero byte", std::string("ab\0cd", 5), true, "", "", "ab"},
      {"utf8 up to the first zero byte", std::string("ab\0cd", 5), false, "", "", "ab"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PreparePageText(std::string(c.body), c.gbk, c.before, c.after), c.expected) << c.name;
  }
}

TEST(PagePreparation, InPlaceStepsGiveWhatTheStepsOneCopyAtATimeGive) {
  // Short texts over bytes that matter: breaks, spaces, tabs, lead bytes that pair with what
  // follows them, and the letters of the markers.
  const std::string alphabet = std::string("ab \r\n\t\x81\xA1<>") + '\0';
  std::uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  for (int round = 0; round < 3000; ++round) {
    std::string body;
    for (int i = static_cast<int>(next() % 24); i > 0; --i) body += alphabet[(next() >> 8) % alphabet.size()];
    for (const auto& [before, after] : std::vector<std::pair<Text, Text>>{{"", ""}, {"a", "b"}, {"<", ">"}, {" ", "\x81"}}) {
      Text expected = runtime::ToText(body);
      if (!before.empty()) expected = web::TextBetween(expected, before, after);
      for (const char* gone : {"\n", "\r", "\t"}) {
        expected = runtime::ReplaceSubtext(expected, gone, Text(), std::nullopt, std::nullopt, runtime::Case::Sensitive);
      }
      expected = runtime::ReplaceSubtext(expected, "  ", Text(" "), std::nullopt, std::nullopt, runtime::Case::Sensitive);
      EXPECT_EQ(PreparePageText(std::string(body), true, before, after), expected) << testing::PrintToString(body);
    }
  }
}

// A table of the given column count and rows.
ResultTable Table(int columnCount, const std::vector<std::vector<Text>>& rows) {
  ResultTable table;
  table.AddColumns(std::vector<Text>(static_cast<std::size_t>(columnCount)));
  for (const std::vector<Text>& cells : rows) table.AddRows({Record{cells}});
  return table;
}

TEST(FormatExport, TableAndSeparatorModesLeaveOutColumnZero) {
  const ResultTable one = Table(4, {{"whole", "a", "b<", "c----"}});
  EXPECT_EQ(FormatExport(one, ""), "<tr><td>a</td><td>b<</td><td>c----</td></tr>\r\n");
  EXPECT_EQ(FormatExport(one, "----"), "a----b<----c----\r\n");
  EXPECT_EQ(FormatExport(one, " "), "a b< c----\r\n");
  EXPECT_EQ(FormatExport(Table(1, {{"x"}, {"y"}}), ""), "<tr></tr>\r\n<tr></tr>\r\n");
  EXPECT_EQ(FormatExport(Table(0, {{"x"}, {"y"}}), "-"), "\r\n\r\n");
  EXPECT_EQ(FormatExport(Table(4, {}), ""), "");
  // Columns added after a row was filled read empty in it.
  EXPECT_EQ(FormatExport(Table(4, {{"whole", "a"}}), "|"), "a||\r\n");
}

TEST(ResultTable, CellsOfAnyLengthComeBackWholeAndCopiesAreEqual) {
  const Text overChunk((std::size_t{1} << 20) + 17, '\xB0');
  ResultTable table = Table(3, {{"", Text(200, 'x'), overChunk}, {T("中")}});
  table.AddColumns({"d"});
  EXPECT_EQ(table.ColumnCount(), 4);
  EXPECT_EQ(table.Cell(0, 1), Text(200, 'x'));
  EXPECT_EQ(table.Cell(0, 2), overChunk);
  EXPECT_EQ(table.Cell(0, 3), "");
  EXPECT_EQ(table.Cell(1, 0), T("中"));
  EXPECT_EQ(table.Cell(2, 0), "");
  EXPECT_EQ(table.Cell(-1, 0), "");
  const ResultTable copy = table;
  EXPECT_EQ(copy, table);
  EXPECT_THAT(copy.RowCells(0), ElementsAre("", Text(200, 'x'), overChunk));
  table.Clear();
  EXPECT_EQ(table.RowCount(), 0);
  EXPECT_EQ(table.ColumnCount(), 0);
  EXPECT_FALSE(copy == table);
}

TEST(RecordList, SlicesAndCopiesStayTheirOwnThroughLaterChangesAndSubsets) {
  RecordList records(std::make_shared<const Text>("<a>one</a><a>two</a>"));
  for (const auto& [start, length, address] : {std::tuple{3, 3, "http://h/1"}, {13, 30, "http://h/1"}, {99, 1, "h2"}}) {
    const std::size_t record = records.Size();
    records.AddEmptyRecord(3);
    records.SetSlice(record, 0, static_cast<std::size_t>(start), static_cast<std::size_t>(length));
    records.SetCell(record, 1, address);
  }
  records.SetCell(0, 2, "detail");
  records.AddRecord({"x", "y"});
  RecordList kept = records.Without({false, true});
  kept.SetCell(1, 2, "later");  // to bytes the first list shares
  const std::vector<std::vector<Text>> expected{{"one", "http://h/1", "detail"},
                                                {"two</a>", "http://h/1", ""},
                                                {"", "h2", ""},
                                                {"x", "y"}};
  ASSERT_EQ(records.Size(), expected.size());
  for (std::size_t record = 0; record < expected.size(); ++record) EXPECT_EQ(records.Cells(record), expected[record]);
  EXPECT_EQ(records.Cell(0, 3), "");
  EXPECT_EQ(records.Cell(9, 0), "");
  ASSERT_EQ(kept.Size(), 3u);
  EXPECT_THAT(kept.Cells(0), ElementsAre("one", "http://h/1", "detail"));
  EXPECT_THAT(kept.Cells(1), ElementsAre("", "h2", "later"));
  EXPECT_THAT(kept.Cells(2), ElementsAre("x", "y"));
  ResultTable table;
  table.AddRows(records, 1, 2);
  EXPECT_EQ(table.RowCount(), 2);
  EXPECT_EQ(table.Cell(1, 1), "h2");
}

// Lists longer than the blocks their cells are kept in, copied, moved and cut down: every cell
// where it was, also after the records stop having the same number of cells.
TEST(RecordList, ManyRecordsSurviveCopiesMovesAndSubsets) {
  RecordList records;
  constexpr std::size_t kRecords = 1000;
  for (std::size_t record = 0; record < kRecords; ++record) {
    records.AddRecord({std::to_string(record), "b" + std::to_string(record), "c"});
  }
  records.AddRecord({"last"});
  const RecordList copy = records;
  const RecordList moved = RecordList(RecordList(records));
  std::vector<bool> leftOut(kRecords + 1, false);
  for (std::size_t record = 0; record < kRecords; record += 2) leftOut[record] = true;
  const RecordList odd = records.Without(leftOut);
  ASSERT_EQ(odd.Size(), kRecords / 2 + 1);
  for (const RecordList* list : std::vector<const RecordList*>{&records, &copy, &moved}) {
    ASSERT_EQ(list->Size(), kRecords + 1);
    for (std::size_t record = 0; record < kRecords; record += 97) {
      EXPECT_THAT(list->Cells(record), ElementsAre(std::to_string(record), "b" + std::to_string(record), "c"));
    }
    EXPECT_THAT(list->Cells(kRecords), ElementsAre("last"));
  }
  EXPECT_THAT(odd.Cells(kRecords / 2 - 1), ElementsAre("999", "b999", "c"));
  EXPECT_THAT(odd.Cells(kRecords / 2), ElementsAre("last"));
}

TEST(SettingsForRun, AddressBoxLinesBecomeTheAddresses) {
  const std::pair<const char*, std::vector<Text>> boxes[] = {
      {"", {}},
      {"http://a/1\r\nhttp://a/2", {"http://a/1", "http://a/2"}},
      {"http://a/1\r\n\r\n http://a/2 \r\n", {"http://a/1", "", " http://a/2 "}},
  };
  for (const auto& [box, addresses] : boxes) {
    CollectionProject project;
    project.addressText = box;
    EXPECT_EQ(SettingsForRun(project).addresses, addresses) << box;
  }
  CollectionProject project;
  project.encoding = PageEncoding::Auto;
  project.fetching = {1, 2, std::chrono::milliseconds(3)};
  const CollectionSettings settings = SettingsForRun(project, {.maxPageBytes = 5});
  EXPECT_EQ(settings.rule, project.rule);
  EXPECT_EQ(settings.before, project.before);
  EXPECT_EQ(settings.encoding, PageEncoding::Auto);
  EXPECT_EQ(settings.fetching.delay, std::chrono::milliseconds(3));
  EXPECT_EQ(settings.maxPageBytes, 5);
  EXPECT_EQ(SettingsForRun(project, {.maxPageBytes = std::int64_t{4096} << 20}).maxPageBytes, std::int64_t{2047} << 20)
      << "a page stays below 2 GiB whatever the caller asks";
}

TEST(FirstAddress, TextBeforeTheFirstLineBreak) {
  EXPECT_EQ(FirstAddress("http://a/1\r\nhttp://a/2"), "http://a/1");
  EXPECT_EQ(FirstAddress("\r\nhttp://a/2"), "");
  EXPECT_EQ(FirstAddress("http://a/1"), "http://a/1");  // a single line is the first line
  EXPECT_EQ(FirstAddress(""), "");
}

TEST(AddressSeries, NumbersAndRefusals) {
  EXPECT_THAT(PlanAddressSeries(1, 10, 2).numbers, ElementsAre(1, 3, 5, 7, 9));
  EXPECT_THAT(PlanAddressSeries(0, 2, 1).numbers, ElementsAre(0, 1, 2));
  EXPECT_THAT(PlanAddressSeries(5, 4, 1).numbers, IsEmpty());
  EXPECT_TRUE(PlanAddressSeries(5, 4, 0).refusal.empty());  // nothing to generate, nothing refused
  EXPECT_THAT(PlanAddressSeries(-2, 0, 1).numbers, ElementsAre(-2, -1, 0));
  EXPECT_THAT(PlanAddressSeries(2147483646, 2147483647, 5).numbers, ElementsAre(2147483646));

  AddressSeries zeroStep = PlanAddressSeries(1, 10, 0);
  EXPECT_THAT(zeroStep.numbers, IsEmpty());
  EXPECT_FALSE(zeroStep.refusal.empty());
  EXPECT_FALSE(PlanAddressSeries(1, 10, -1).refusal.empty());
  EXPECT_EQ(PlanAddressSeries(1, 100000, 1).numbers.size(), 100000u);
  AddressSeries tooMany = PlanAddressSeries(1, 100001, 1);
  EXPECT_THAT(tooMany.numbers, IsEmpty());
  EXPECT_NE(runtime::TextToUtf8(tooMany.refusal).find("100001"), std::string::npos);
}

}  // namespace
}  // namespace collect
