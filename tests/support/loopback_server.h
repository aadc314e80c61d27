// A small HTTP/1.1 server on 127.0.0.1 for tests and benchmarks. It listens on a port the system
// chooses, serves each connection on its own thread, records every request byte for byte and
// answers from canned replies (by path) or a handler. Replies can be delayed, cut off, or left
// hanging. It accepts absolute-form request lines, so it can stand in as an HTTP proxy, and can
// tunnel CONNECT requests to other loopback ports. With TLS it presents a self-signed
// certificate made at start-up (see CertificateFile()).
//
//   LoopbackServer server;
//   server.Serve("/page", test_support::HttpResponse(200, "hello"));
//   ... fetch server.Url("/page") ...
//   EXPECT_EQ(server.Requests().at(0).requestLine, "GET /page HTTP/1.1");
//
// A connection serves requests one after the other (each body read by its Content-Length) for as
// long as the replies keep it open (Reply::KeepsConnection: a whole HTTP/1.1 answer without
// "Connection: close"); test_support::HttpResponse closes unless given a Connection line. The
// server counts connections (ConnectionCount, OpenConnections, PeakOpenConnections) and tags
// each request with the connection it came on (ReceivedRequest::connection), so tests can see
// reuse and parallelism. The destructor stops the server and ends every open connection. Writing
// to a vanished client must not kill the process, so SIGPIPE is ignored once a server exists.
#pragma once

#include <openssl/ssl.h>

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/support/received_request.h"
#include "tests/support/reply.h"

namespace test_support {

class SelfSignedCertificate;
class ServerStream;

class LoopbackServer {
public:
  using Handler = std::function<Reply(const ReceivedRequest&)>;

  struct Options {
    bool tls = false;   // speak TLS with a self-signed certificate
    bool ipv6 = false;  // listen on [::1] instead of 127.0.0.1
  };

  // Starts listening at once. Throws std::runtime_error when it cannot.
  LoopbackServer();
  explicit LoopbackServer(Options options);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int Port() const { return port_; }
  // "127.0.0.1:PORT" ("[::1]:PORT" with ipv6).
  std::string Authority() const;
  // "http://" (https with TLS), the authority, then path.
  std::string Url(std::string_view path) const;
  // With TLS: the PEM file of the server's certificate, for a client to trust. Empty otherwise.
  std::string CertificateFile() const;

  // Answers requests whose path (ReceivedRequest::Path) equals path, query included.
  void Serve(const std::string& path, Reply reply);
  void Serve(const std::string& path, std::string rawResponse);
  // Answers every request no Serve entry matches. Runs on the connection's thread, so it must be
  // thread-safe when connections overlap, and must not throw. Without a handler such requests
  // get a 404.
  void SetHandler(Handler handler);
  // Answers CONNECT requests for 127.0.0.1 ports with "200 Connection established" and relays
  // bytes both ways (the server then acts as an HTTPS proxy).
  void EnableTunnel();

  // Every request received so far, in order of arrival.
  std::vector<ReceivedRequest> Requests() const;
  std::size_t RequestCount() const;

  // Connections accepted so far (the number the last one's requests carry).
  std::size_t ConnectionCount() const;
  // Connections open now. A connection is open from its acceptance until the server ends it
  // after a reply that does not keep it, or the client leaves, whichever comes first.
  std::size_t OpenConnections() const;
  // The highest number of connections that were open at the same time.
  std::size_t PeakOpenConnections() const;

  // Stops accepting and ends every connection; called by the destructor.
  void Stop();

private:
  void AcceptLoop();
  void ServeConnection(int descriptor, int connection);
  void Converse(ServerStream& stream, int connection);
  Reply ChooseReply(const ReceivedRequest& request);
  // Sends the reply; true when the connection stays open for the next request.
  bool SendReply(ServerStream& stream, const Reply& reply, int connection);
  void EndConnection(int connection);
  void Tunnel(ServerStream& client, const ReceivedRequest& request);
  bool SleepUnlessStopped(std::chrono::milliseconds duration);
  void TrackDescriptor(int descriptor, bool open);
  void ReapFinishedThreads();

  std::unique_ptr<SelfSignedCertificate> certificate_;
  struct FreeTlsContext {
    void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
  };
  std::unique_ptr<SSL_CTX, FreeTlsContext> tlsContext_;
  int listener_ = -1;
  int port_ = 0;
  bool ipv6_ = false;
  bool tunnel_ = false;

  mutable std::mutex mutex_;
  std::condition_variable stopSignal_;
  bool stopping_ = false;
  std::map<std::string, Reply> routes_;
  Handler handler_;
  std::vector<ReceivedRequest> requests_;
  std::set<int> openDescriptors_;
  std::size_t connectionCount_ = 0;
  std::set<int> openConnections_;
  std::size_t peakOpenConnections_ = 0;
  std::map<std::thread::id, std::thread> connections_;
  std::vector<std::thread::id> finished_;
  std::thread acceptor_;
  bool stopped_ = false;
};

}  // namespace test_support
