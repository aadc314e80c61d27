// HTTPS through Fetch: the certificate check, the test-only trust setting, proxies and redirects
// into HTTPS.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/loopback_server.h"
#include "tests/web/fetch_test_helpers.h"

namespace {

using test_support::HttpResponse;
using test_support::LoopbackServer;
using testing::StartsWith;
using web_test::FetchWith;

class FetchTlsTest : public testing::Test {
protected:
  FetchTlsTest() : secure(LoopbackServer::Options{.tls = true}) {
    secure.Serve("/secret", HttpResponse(200, "over tls", {"Set-Cookie: t=1"}));
  }
  // Trusts the test's certificate, and uses proxy when one is given.
  std::function<void(web::FetchRequest&)> Trusting(std::string proxy = "") {
    return [this, proxy](web::FetchRequest& r) {
      r.settings.trustedCertificatesFile = secure.CertificateFile();
      r.proxy = proxy;
    };
  }

  LoopbackServer secure;
};

TEST_F(FetchTlsTest, CertificateNotTrustedFailsBeforeAnyRequest) {
  web::FetchResponse response = FetchWith(secure.Url("/secret"));
  EXPECT_EQ(response.failure, web::FetchFailure::Tls);
  EXPECT_EQ(response.body, "");
  EXPECT_EQ(secure.RequestCount(), 0u);
}

TEST_F(FetchTlsTest, TrustedTestCertificateCompletesTheExchange) {
  web::FetchResponse response = FetchWith(secure.Url("/secret"), Trusting());
  EXPECT_EQ(response.body, "over tls");
  EXPECT_THAT(response.headerBlock, StartsWith("HTTP/1.1 200 OK\r\n"));
  ASSERT_EQ(secure.RequestCount(), 1u);
  EXPECT_EQ(secure.Requests()[0].requestLine, "GET /secret HTTP/1.1");
}

TEST_F(FetchTlsTest, SchemeIsRecognisedInAnyCase) {
  EXPECT_EQ(FetchWith("HTTPS://" + secure.Authority() + "/secret", Trusting()).body, "over tls");
}

TEST_F(FetchTlsTest, HttpsAddressTunnelsThroughTheProxy) {
  LoopbackServer proxy;
  proxy.EnableTunnel();
  web::FetchResponse response = FetchWith(secure.Url("/secret"), Trusting(proxy.Authority()));
  EXPECT_EQ(response.body, "over tls");
  EXPECT_THAT(response.headerBlock, StartsWith("HTTP/1.1 200 OK\r\nSet-Cookie: t=1\r\n"));
  ASSERT_EQ(proxy.RequestCount(), 1u);
  EXPECT_EQ(proxy.Requests()[0].requestLine, "CONNECT " + secure.Authority() + " HTTP/1.1");
  EXPECT_EQ(proxy.Requests()[0].HeaderCount("Referer"), 0);
  EXPECT_EQ(secure.RequestCount(), 1u);
}

TEST_F(FetchTlsTest, PlainAddressFollowsARedirectIntoHttps) {
  LoopbackServer plain;
  plain.Serve("/start", HttpResponse(302, "", {"Location: " + secure.Url("/secret")}));
  EXPECT_EQ(FetchWith(plain.Url("/start"), Trusting()).body, "over tls");
  EXPECT_EQ(secure.RequestCount(), 1u);
}

TEST_F(FetchTlsTest, ProxyOfAPlainAddressServesPlainRequestsOnly) {
  LoopbackServer proxy;
  proxy.EnableTunnel();
  proxy.Serve("/start", HttpResponse(302, "", {"Location: " + secure.Url("/secret")}));
  web::FetchResponse response = FetchWith("http://pelmo-test.invalid/start", Trusting(proxy.Authority()));
  EXPECT_EQ(response.body, "over tls");
  ASSERT_EQ(proxy.RequestCount(), 1u);
  EXPECT_EQ(proxy.Requests()[0].requestLine, "GET http://pelmo-test.invalid/start HTTP/1.1");
  EXPECT_EQ(secure.RequestCount(), 1u);
}

}  // namespace
