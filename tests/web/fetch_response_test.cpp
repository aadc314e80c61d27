// What Fetch hands back of an answer: the body, the raw header block and the final address, after
// redirects or without them, directly or through a proxy, and when the connection never completes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/support/loopback_server.h"
#include "tests/web/fetch_test_helpers.h"

namespace {

using namespace std::chrono_literals;
using test_support::HttpResponse;
using test_support::LoopbackServer;
using test_support::ReceivedRequest;
using testing::StartsWith;
using web_test::FetchWith;

TEST(FetchResponse, BodyAndHeaderBlockOfTheAnswer) {
  LoopbackServer server;
  const std::string body("bin\0ary\xff", 8);
  server.Serve("/data", HttpResponse(200, body, {"X-Kind: test"}));
  web::FetchResponse response = FetchWith(server.Url("/data"));
  EXPECT_EQ(response.body, body);
  EXPECT_EQ(response.status, 200);
  EXPECT_EQ(response.headerBlock, "HTTP/1.1 200 OK\r\nX-Kind: test\r\nContent-Length: 8\r\nConnection: close\r\n\r\n");
}

TEST(FetchResponse, HeaderLinesEndedByLineFeedAloneComeBackWithCarriageReturns) {
  LoopbackServer server;
  server.Serve("/lf", "HTTP/1.1 200 OK\nContent-Length: 2\nConnection: close\n\nhi");
  web::FetchResponse response = FetchWith(server.Url("/lf"));
  EXPECT_EQ(response.body, "hi");
  EXPECT_EQ(response.headerBlock, "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\n");
}

TEST(FetchResponse, RedirectIsFollowedAndTheFinalAnswerReported) {
  LoopbackServer server;
  server.Serve("/old", HttpResponse(302, "moved", {"Location: /new?x=1", "Set-Cookie: hop=1"}));
  server.Serve("/new?x=1", HttpResponse(200, "arrived"));
  web::FetchResponse response = FetchWith(server.Url("/old"));
  EXPECT_EQ(response.body, "arrived");
  EXPECT_THAT(response.headerBlock, StartsWith("HTTP/1.1 200 OK\r\n"));
  EXPECT_EQ(response.finalAddress, server.Url("/new?x=1"));
  std::vector<ReceivedRequest> requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].requestLine, "GET /new?x=1 HTTP/1.1");
  EXPECT_EQ(requests[1].Header("Referer"), server.Url("/old"));
}

TEST(FetchResponse, WithoutRedirectsTheRedirectAnswerIsTheAnswer) {
  LoopbackServer server;
  server.Serve("/old", HttpResponse(301, "moved", {"Location: /new"}));
  web::FetchResponse response = FetchWith(server.Url("/old"), [](web::FetchRequest& r) { r.followRedirects = false; });
  EXPECT_EQ(response.body, "moved");
  EXPECT_EQ(response.status, 301);
  EXPECT_EQ(server.RequestCount(), 1u);
}

TEST(FetchResponse, RedirectAfterPostKeepsOrDropsTheBodyByStatus) {
  struct Case {
    int status;
    std::string expectedLine;
    std::string expectedBody;
  };
  for (const Case& c : {Case{303, "GET /to HTTP/1.1", ""}, Case{302, "GET /to HTTP/1.1", ""},
                        Case{307, "POST /to HTTP/1.1", "f=1"}, Case{308, "POST /to HTTP/1.1", "f=1"}}) {
    SCOPED_TRACE(c.status);
    LoopbackServer server;
    server.Serve("/from", HttpResponse(c.status, "", {"Location: /to"}));
    server.Serve("/to", HttpResponse(200, "done"));
    web::FetchResponse response = FetchWith(server.Url("/from"), [](web::FetchRequest& r) {
      r.method = web::FetchMethod::Post;
      r.body = "f=1";
    });
    EXPECT_EQ(response.body, "done");
    ASSERT_EQ(server.RequestCount(), 2u);
    EXPECT_EQ(server.Requests()[1].requestLine, c.expectedLine);
    EXPECT_EQ(server.Requests()[1].body, c.expectedBody);
  }
}

// A listener that never accepts, its queue already full: the system drops further connection
// attempts, so a connect to it never completes.
class FullListener {
public:
  FullListener() : listener_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener_, 0);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    for (int& filler : fillers_) {
      filler = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
  }
  ~FullListener() {
    for (int filler : fillers_) close(filler);
    close(listener_);
  }
  int Port() const { return port_; }

private:
  int listener_;
  int port_ = 0;
  int fillers_[4] = {};
};

TEST(FetchResponse, ConnectionThatNeverCompletesEndsAtTheConnectTimeout) {
  FullListener listener;
  web::FetchResponse response = FetchWith("127.0.0.1:" + std::to_string(listener.Port()) + "/",
                                          [](web::FetchRequest& r) { r.settings.connectTimeout = 200ms; });
  EXPECT_EQ(response.failure, web::FetchFailure::CouldNotConnect);
  EXPECT_EQ(response.body, "");
  EXPECT_EQ(response.headerBlock, "");
}

TEST(FetchResponse, PlainAddressGoesThroughTheProxy) {
  LoopbackServer proxy;
  proxy.Serve("/page?x=1", HttpResponse(200, "via proxy"));
  web::FetchResponse response =
      FetchWith("http://pelmo-test.invalid/page?x=1", [&proxy](web::FetchRequest& r) { r.proxy = proxy.Authority(); });
  EXPECT_EQ(response.body, "via proxy");
  ASSERT_EQ(proxy.RequestCount(), 1u);
  ReceivedRequest request = proxy.Requests()[0];
  EXPECT_EQ(request.requestLine, "GET http://pelmo-test.invalid/page?x=1 HTTP/1.1");
  EXPECT_EQ(request.Header("Host"), "pelmo-test.invalid");
  EXPECT_EQ(request.Header("Referer"), "http://pelmo-test.invalid/page?x=1");
}

// Sets an environment variable for the lifetime of the object, then restores what was there.
class ScopedEnvironment {
public:
  ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
    if (const char* previous = std::getenv(name)) previous_ = previous;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnvironment() {
    if (previous_)
      setenv(name_, previous_->c_str(), 1);
    else
      unsetenv(name_);
  }

private:
  const char* name_;
  std::optional<std::string> previous_;
};

TEST(FetchResponse, EmptyProxyConnectsDirectlyWhateverTheEnvironmentSays) {
  LoopbackServer proxy;
  LoopbackServer server;
  server.Serve("/direct", HttpResponse(200, "direct"));
  ScopedEnvironment httpProxy("http_proxy", "http://" + proxy.Authority());
  ScopedEnvironment allProxy("ALL_PROXY", "http://" + proxy.Authority());
  EXPECT_EQ(FetchWith(server.Url("/direct")).body, "direct");
  EXPECT_EQ(proxy.RequestCount(), 0u);
  EXPECT_EQ(server.RequestCount(), 1u);
}

}  // namespace
