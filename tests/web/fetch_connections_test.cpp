// How Fetch uses connections and time: keep-alive reuse, the bound on parallel connections, a
// quick end on cancel, and the second try a Retry-After asks for.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/support/loopback_server.h"
#include "web/fetch.h"

namespace {

using namespace std::chrono_literals;
using test_support::HttpResponse;
using test_support::HttpResponseHead;
using test_support::LoopbackServer;
using test_support::RawReply;
using test_support::ReceivedRequest;
using test_support::Reply;
using web::FetchFailure;

web::FetchResponse Get(const std::string& address, web::TransferSettings settings = {}) {
  web::FetchRequest request;
  request.address = address;
  request.settings = std::move(settings);
  return web::Fetch(request);
}

Reply KeepAlive(std::string body) { return RawReply(HttpResponse(200, body, {"Connection: keep-alive"})); }

TEST(FetchConnections, SameOriginReusesOneConnectionWithTheSameBytes) {
  LoopbackServer server;
  server.Serve("/a", KeepAlive("first"));
  server.Serve("/b", KeepAlive("second"));
  EXPECT_EQ(Get(server.Url("/a")).body, "first");
  EXPECT_EQ(Get(server.Url("/b")).body, "second");
  EXPECT_EQ(Get(server.Url("/a")).body, "first");
  std::vector<ReceivedRequest> requests = server.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(server.ConnectionCount(), 1u);
  for (const ReceivedRequest& request : requests) EXPECT_EQ(request.connection, 1);
  EXPECT_EQ(requests[2].raw, requests[0].raw);
}

TEST(FetchConnections, AnswerThatClosesIsNotReused) {
  LoopbackServer server;
  server.Serve("/c", HttpResponse(200, "closing"));
  Get(server.Url("/c"));
  Get(server.Url("/c"));
  EXPECT_EQ(server.ConnectionCount(), 2u);
  EXPECT_EQ(server.PeakOpenConnections(), 1u);
}

TEST(FetchConnections, ParallelFetchesNeverOpenMoreConnectionsThanRunAtOnce) {
  constexpr int kThreads = 3;
  constexpr int kFetchesEach = 4;
  LoopbackServer server;
  Reply slow = KeepAlive("page");
  slow.delay = 20ms;
  server.Serve("/p", slow);
  std::atomic<int> complete = 0;
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t) {
    workers.emplace_back([&] {
      for (int i = 0; i < kFetchesEach; ++i) complete += Get(server.Url("/p")).body == "page" ? 1 : 0;
    });
  }
  for (std::thread& worker : workers) worker.join();
  EXPECT_EQ(complete, kThreads * kFetchesEach);
  EXPECT_LE(server.ConnectionCount(), static_cast<size_t>(kThreads));
  EXPECT_LE(server.PeakOpenConnections(), static_cast<size_t>(kThreads));
}

// The cancel hook turns true while the server sends nothing; the call must end well before the
// default inactivity limit (30 s), within a second.
TEST(FetchConnections, CancelEndsASilentTransferQuickly) {
  LoopbackServer server;
  std::string head = HttpResponseHead(200, 100);
  Reply stalls = RawReply(head + std::string(100, 'x'));
  stalls.cutAfter = head.size() + 4;
  stalls.ending = Reply::Ending::StaySilent;
  server.Serve("/stall", stalls);
  std::atomic<bool> cancel = false;
  web::TransferSettings settings;
  settings.cancelRequested = [&] { return cancel.load(); };
  std::chrono::steady_clock::time_point cancelledAt;
  std::thread canceller([&] {
    while (server.RequestCount() == 0) std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(100ms);
    cancelledAt = std::chrono::steady_clock::now();
    cancel = true;
  });
  web::FetchResponse response = Get(server.Url("/stall"), settings);
  auto ended = std::chrono::steady_clock::now();
  canceller.join();
  EXPECT_EQ(response.failure, FetchFailure::Cancelled);
  EXPECT_EQ(response.body, "xxxx");
  EXPECT_LT(ended - cancelledAt, 1s);
}

// The caller has no room for more than 1 MiB of the body for 600 ms, longer than both limits; the
// transfer waits, paused, asking again about every 50 ms (not in a busy loop), and then completes
// whole.
TEST(FetchConnections, PausedBodyWaitsWithoutTrippingTheLimits) {
  constexpr std::int64_t kRoom = 1 << 20;
  LoopbackServer server;
  const std::string body(4 << 20, 'b');
  server.Serve("/big", HttpResponse(200, body));
  std::atomic<bool> roomForAll = false;
  std::atomic<int> refusals = 0;
  std::atomic<std::int64_t> heldWhileShort = 0;
  web::TransferSettings settings;
  settings.inactivityLimit = 100ms;
  settings.totalTimeLimit = 300ms;
  settings.mayHoldBody = [&](std::int64_t size) {
    if (roomForAll) return true;
    if (size > kRoom) return ++refusals, false;
    heldWhileShort = size;
    return true;
  };
  std::thread later([&] {
    std::this_thread::sleep_for(600ms);
    roomForAll = true;
  });
  web::FetchResponse response = Get(server.Url("/big"), settings);
  later.join();
  EXPECT_EQ(response.failure, FetchFailure::None) << response.message;
  EXPECT_EQ(response.body.size(), body.size());
  EXPECT_LE(heldWhileShort, kRoom);
  EXPECT_GT(refusals, 5);
  EXPECT_LT(refusals, 60);
}

struct RetryCase {
  std::string name;
  int firstStatus;
  std::string retryAfter;
  bool honour;
  size_t expectedRequests;
  int expectedStatus;
  std::chrono::milliseconds minimumTime;
};

TEST(FetchRetryAfter, BusyAnswerIsAskedOnceMoreWhenTheWaitIsShort) {
  const std::vector<RetryCase> cases = {
      {"429 after one second", 429, "1", true, 2, 200, 900ms},
      {"503 at once", 503, "0", true, 2, 200, 0ms},
      {"not honoured", 429, "0", false, 1, 429, 0ms},
      {"wait over the bound", 429, "61", true, 1, 429, 0ms},
      {"other status", 500, "0", true, 1, 500, 0ms},
      {"unreadable wait", 503, "soon", true, 1, 503, 0ms},
  };
  for (const RetryCase& c : cases) {
    SCOPED_TRACE(c.name);
    LoopbackServer server;
    server.SetHandler([&](const ReceivedRequest&) {
      return RawReply(server.RequestCount() == 1 ? HttpResponse(c.firstStatus, "busy", {"Retry-After: " + c.retryAfter})
                                                 : HttpResponse(200, "done"));
    });
    web::FetchRequest request;
    request.address = server.Url("/r");
    request.honourRetryAfter = c.honour;
    auto start = std::chrono::steady_clock::now();
    web::FetchResponse response = web::Fetch(request);
    EXPECT_EQ(server.RequestCount(), c.expectedRequests);
    EXPECT_EQ(response.waitedRetryAfter, c.expectedRequests == 2);
    EXPECT_EQ(response.status, c.expectedStatus);
    EXPECT_EQ(response.failure, FetchFailure::None);
    EXPECT_GE(std::chrono::steady_clock::now() - start, c.minimumTime);
  }
}

TEST(FetchRetryAfter, CancelDuringTheWaitEndsIt) {
  LoopbackServer server;
  server.Serve("/busy", HttpResponse(429, "busy", {"Retry-After: 60"}));
  web::FetchRequest request;
  request.address = server.Url("/busy");
  request.honourRetryAfter = true;
  auto start = std::chrono::steady_clock::now();
  request.settings.cancelRequested = [&] { return std::chrono::steady_clock::now() - start > 300ms; };
  web::FetchResponse response = web::Fetch(request);
  EXPECT_EQ(response.failure, FetchFailure::Cancelled);
  EXPECT_EQ(response.status, 429);
  EXPECT_EQ(server.RequestCount(), 1u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1300ms);
}

}  // namespace
