// What Fetch reports when an exchange goes wrong, one case per way, against the loopback server;
// and the addresses it refuses to fetch.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "runtime/code_page.h"
#include "tests/support/loopback_server.h"
#include "web/fetch.h"
#include "web/transport.h"

namespace {

using namespace std::chrono_literals;
using test_support::HttpResponse;
using test_support::HttpResponseHead;
using test_support::LoopbackServer;
using test_support::RawReply;
using test_support::Reply;
using web::FetchFailure;

// A port on which nobody listens: a server's, after it has stopped.
int ClosedPort() {
  LoopbackServer server;
  return server.Port();
}

Reply CutReply(std::size_t announced, std::size_t sent) {
  std::string head = HttpResponseHead(200, announced);
  Reply reply = RawReply(head + std::string(announced, 'x'));
  reply.cutAfter = head.size() + sent;
  return reply;
}

// A head announcing a body of that length, the first bytes of it, then silence.
Reply Announcing(std::size_t length, std::string start) {
  Reply reply = RawReply(HttpResponseHead(200, length) + start);
  reply.ending = Reply::Ending::StaySilent;
  return reply;
}

Reply SilentReply() {
  Reply reply;
  reply.ending = Reply::Ending::StaySilent;
  return reply;
}

// A body without announced length that would run to 64 GiB, or a byte every 20 ms, as asked.
Reply StreamReply(std::size_t block, std::chrono::milliseconds pause) {
  Reply reply = RawReply("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
  reply.repeatedBlock = std::string(block, 's');
  reply.repeatCount = (std::size_t{64} << 30) / block;
  reply.blockPause = pause;
  return reply;
}

std::string HeadWithHeaderLines(int count, std::size_t valueLength) {
  std::vector<std::string> lines;
  for (int i = 0; i < count; ++i) lines.push_back("X-Pad-" + std::to_string(i) + ": " + std::string(valueLength, 'p'));
  return HttpResponse(200, "body", lines);
}

struct FailureCase {
  std::string name;
  Reply reply;                                         // served at the case's own path
  std::function<void(web::TransferSettings&)> limits;  // may be empty
  FetchFailure failure;
  int status;
  std::optional<std::string> body;  // none: not checked (how much of a drip arrives is timing)
  std::string message;              // UTF-8; empty: not checked
};

TEST(FetchFailures, EachWayAnExchangeEndsHasItsKind) {
  const std::vector<FailureCase> cases = {
      {"404 is an answer", RawReply(HttpResponse(404, "gone")), {}, FetchFailure::None, 404, "gone", ""},
      {"silence after the request", SilentReply(), [](auto& s) { s.inactivityLimit = 200ms; }, FetchFailure::TimedOut, 0,
       "", "0.2 秒无数据"},
      {"cut before the announced end", CutReply(100, 10), {}, FetchFailure::CutOff, 200, std::string(10, 'x'), ""},
      {"redirect loop", RawReply(HttpResponse(302, "round again", {"Location: /case-3"})), {},
       FetchFailure::TooManyRedirects, 302, "round again", "重定向超过 20 次"},
      {"reply that is not HTTP", RawReply("SSH-2.0-OpenSSH_9.2\r\n"), {}, FetchFailure::NotHttp, 0, "", ""},
      {"endless body over the size limit", StreamReply(64 * 1024, 0ms), [](auto& s) { s.maxBodyBytes = 1 << 20; },
       FetchFailure::PageTooLarge, 200, "", "网页超过 1 MB"},
      {"announced body over the size limit", Announcing(std::size_t{1} << 30, "abc"),
       [](auto& s) { s.maxBodyBytes = 4999; s.inactivityLimit = 2s; }, FetchFailure::PageTooLarge, 200, "",
       "网页超过 4999 字节"},
      {"body announced past 2 GiB, whatever the limit asked", Announcing(std::size_t{3} << 30, "abc"),
       [](auto& s) { s.maxBodyBytes = std::int64_t{4} << 30; s.inactivityLimit = 2s; }, FetchFailure::PageTooLarge,
       200, "", "网页超过 2047 MB"},
      {"drip past the whole-transfer limit", StreamReply(1, 20ms), [](auto& s) { s.totalTimeLimit = 300ms; },
       FetchFailure::TransferTooLong, 200, std::nullopt, "传输超过 0.3 秒"},
      {"header block over the client's limit", RawReply(HeadWithHeaderLines(300, 1000)), {},
       FetchFailure::HeadersTooLarge, 0, "", "响应头太大"},
      {"one header line over libcurl's limit", RawReply(HeadWithHeaderLines(1, 120 * 1024)), {},
       FetchFailure::HeadersTooLarge, 0, "", "响应头太大"},
      {"cancelled before it starts", RawReply(HttpResponse(200, "never")),
       [](auto& s) { s.cancelRequested = [] { return true; }; }, FetchFailure::Cancelled, 0, "", "已取消"},
  };
  LoopbackServer server;
  for (size_t i = 0; i < cases.size(); ++i) {
    const FailureCase& c = cases[i];
    SCOPED_TRACE(c.name);
    std::string path = "/case-" + std::to_string(i);
    server.Serve(path, c.reply);
    web::FetchRequest request;
    request.address = server.Url(path);
    if (c.limits) c.limits(request.settings);
    web::FetchResponse response = web::Fetch(request);
    EXPECT_EQ(response.failure, c.failure);
    EXPECT_EQ(response.status, c.status);
    EXPECT_EQ(response.body, c.body.value_or(response.body));
    EXPECT_EQ(response.message.empty(), c.failure == FetchFailure::None);
    EXPECT_EQ(response.message, c.message.empty() ? response.message : runtime::T(c.message));
  }
  EXPECT_EQ(server.Requests().size(), cases.size() - 1 + web::kMaxRedirects);
}

TEST(FetchFailures, ClosedPortIsRefusedInTheSystemsWords) {
  web::FetchRequest request;
  request.address = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/";
  web::FetchResponse response = web::Fetch(request);
  EXPECT_EQ(response.failure, FetchFailure::CouldNotConnect);
  EXPECT_EQ(response.message, "Connection refused");
  EXPECT_EQ(response.headerBlock, "");
}

TEST(FetchAddresses, OtherSchemesAndLineBreaksSendNothing) {
  LoopbackServer server;
  const std::string inner = "http://" + server.Authority() + "/";
  for (const std::string& address : {"gopher://a.invalid/?" + inner, "ftp://a.invalid/" + inner,
                                     "FILE:///etc/passwd?" + inner, inner + "\r\nX-Injected: yes"}) {
    SCOPED_TRACE(address);
    web::FetchRequest request;
    request.address = address;
    web::FetchResponse response = web::Fetch(request);
    EXPECT_EQ(response.failure, FetchFailure::UnsupportedAddress);
    EXPECT_EQ(response.message, runtime::T("不支持的网址"));
  }
  EXPECT_EQ(server.ConnectionCount(), 0u);
}

TEST(FetchAddresses, RedirectToAnotherSchemeFailsAndFetchesNothing) {
  LoopbackServer target;
  LoopbackServer server;
  const std::string port = std::to_string(target.Port());
  for (const std::string& location : {"ftp://127.0.0.1:" + port + "/f", std::string("file:///etc/passwd"),
                                      "gopher://127.0.0.1:" + port + "/", "FTP://127.0.0.1:" + port + "/"}) {
    SCOPED_TRACE(location);
    server.Serve("/from", HttpResponse(302, "moved", {"Location: " + location}));
    web::FetchRequest request;
    request.address = server.Url("/from");
    web::FetchResponse response = web::Fetch(request);
    EXPECT_EQ(response.failure, FetchFailure::UnsupportedAddress);
    EXPECT_EQ(response.message, runtime::T("不支持的网址"));
    EXPECT_EQ(response.status, 302);
    request.followRedirects = false;
    EXPECT_EQ(web::Fetch(request).failure, FetchFailure::None);
  }
  EXPECT_EQ(target.ConnectionCount(), 0u);
}

TEST(FetchAddresses, CookieOverTheLimitSendsNothing) {
  LoopbackServer server;
  server.Serve("/c", HttpResponse(200, "ok"));
  web::FetchRequest request;
  request.address = server.Url("/c");
  request.cookies = "a=" + std::string(web::kMaxCookieBytes - 2, 'x');
  EXPECT_EQ(web::Fetch(request).failure, FetchFailure::None);
  ASSERT_EQ(server.RequestCount(), 1u);
  EXPECT_EQ(server.Requests()[0].Header("Cookie"), request.cookies);
  request.cookies += "x";
  web::FetchResponse refused = web::Fetch(request);
  EXPECT_EQ(refused.failure, FetchFailure::CookieTooLarge);
  EXPECT_EQ(refused.message, runtime::T("Cookie 超过 64 KB"));
  EXPECT_EQ(server.ConnectionCount(), 1u);
}

TEST(FetchAddresses, UserInformationIsNotTakenForTheHost) {
  LoopbackServer target;
  LoopbackServer proxy;
  proxy.SetHandler([](const auto&) { return RawReply(HttpResponse(200, "via proxy")); });
  web::FetchRequest request;
  request.address = "http://" + target.Authority() + "@a.invalid/page";
  request.proxy = proxy.Authority();
  web::FetchResponse response = web::Fetch(request);
  EXPECT_EQ(response.body, "via proxy");
  ASSERT_EQ(proxy.RequestCount(), 1u);
  EXPECT_EQ(proxy.Requests()[0].requestLine, "GET http://a.invalid/page HTTP/1.1");
  EXPECT_EQ(target.ConnectionCount(), 0u);
}

TEST(FetchAddresses, Ipv6LiteralInAnyFormReachesTheServer) {
  std::unique_ptr<LoopbackServer> server;
  try {
    server = std::make_unique<LoopbackServer>(LoopbackServer::Options{.ipv6 = true});
  } catch (const std::runtime_error&) {
    GTEST_SKIP() << "no ::1 on this system";
  }
  server->Serve("/six", HttpResponse(200, "over ipv6"));
  const std::string port = std::to_string(server->Port());
  for (const std::string& address : {server->Url("/six"), "http://[0::1]:" + port + "/six", "[::0:1]:" + port + "/six",
                                     "http://[0:0:0:0:0:0:0:1]:" + port + "/six", std::string("http://[::FFFF:7F00:1]:1/six")}) {
    SCOPED_TRACE(address);
    web::FetchRequest request;
    request.address = address;
    web::FetchResponse response = web::Fetch(request);
    if (address.ends_with(":1/six")) {
      EXPECT_EQ(response.failure, FetchFailure::CouldNotConnect) << response.message;
      continue;
    }
    EXPECT_EQ(response.failure, FetchFailure::None) << response.message;
    EXPECT_EQ(response.body, "over ipv6");
    EXPECT_EQ(server->Requests().back().Header("Host"), server->Authority());
  }
  EXPECT_EQ(server->RequestCount(), 4u);
}

}  // namespace
