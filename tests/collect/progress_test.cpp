// A run's progress: the words both front ends show, and the time left from the rate of the last
// pages, on a clock the test moves.
#include <gtest/gtest.h>

#include <optional>

#include "collect/progress_meter.h"
#include "collect/status_texts.h"
#include "runtime/code_page.h"

namespace collect {
namespace {

using std::chrono::seconds;

TEST(ProgressText, SaysPagesFailuresRowsAndTimeLeft) {
  const struct {
    ProgressFigures figures;
    const char* text;
  } cases[] = {
      // pages done, page count, failed, rows, time left
      {{0, 8, 0, 0, std::nullopt}, "0 / 8 页"},
      {{1, 8, 0, 20, std::nullopt}, "1 / 8 页，取到 20 条"},
      {{3, 10, 1, 42, seconds(170)}, "3 / 10 页，失败 1，取到 42 条，剩余约 3 分钟"},
      {{2, 9, 2, 0, seconds(0)}, "2 / 9 页，失败 2，取到 0 条，剩余约 5 秒"},
  };
  for (const auto& c : cases) EXPECT_EQ(runtime::TextToUtf8(ProgressText(c.figures)), c.text);
}

TEST(TimeLeftText, RoundFiguresFromSecondsToHours) {
  const struct {
    int seconds;
    const char* text;
  } cases[] = {{0, "5 秒"},          {6, "10 秒"},          {55, "55 秒"},        {56, "1 分钟"},
               {89, "1 分钟"},       {90, "2 分钟"},        {3569, "59 分钟"},    {3570, "1 小时"},
               {7500, "2 小时 5 分钟"}, {108000, "30 小时"}};
  for (const auto& c : cases) EXPECT_EQ(runtime::TextToUtf8(TimeLeftText(seconds(c.seconds))), c.text) << c.seconds;
}

TEST(ProgressMeter, TimeLeftFollowsTheRateOfTheLastPages) {
  ProgressMeter meter;
  const ProgressMeter::Clock::time_point start;
  auto at = [&](int second) { return start + seconds(second); };
  meter.RunStarted(30, at(0));
  EXPECT_FALSE(meter.Figures(at(5)).timeLeft) << "no page done yet";
  // Ten slow pages, a minute each, then ten fast ones, a second each.
  for (int page = 1; page <= 20; ++page) {
    const int second = page <= 10 ? page * 60 : 600 + (page - 10);
    meter.PageStarted(RunProgress{page + 1, 30, page, 1}, at(second));
  }
  meter.RowsFound(7);
  meter.RowsFound(5);
  ProgressFigures figures = meter.Figures(at(610));
  EXPECT_EQ(figures.pagesDone, 20);
  EXPECT_EQ(figures.pagesFailed, 1);
  EXPECT_EQ(figures.rowsFound, 12);
  EXPECT_EQ(figures.timeLeft, seconds(10)) << "ten pages left at the last ten pages' second each";
  // A page that takes long slows the estimate while it lasts.
  EXPECT_EQ(meter.Figures(at(620)).timeLeft, seconds(20));

  RunSummary summary;
  summary.pageCount = 30;
  summary.pagesDone = 30;
  summary.pagesFailed = 2;
  meter.RunFinished(summary);
  figures = meter.Figures(at(700));
  EXPECT_EQ(figures.pagesDone, 30);
  EXPECT_EQ(figures.pagesFailed, 2);
  EXPECT_FALSE(figures.timeLeft) << "nothing left";
}

}  // namespace
}  // namespace collect
