// What HttpRequest puts on the wire: request line, header lines in order, and the body.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/loopback_server.h"
#include "tests/web/http_test_helpers.h"

namespace {

using test_support::HttpResponse;
using test_support::LoopbackServer;
using test_support::ReceivedRequest;
using testing::ElementsAreArray;
using web_test::Call;
using web_test::kDefaultAgentLine;
using web_test::kFormType;
using web_test::Fetch;

class HttpRequestWireTest : public testing::Test {
protected:
  HttpRequestWireTest() { server.SetHandler([](const ReceivedRequest&) { return test_support::RawReply(HttpResponse(200, "ok")); }); }

  // The one request the server received for a call.
  ReceivedRequest Received(const Call& call) {
    size_t before = server.RequestCount();
    Fetch(call);
    std::vector<ReceivedRequest> requests = server.Requests();
    EXPECT_EQ(requests.size(), before + 1);
    return requests.size() > before ? requests.back() : ReceivedRequest();
  }

  std::string HostLine() const { return "Host: " + server.Authority(); }

  LoopbackServer server;
};

struct HeaderCase {
  std::string name;
  std::optional<std::string> extraHeaders;
  std::optional<std::string> cookies;
  // Header lines after "Host:"; "{url}" stands for the address requested.
  std::vector<std::string> expected;
};

std::string Substitute(std::string line, const std::string& url) {
  size_t at = line.find("{url}");
  return at == std::string::npos ? line : line.replace(at, 5, url);
}

TEST_F(HttpRequestWireTest, HeaderBlockFollowsTheAgentAndDefaultLineRules) {
  const std::vector<HeaderCase> cases = {
      {"no caller lines", std::nullopt, std::nullopt,
       {kDefaultAgentLine, "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kFormType}},
      {"collection run", "User-Agent: Mozilla/5.0 (X11)", "a=1; b=2",
       {"User-Agent: Mozilla/5.0 (X11)", "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kFormType,
        "Cookie: a=1; b=2"}},
      {"agent line in lower case stays the only agent", "user-agent: lowbot", std::nullopt,
       {"user-agent: lowbot", "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kFormType}},
      {"agent named inside another header's value", "X-Note: User-Agent: Inner", std::nullopt,
       {"User-Agent: Inner", "X-Note: User-Agent: Inner", "Accept: */*", "Referer: {url}",
        "Accept-Language: zh-cn", kFormType}},
      {"caller's Accept kept alone", "Accept: text/html", std::nullopt,
       {kDefaultAgentLine, "Accept: text/html", "Referer: {url}", "Accept-Language: zh-cn", kFormType}},
      {"accept in other case gets a second line", "accept: text/html", std::nullopt,
       {kDefaultAgentLine, "accept: text/html", "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn",
        kFormType}},
      {"caller's Referer, language and type kept",
       "Referer: http://origin/\r\nAccept-Language: en\r\nContent-Type: text/plain", std::nullopt,
       {kDefaultAgentLine, "Referer: http://origin/", "Accept-Language: en", "Content-Type: text/plain",
        "Accept: */*"}},
      {"cookies holding their own header name go as they are", std::nullopt, "Cookie: s=1",
       {kDefaultAgentLine, "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kFormType, "Cookie: s=1"}},
      {"empty given cookies add no line", std::nullopt, "",
       {kDefaultAgentLine, "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kFormType}},
      {"trailing line break leaves no empty line", "User-Agent: A\r\n", std::nullopt,
       {"User-Agent: A", "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kFormType}},
      {"blank header value sent as written", "X-Empty:", std::nullopt,
       {kDefaultAgentLine, "X-Empty:", "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kFormType}},
  };
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string url = server.Url("/page?id=7");
    ReceivedRequest request = Received(Call(url).Cookies(c.cookies).Headers(c.extraHeaders));
    std::vector<std::string> expected = {HostLine()};
    for (const std::string& line : c.expected) expected.push_back(Substitute(line, url));
    EXPECT_EQ(request.requestLine, "GET /page?id=7 HTTP/1.1");
    EXPECT_THAT(request.headerLines, ElementsAreArray(expected));
    EXPECT_EQ(request.HeaderCount("User-Agent"), 1);
  }
}

TEST_F(HttpRequestWireTest, RefererCarriesTheAddressExactlyAsPassed) {
  std::string address = server.Authority() + "/Path/To?Q=1";
  ReceivedRequest request = Received(Call(address));
  EXPECT_EQ(request.requestLine, "GET /Path/To?Q=1 HTTP/1.1");
  EXPECT_EQ(request.Header("Referer"), address);
}

TEST_F(HttpRequestWireTest, SchemeAndPortComeFromTheAddress) {
  EXPECT_EQ(Received(Call("HTTP://" + server.Authority() + "/x")).requestLine, "GET /x HTTP/1.1");
  EXPECT_EQ(Received(Call(server.Authority())).requestLine, "GET / HTTP/1.1");
}

TEST_F(HttpRequestWireTest, LineBreaksInTheCookieTextNeverStartAHeaderLine) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a=1\r\nX-Injected: yes", "Cookie: a=1; X-Injected: yes"},
      {"a=1\n\nb=2\r", "Cookie: a=1; b=2"},
      {"\r\nCookie: s=1\rX-Injected: yes", "Cookie: s=1; X-Injected: yes"},
  };
  for (const auto& [cookies, line] : cases) {
    SCOPED_TRACE(cookies);
    ReceivedRequest request = Received(Call(server.Url("/c")).Cookies(cookies));
    EXPECT_THAT(request.raw, testing::HasSubstr("\r\n" + line + "\r\n"));
    EXPECT_EQ(request.HeaderCount("X-Injected"), 0);
    EXPECT_EQ(request.HeaderCount("Cookie"), 1);
  }
}

struct BodyCase {
  std::string name;
  std::optional<int> method;
  std::optional<std::string> postText;
  std::optional<std::string> postBytes;
  std::string expectedVerb;
  std::optional<std::string> expectedBody;  // none: no body and no Content-Length
};

TEST_F(HttpRequestWireTest, MethodAndBodyRules) {
  const std::string withZero("b\0y", 3);
  const std::vector<BodyCase> cases = {
      {"absent method is GET", std::nullopt, std::nullopt, std::nullopt, "GET", std::nullopt},
      {"method 7 is GET", 7, "text", std::nullopt, "GET", std::nullopt},
      {"method -1 is GET", -1, "text", std::nullopt, "GET", std::nullopt},
      {"GET sends no body", 0, "text", "bytes", "GET", std::nullopt},
      {"POST sends the text", 1, "a=1&b=2", std::nullopt, "POST", "a=1&b=2"},
      {"POST prefers the bytes", 1, "text", withZero, "POST", withZero},
      {"POST with nothing sends an empty body", 1, std::nullopt, std::nullopt, "POST", ""},
      {"HEAD sends the text", 2, "q=1", std::nullopt, "HEAD", "q=1"},
      {"HEAD with nothing sends no body", 2, std::nullopt, std::nullopt, "HEAD", std::nullopt},
  };
  for (const BodyCase& c : cases) {
    SCOPED_TRACE(c.name);
    size_t before = server.RequestCount();
    web_test::Outcome outcome = Fetch(Call(server.Url("/form")).Method(c.method).PostText(c.postText).PostBytes(c.postBytes));
    ASSERT_EQ(server.RequestCount(), before + 1);
    ReceivedRequest request = server.Requests().back();
    EXPECT_EQ(request.requestLine, c.expectedVerb + " /form HTTP/1.1");
    EXPECT_EQ(request.body, c.expectedBody.value_or(""));
    EXPECT_EQ(request.Header("Content-Length"),
              c.expectedBody ? std::optional<std::string>(std::to_string(c.expectedBody->size())) : std::nullopt);
    EXPECT_EQ(request.HeaderCount("Content-Type"), 1);
    EXPECT_EQ(request.HeaderCount("Expect"), 0);
    EXPECT_EQ(outcome.body, c.expectedVerb == "HEAD" ? "" : "ok");
  }
}

TEST_F(HttpRequestWireTest, LargePostBodyIsSentWithoutWaitingForContinue) {
  std::string large(200 * 1024, 'p');
  ReceivedRequest request = Received(Call(server.Url("/upload")).Method(1).PostText(large));
  EXPECT_EQ(request.body, large);
  EXPECT_EQ(request.HeaderCount("Expect"), 0);
}

}  // namespace
