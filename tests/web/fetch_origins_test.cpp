// What a redirect to another origin carries: the cookie and credentials stay with the scheme, host
// and port the caller named, and user information is never sent, not even as the Referer. Two
// loopback servers on different ports stand for two origins.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/loopback_server.h"
#include "web/fetch.h"

namespace {

using test_support::HttpResponse;
using test_support::LoopbackServer;
using test_support::ReceivedRequest;
using testing::ElementsAre;

struct Sent {
  std::string path;
  std::optional<std::string> cookie;
  std::optional<std::string> authorization;
  std::optional<std::string> referer;
};

std::vector<Sent> SentTo(const LoopbackServer& server) {
  std::vector<Sent> sent;
  for (const ReceivedRequest& request : server.Requests())
    sent.push_back({request.Path(), request.Header("Cookie"), request.Header("Authorization"), request.Header("Referer")});
  return sent;
}

MATCHER_P4(IsSent, path, cookie, authorization, referer, "") {
  return arg.path == path && arg.cookie == cookie && arg.authorization == authorization && arg.referer == referer;
}

TEST(FetchOrigins, CookieAndCredentialsGoOnlyToTheOriginNamed) {
  LoopbackServer named;
  LoopbackServer other;
  named.Serve("/start", HttpResponse(302, "", {"Location: " + other.Url("/hop")}));
  other.Serve("/hop", HttpResponse(302, "", {"Location: http://mallory:pw@" + other.Authority() + "/credentials"}));
  other.Serve("/credentials", HttpResponse(302, "", {"Location: " + named.Url("/back")}));
  named.Serve("/back", HttpResponse(200, "done"));

  web::FetchRequest request;
  request.address = "http://user:secret@" + named.Authority() + "/start";
  request.cookies = "sid=X";
  request.extraHeaders = "User-Agent: t\r\nAuthorization: Basic dTpw\r\nCookie: extra=1";
  web::FetchResponse response = web::Fetch(request);
  EXPECT_EQ(response.body, "done");

  const std::string referer = named.Url("/start");
  EXPECT_THAT(SentTo(named), ElementsAre(IsSent("/start", "extra=1", "Basic dTpw", referer),
                                         IsSent("/back", "extra=1", "Basic dTpw", referer)));
  EXPECT_THAT(SentTo(other), ElementsAre(IsSent("/hop", std::nullopt, std::nullopt, referer),
                                         IsSent("/credentials", std::nullopt, std::nullopt, referer)));
  for (const ReceivedRequest& sent : named.Requests()) {
    EXPECT_EQ(sent.HeaderCount("Cookie"), 2);
    EXPECT_THAT(sent.raw, testing::HasSubstr("\r\nCookie: sid=X\r\n"));
  }
  for (const ReceivedRequest& sent : other.Requests()) EXPECT_EQ(sent.raw.find("secret"), std::string::npos);
}

TEST(FetchOrigins, RefererLeavesOutUserInformationOnly) {
  LoopbackServer server;
  server.Serve("/p?q=a@b", HttpResponse(200, "ok"));
  const std::string rest = server.Authority() + "/p?q=a@b";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"http://u:p@" + rest, "http://" + rest},
      {"HTTP://@" + rest, "HTTP://" + rest},
      {"u@" + rest, rest},
      {rest, rest},
  };
  for (const auto& [address, referer] : cases) {
    SCOPED_TRACE(address);
    web::FetchRequest request;
    request.address = address;
    EXPECT_EQ(web::Fetch(request).body, "ok");
    EXPECT_EQ(server.Requests().back().Header("Referer"), referer);
    EXPECT_EQ(server.Requests().back().HeaderCount("Authorization"), 0);
  }
}

}  // namespace
