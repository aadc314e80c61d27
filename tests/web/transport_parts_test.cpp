// The transport's pieces that need no network: header lines for libcurl, the answer collector,
// the transfer watch, the failure messages and the Retry-After wait.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "web/request_header_lines.h"
#include "web/retry_after.h"
#include "web/response_collector.h"
#include "web/transfer_failure.h"
#include "web/transfer_watch.h"
#include "runtime/code_page.h"

namespace {

using namespace std::chrono_literals;
using testing::ElementsAre;

TEST(CurlHeaderLines, SendsTheBlockLineByLineAndKeepsLibcurlDefaultsOut) {
  EXPECT_THAT(web::CurlHeaderLines("A: 1\r\n\r\nB: 2", false), ElementsAre("A: 1", "B: 2", "Accept:", "Expect:"));
  EXPECT_THAT(web::CurlHeaderLines("accept: x\r\nexpect: y", true), ElementsAre("accept: x", "expect: y", "Content-Type:"));
  EXPECT_THAT(web::CurlHeaderLines("content-type: t", true), ElementsAre("content-type: t", "Accept:", "Expect:"));
}

TEST(CurlHeaderLines, LoneLineBreaksEndLinesAndLinesWithoutNameGo) {
  EXPECT_THAT(web::CurlHeaderLines("A: 1\nInjected: 2\rnot a header\r\n:odd", false),
              ElementsAre("A: 1", "Injected: 2", "Accept:", "Expect:"));
}

TEST(CurlHeaderLines, BlankValueUsesTheSemicolonForm) {
  EXPECT_THAT(web::CurlHeaderLines("X-Empty:  \r\nAccept: */*\r\nExpect:", false), ElementsAre("X-Empty;", "Accept: */*", "Expect;"));
}

TEST(ResponseCollector, KeepsOnlyTheFinalBlockInWindowsForm) {
  web::ResponseCollector collector;
  for (const char* line : {"HTTP/1.1 100 Continue\r\n", "\r\n", "HTTP/1.1 200 OK\n", "A: 1\n", "\n", "Trailer: x\r\n"})
    collector.AddHeaderLine(line);
  EXPECT_TRUE(collector.Answered());
  EXPECT_EQ(collector.StatusCode(), 200);
  EXPECT_EQ(collector.HeaderBlock(), "HTTP/1.1 200 OK\r\nA: 1\r\n\r\n");
}

TEST(ResponseCollector, IncompleteBlockIsNoAnswer) {
  web::ResponseCollector collector;
  collector.AddHeaderLine("\r\n");
  EXPECT_FALSE(collector.Answered());
  collector.AddHeaderLine("HTTP/1.1 302 Found\r\n");
  collector.AddHeaderLine("Location: /x\r\n");
  EXPECT_FALSE(collector.Answered());
  EXPECT_EQ(collector.StatusCode(), 302);
  collector.AddBodyBytes("b");
  collector.Clear();
  EXPECT_EQ(collector.HeaderBlock(), "");
  EXPECT_EQ(collector.TakeBody(), "");
}

using Stop = web::TransferWatch::Stop;

TEST(TransferWatch, InactivityCountsOnlyOnceConnected) {
  web::TransferSettings settings;
  settings.inactivityLimit = 100ms;
  auto t0 = web::TransferWatch::Clock::time_point() + 1h;
  web::TransferWatch watch(settings, t0);
  EXPECT_EQ(watch.Check(t0 + 10s, 0, 0), Stop::None);
  watch.Connected(t0 + 10s);
  EXPECT_EQ(watch.Check(t0 + 10s + 100ms, 0, 0), Stop::None);
  EXPECT_EQ(watch.Check(t0 + 10s + 150ms, 5, 0), Stop::None);
  EXPECT_EQ(watch.Check(t0 + 10s + 240ms, 5, 0), Stop::None);
  watch.Activity(t0 + 10s + 240ms);
  EXPECT_EQ(watch.Check(t0 + 10s + 330ms, 5, 0), Stop::None);
  EXPECT_EQ(watch.Check(t0 + 10s + 341ms, 5, 0), Stop::Inactive);
  watch.Connecting();
  EXPECT_EQ(watch.Check(t0 + 20s, 5, 0), Stop::None);
}

TEST(TransferWatch, WholeTransferLimitHoldsHoweverSteadilyBytesMove) {
  web::TransferSettings settings;
  settings.totalTimeLimit = 1s;
  auto t0 = web::TransferWatch::Clock::time_point() + 1h;
  web::TransferWatch watch(settings, t0);
  watch.Connected(t0);
  EXPECT_EQ(watch.Check(t0 + 1s, 1, 0), Stop::None);
  EXPECT_EQ(watch.Check(t0 + 1001ms, 2, 0), Stop::TooLong);
}

TEST(TransferWatch, TimePausedCountsTowardNeitherLimit) {
  web::TransferSettings settings;
  settings.inactivityLimit = 100ms;
  settings.totalTimeLimit = 1s;
  auto t0 = web::TransferWatch::Clock::time_point() + 1h;
  web::TransferWatch watch(settings, t0);
  watch.Connected(t0);
  watch.Paused(t0 + 50ms);
  EXPECT_EQ(watch.Check(t0 + 10s, 0, 0), Stop::None);
  watch.Resumed(t0 + 10s);
  EXPECT_EQ(watch.Check(t0 + 10s + 100ms, 0, 0), Stop::None);
  EXPECT_EQ(watch.Check(t0 + 10s + 101ms, 0, 0), Stop::Inactive);
  watch.Activity(t0 + 10s + 900ms);
  EXPECT_EQ(watch.Check(t0 + 10s + 950ms, 0, 0), Stop::None);
  EXPECT_EQ(watch.Check(t0 + 10s + 951ms, 0, 0), Stop::TooLong);
}

TEST(TransferWatch, CancelHookStopsAtOnce) {
  bool cancel = false;
  web::TransferSettings settings;
  settings.cancelRequested = [&] { return cancel; };
  auto now = web::TransferWatch::Clock::now();
  web::TransferWatch watch(settings, now);
  EXPECT_EQ(watch.Check(now, 0, 0), Stop::None);
  cancel = true;
  EXPECT_EQ(watch.Check(now, 0, 0), Stop::Cancelled);
}

TEST(TransferFailure, LimitMessagesNameTheLimit) {
  EXPECT_EQ(web::InactivityMessage(30s), runtime::T("30 秒无数据"));
  EXPECT_EQ(web::InactivityMessage(1500ms), runtime::T("1.5 秒无数据"));
  EXPECT_EQ(web::TotalTimeMessage(5min), runtime::T("传输超过 300 秒"));
  EXPECT_EQ(web::TotalTimeMessage(250ms), runtime::T("传输超过 0.25 秒"));
  EXPECT_EQ(web::PageTooLargeMessage(std::int64_t{256} << 20), runtime::T("网页超过 256 MB"));
  EXPECT_EQ(web::CookieTooLargeMessage(64 * 1024), runtime::T("Cookie 超过 64 KB"));
  EXPECT_EQ(web::CookieTooLargeMessage(1000), runtime::T("Cookie 超过 1000 字节"));
}

TEST(RetryAfterDelay, Cases) {
  const auto now = std::chrono::system_clock::from_time_t(1700000000);  // Tue, 14 Nov 2023 22:13:20 GMT
  const struct {
    std::string block;
    std::optional<std::chrono::seconds> wait;
  } cases[] = {
      {"HTTP/1.1 429 Too Many Requests\r\nRetry-After: 5\r\n\r\n", 5s},
      {"HTTP/1.1 503 x\r\nretry-after:  60 \r\n\r\n", 60s},
      {"HTTP/1.1 503 x\r\nRetry-After: 61\r\n\r\n", std::nullopt},
      {"HTTP/1.1 503 x\r\nRetry-After: Tue, 14 Nov 2023 22:13:50 GMT\r\n\r\n", 30s},
      {"HTTP/1.1 503 x\r\nRetry-After: Tue, 14 Nov 2023 22:00:00 GMT\r\n\r\n", 0s},
      {"HTTP/1.1 503 x\r\nRetry-After: soon\r\n\r\n", std::nullopt},
      {"HTTP/1.1 503 x\r\nX-Retry-After: 5\r\n\r\n", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.block);
    EXPECT_EQ(web::RetryAfterDelay(c.block, now, 60s), c.wait);
  }
}

}  // namespace
