// What Fetch puts on the wire: request line, header lines in order, and the body.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/loopback_server.h"
#include "tests/web/fetch_test_helpers.h"

namespace {

using test_support::HttpResponse;
using test_support::LoopbackServer;
using test_support::ReceivedRequest;
using testing::ElementsAreArray;
using web_test::FetchWith;
using web_test::kDefaultAgentLine;
using web_test::kFormType;

class FetchWireTest : public testing::Test {
protected:
  FetchWireTest() { server.SetHandler([](const ReceivedRequest&) { return test_support::RawReply(HttpResponse(200, "ok")); }); }

  // The one request the server received for a fetch.
  ReceivedRequest Received(const std::string& address, const std::function<void(web::FetchRequest&)>& configure = {}) {
    size_t before = server.RequestCount();
    FetchWith(address, configure);
    std::vector<ReceivedRequest> requests = server.Requests();
    EXPECT_EQ(requests.size(), before + 1);
    return requests.size() > before ? requests.back() : ReceivedRequest();
  }

  std::string HostLine() const { return "Host: " + server.Authority(); }

  LoopbackServer server;
};

struct HeaderCase {
  std::string name;
  std::string extraHeaders;
  std::string cookies;
  // Header lines after "Host:"; "{url}" stands for the address requested.
  std::vector<std::string> expected;
};

std::string Substitute(std::string line, const std::string& url) {
  size_t at = line.find("{url}");
  return at == std::string::npos ? line : line.replace(at, 5, url);
}

TEST_F(FetchWireTest, HeaderBlockFollowsTheAgentAndDefaultLineRules) {
  const std::vector<HeaderCase> cases = {
      {"no caller lines", "", "",
       {kDefaultAgentLine, "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kFormType}},
      {"collection run", "User-Agent: Mozilla/5.0 (X11)", "a=1; b=2",
       {"User-Agent: Mozilla/5.0 (X11)", "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kFormType,
        "Cookie: a=1; b=2"}},
      {"agent line in lower case stays the only agent", "user-agent: lowbot", "",
       {"user-agent: lowbot", "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kFormType}},
      {"agent named inside another header's value", "X-Note: User-Agent: Inner", "",
       {"User-Agent: Inner", "X-Note: User-Agent: Inner", "Accept: */*", "Referer: {url}",
        "Accept-Language: zh-cn", kFormType}},
      {"caller's Accept kept alone", "Accept: text/html", "",
       {kDefaultAgentLine, "Accept: text/html", "Referer: {url}", "Accept-Language: zh-cn", kFormType}},
      {"accept in other case gets a second line", "accept: text/html", "",
       {kDefaultAgentLine, "accept: text/html", "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn",
        kFormType}},
      {"caller's Referer, language and type kept",
       "Referer: http://origin/\r\nAccept-Language: en\r\nContent-Type: text/plain", "",
       {kDefaultAgentLine, "Referer: http://origin/", "Accept-Language: en", "Content-Type: text/plain",
        "Accept: */*"}},
      {"cookies holding their own header name go as they are", "", "Cookie: s=1",
       {kDefaultAgentLine, "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kFormType, "Cookie: s=1"}},
      {"trailing line break leaves no empty line", "User-Agent: A\r\n", "",
       {"User-Agent: A", "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kFormType}},
      {"blank header value sent as written", "X-Empty:", "",
       {kDefaultAgentLine, "X-Empty:", "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kFormType}},
  };
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string url = server.Url("/page?id=7");
    ReceivedRequest request = Received(url, [&c](web::FetchRequest& r) {
      r.cookies = c.cookies;
      r.extraHeaders = c.extraHeaders;
    });
    std::vector<std::string> expected = {HostLine()};
    for (const std::string& line : c.expected) expected.push_back(Substitute(line, url));
    EXPECT_EQ(request.requestLine, "GET /page?id=7 HTTP/1.1");
    EXPECT_THAT(request.headerLines, ElementsAreArray(expected));
    EXPECT_EQ(request.HeaderCount("User-Agent"), 1);
  }
}

TEST_F(FetchWireTest, RefererCarriesTheAddressExactlyAsPassed) {
  std::string address = server.Authority() + "/Path/To?Q=1";
  ReceivedRequest request = Received(address);
  EXPECT_EQ(request.requestLine, "GET /Path/To?Q=1 HTTP/1.1");
  EXPECT_EQ(request.Header("Referer"), address);
}

TEST_F(FetchWireTest, SchemeAndPortComeFromTheAddress) {
  EXPECT_EQ(Received("HTTP://" + server.Authority() + "/x").requestLine, "GET /x HTTP/1.1");
  EXPECT_EQ(Received(server.Authority()).requestLine, "GET / HTTP/1.1");
}

TEST_F(FetchWireTest, LineBreaksInTheCookieTextNeverStartAHeaderLine) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a=1\r\nX-Injected: yes", "Cookie: a=1; X-Injected: yes"},
      {"a=1\n\nb=2\r", "Cookie: a=1; b=2"},
      {"\r\nCookie: s=1\rX-Injected: yes", "Cookie: s=1; X-Injected: yes"},
  };
  for (const auto& [cookies, line] : cases) {
    SCOPED_TRACE(cookies);
    ReceivedRequest request = Received(server.Url("/c"), [&cookies](web::FetchRequest& r) { r.cookies = cookies; });
    EXPECT_THAT(request.raw, testing::HasSubstr("\r\n" + line + "\r\n"));
    EXPECT_EQ(request.HeaderCount("X-Injected"), 0);
    EXPECT_EQ(request.HeaderCount("Cookie"), 1);
  }
}

struct BodyCase {
  std::string name;
  web::FetchMethod method;
  std::optional<std::string> body;
  std::string expectedVerb;
  std::optional<std::string> expectedBody;  // none: no body and no Content-Length
};

TEST_F(FetchWireTest, MethodAndBodyRules) {
  const std::string withZero("b\0y", 3);
  const std::vector<BodyCase> cases = {
      {"GET sends no body", web::FetchMethod::Get, "bytes", "GET", std::nullopt},
      {"POST sends the body", web::FetchMethod::Post, withZero, "POST", withZero},
      {"POST with an empty body", web::FetchMethod::Post, "", "POST", ""},
      {"HEAD sends the body", web::FetchMethod::Head, "q=1", "HEAD", "q=1"},
      {"HEAD without body", web::FetchMethod::Head, std::nullopt, "HEAD", std::nullopt},
  };
  for (const BodyCase& c : cases) {
    SCOPED_TRACE(c.name);
    size_t before = server.RequestCount();
    web::FetchResponse response = FetchWith(server.Url("/form"), [&c](web::FetchRequest& r) {
      r.method = c.method;
      r.body = c.body;
    });
    ASSERT_EQ(server.RequestCount(), before + 1);
    ReceivedRequest request = server.Requests().back();
    EXPECT_EQ(request.requestLine, c.expectedVerb + " /form HTTP/1.1");
    EXPECT_EQ(request.body, c.expectedBody.value_or(""));
    EXPECT_EQ(request.Header("Content-Length"),
              c.expectedBody ? std::optional<std::string>(std::to_string(c.expectedBody->size())) : std::nullopt);
    EXPECT_EQ(request.HeaderCount("Content-Type"), 1);
    EXPECT_EQ(request.HeaderCount("Expect"), 0);
    EXPECT_EQ(response.body, c.expectedVerb == "HEAD" ? "" : "ok");
  }
}

TEST_F(FetchWireTest, LargePostBodyIsSentWithoutWaitingForContinue) {
  std::string large(200 * 1024, 'p');
  ReceivedRequest request = Received(server.Url("/upload"), [&large](web::FetchRequest& r) {
    r.method = web::FetchMethod::Post;
    r.body = large;
  });
  EXPECT_EQ(request.body, large);
  EXPECT_EQ(request.HeaderCount("Expect"), 0);
}

}  // namespace
