// HTTPS: the certificate check, the test-only trust setting, proxies and redirects into HTTPS.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/loopback_server.h"
#include "tests/web/http_test_helpers.h"

namespace {

using test_support::HttpResponse;
using test_support::LoopbackServer;
using testing::StartsWith;
using web_test::Call;
using web_test::FailedHeaders;
using web_test::Fetch;
using web_test::Outcome;

class HttpRequestTlsTest : public testing::Test {
protected:
  HttpRequestTlsTest() : secure(LoopbackServer::Options{.tls = true}) {
    secure.Serve("/secret", HttpResponse(200, "over tls", {"Set-Cookie: t=1"}));
    trusting.trustedCertificatesFile = secure.CertificateFile();
  }

  LoopbackServer secure;
  web::TransferSettings trusting;
};

TEST_F(HttpRequestTlsTest, CertificateNotTrustedGivesTheEmptyBody) {
  Outcome outcome = Fetch(Call(secure.Url("/secret")).Cookies(""));
  EXPECT_EQ(outcome.body, "");
  EXPECT_EQ(outcome.headersOut, FailedHeaders());
  EXPECT_EQ(outcome.cookiesOut, "");
  EXPECT_EQ(secure.RequestCount(), 0u);
}

TEST_F(HttpRequestTlsTest, TrustedTestCertificateCompletesTheExchange) {
  Outcome outcome = Fetch(Call(secure.Url("/secret")).Settings(trusting));
  EXPECT_EQ(outcome.body, "over tls");
  EXPECT_THAT(outcome.headersOut, StartsWith("HTTP/1.1 200 OK\r\n"));
  EXPECT_EQ(outcome.cookiesOut, "t=1");
  ASSERT_EQ(secure.RequestCount(), 1u);
  EXPECT_EQ(secure.Requests()[0].requestLine, "GET /secret HTTP/1.1");
}

TEST_F(HttpRequestTlsTest, SchemeIsRecognisedInAnyCase) {
  std::string address = "HTTPS://" + secure.Authority() + "/secret";
  EXPECT_EQ(Fetch(Call(address).Settings(trusting)).body, "over tls");
}

TEST_F(HttpRequestTlsTest, HttpsAddressTunnelsThroughTheProxy) {
  LoopbackServer proxy;
  proxy.EnableTunnel();
  Outcome outcome = Fetch(Call(secure.Url("/secret")).Proxy(proxy.Authority()).Settings(trusting));
  EXPECT_EQ(outcome.body, "over tls");
  EXPECT_THAT(outcome.headersOut, StartsWith("HTTP/1.1 200 OK\r\nSet-Cookie: t=1\r\n"));
  ASSERT_EQ(proxy.RequestCount(), 1u);
  EXPECT_EQ(proxy.Requests()[0].requestLine, "CONNECT " + secure.Authority() + " HTTP/1.1");
  EXPECT_EQ(proxy.Requests()[0].HeaderCount("Referer"), 0);
  EXPECT_EQ(secure.RequestCount(), 1u);
}

TEST_F(HttpRequestTlsTest, PlainAddressFollowsARedirectIntoHttps) {
  LoopbackServer plain;
  plain.Serve("/start", HttpResponse(302, "", {"Location: " + secure.Url("/secret")}));
  Outcome outcome = Fetch(Call(plain.Url("/start")).Settings(trusting));
  EXPECT_EQ(outcome.body, "over tls");
  EXPECT_EQ(secure.RequestCount(), 1u);
}

TEST_F(HttpRequestTlsTest, ProxyOfAPlainAddressServesPlainRequestsOnly) {
  LoopbackServer proxy;
  proxy.EnableTunnel();
  proxy.Serve("/start", HttpResponse(302, "", {"Location: " + secure.Url("/secret")}));
  Outcome outcome = Fetch(Call("http://pelmo-test.invalid/start").Proxy(proxy.Authority()).Settings(trusting));
  EXPECT_EQ(outcome.body, "over tls");
  ASSERT_EQ(proxy.RequestCount(), 1u);
  EXPECT_EQ(proxy.Requests()[0].requestLine, "GET http://pelmo-test.invalid/start HTTP/1.1");
  EXPECT_EQ(secure.RequestCount(), 1u);
}

}  // namespace
