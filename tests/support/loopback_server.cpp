// A small HTTP/1.1 server on 127.0.0.1 for tests and benchmarks.
#include "tests/support/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <stdexcept>

#include "tests/support/self_signed_certificate.h"
#include "tests/support/server_stream.h"

namespace test_support {
namespace {

constexpr std::size_t kReadBlock = 64 * 1024;

SSL_CTX* MakeTlsContext(const SelfSignedCertificate& certificate) {
  SSL_CTX* context = SSL_CTX_new(TLS_server_method());
  if (!context || SSL_CTX_use_certificate(context, certificate.Certificate()) != 1 ||
      SSL_CTX_use_PrivateKey(context, certificate.Key()) != 1) {
    SSL_CTX_free(context);
    throw std::runtime_error("TLS context set-up failed");
  }
  return context;
}

int ListenOnLoopback(bool ipv6, int* port) {
  int listener = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener < 0) throw std::runtime_error("socket failed");
  int yes = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_storage storage{};
  socklen_t length = 0;
  if (ipv6) {
    auto* address = reinterpret_cast<sockaddr_in6*>(&storage);
    address->sin6_family = AF_INET6;
    address->sin6_addr = in6addr_loopback;
    length = sizeof *address;
  } else {
    auto* address = reinterpret_cast<sockaddr_in*>(&storage);
    address->sin_family = AF_INET;
    address->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    length = sizeof *address;
  }
  auto* address = reinterpret_cast<sockaddr*>(&storage);
  if (bind(listener, address, length) != 0 || listen(listener, 128) != 0 ||
      getsockname(listener, address, &length) != 0) {
    close(listener);
    throw std::runtime_error(ipv6 ? "cannot listen on ::1" : "cannot listen on 127.0.0.1");
  }
  *port = ntohs(ipv6 ? reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port
                     : reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
  return listener;
}

// The next request on the connection, taken off the front of data (bytes read but not yet
// used); nothing when the client leaves before a whole request head.
std::optional<ReceivedRequest> ReadRequest(ServerStream& stream, std::string& data) {
  char buffer[kReadBlock];
  size_t headLength = 0;
  while ((headLength = RequestHeadLength(data)) == 0) {
    size_t got = stream.Read(buffer, sizeof buffer);
    if (got == 0) return std::nullopt;
    data.append(buffer, got);
  }
  size_t total = headLength + AnnouncedBodyLength(std::string_view(data).substr(0, headLength));
  while (data.size() < total) {
    size_t got = stream.Read(buffer, sizeof buffer);
    if (got == 0) break;
    data.append(buffer, got);
  }
  total = std::min(total, data.size());
  ReceivedRequest request = ParseRequest(data.substr(0, total));
  data.erase(0, total);
  return request;
}

// A connection to a loopback port named by a CONNECT target "127.0.0.1:PORT" or "localhost:PORT";
// -1 for any other target or when nobody listens there.
int ConnectToLoopbackTarget(const std::string& target) {
  size_t colon = target.rfind(':');
  std::string host = target.substr(0, colon);
  if (colon == std::string::npos || (host != "127.0.0.1" && host != "localhost")) return -1;
  int port = std::atoi(target.c_str() + colon + 1);
  int descriptor = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (descriptor >= 0 && connect(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
    return descriptor;
  if (descriptor >= 0) close(descriptor);
  return -1;
}

// Moves what one side has to the other; false when the source has ended.
bool Relay(int from, int to) {
  char buffer[kReadBlock];
  ssize_t got = recv(from, buffer, sizeof buffer, 0);
  if (got <= 0) return false;
  for (ssize_t done = 0; done < got;) {
    ssize_t sent = send(to, buffer + done, static_cast<size_t>(got - done), MSG_NOSIGNAL);
    if (sent <= 0) return false;
    done += sent;
  }
  return true;
}

}  // namespace

LoopbackServer::LoopbackServer() : LoopbackServer(Options{}) {}

LoopbackServer::LoopbackServer(Options options) {
  std::signal(SIGPIPE, SIG_IGN);
  if (options.tls) {
    certificate_ = std::make_unique<SelfSignedCertificate>();
    tlsContext_.reset(MakeTlsContext(*certificate_));
  }
  ipv6_ = options.ipv6;
  listener_ = ListenOnLoopback(ipv6_, &port_);
  acceptor_ = std::thread(&LoopbackServer::AcceptLoop, this);
}

LoopbackServer::~LoopbackServer() { Stop(); }

std::string LoopbackServer::Authority() const {
  return (ipv6_ ? "[::1]:" : "127.0.0.1:") + std::to_string(port_);
}

std::string LoopbackServer::Url(std::string_view path) const {
  return std::string(tlsContext_ ? "https://" : "http://") + Authority() + std::string(path);
}

std::string LoopbackServer::CertificateFile() const {
  return certificate_ ? certificate_->CertificateFile() : std::string();
}

void LoopbackServer::Serve(const std::string& path, Reply reply) {
  std::lock_guard lock(mutex_);
  routes_[path] = std::move(reply);
}

void LoopbackServer::Serve(const std::string& path, std::string rawResponse) {
  Serve(path, RawReply(std::move(rawResponse)));
}

void LoopbackServer::SetHandler(Handler handler) {
  std::lock_guard lock(mutex_);
  handler_ = std::move(handler);
}

void LoopbackServer::EnableTunnel() {
  std::lock_guard lock(mutex_);
  tunnel_ = true;
}

std::vector<ReceivedRequest> LoopbackServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::size_t LoopbackServer::RequestCount() const {
  std::lock_guard lock(mutex_);
  return requests_.size();
}

std::size_t LoopbackServer::ConnectionCount() const {
  std::lock_guard lock(mutex_);
  return connectionCount_;
}

std::size_t LoopbackServer::OpenConnections() const {
  std::lock_guard lock(mutex_);
  return openConnections_.size();
}

std::size_t LoopbackServer::PeakOpenConnections() const {
  std::lock_guard lock(mutex_);
  return peakOpenConnections_;
}

void LoopbackServer::EndConnection(int connection) {
  std::lock_guard lock(mutex_);
  openConnections_.erase(connection);
}

void LoopbackServer::Stop() {
  std::map<std::thread::id, std::thread> connections;
  {
    std::lock_guard lock(mutex_);
    if (stopped_) return;
    stopped_ = stopping_ = true;
    for (int descriptor : openDescriptors_) shutdown(descriptor, SHUT_RDWR);
  }
  stopSignal_.notify_all();
  shutdown(listener_, SHUT_RDWR);
  acceptor_.join();
  close(listener_);
  {
    std::lock_guard lock(mutex_);
    connections.swap(connections_);
  }
  for (auto& [id, thread] : connections) thread.join();
}

void LoopbackServer::AcceptLoop() {
  for (;;) {
    int descriptor = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    std::lock_guard lock(mutex_);
    if (stopping_) {
      if (descriptor >= 0) close(descriptor);
      return;
    }
    if (descriptor < 0) continue;
    ReapFinishedThreads();
    openDescriptors_.insert(descriptor);
    int connection = static_cast<int>(++connectionCount_);
    openConnections_.insert(connection);
    peakOpenConnections_ = std::max(peakOpenConnections_, openConnections_.size());
    std::thread thread(&LoopbackServer::ServeConnection, this, descriptor, connection);
    std::thread::id id = thread.get_id();
    connections_.emplace(id, std::move(thread));
  }
}

void LoopbackServer::ReapFinishedThreads() {
  for (std::thread::id id : finished_) {
    auto found = connections_.find(id);
    if (found == connections_.end()) continue;
    found->second.join();
    connections_.erase(found);
  }
  finished_.clear();
}

void LoopbackServer::TrackDescriptor(int descriptor, bool open) {
  std::lock_guard lock(mutex_);
  if (!open) {
    openDescriptors_.erase(descriptor);
    return;
  }
  openDescriptors_.insert(descriptor);
  if (stopping_) shutdown(descriptor, SHUT_RDWR);
}

void LoopbackServer::ServeConnection(int descriptor, int connection) {
  std::unique_ptr<ServerStream> stream =
      tlsContext_ ? MakeTlsStream(descriptor, tlsContext_.get()) : MakePlainStream(descriptor);
  if (stream->Open()) Converse(*stream, connection);
  EndConnection(connection);
  TrackDescriptor(descriptor, false);
  stream.reset();
  std::lock_guard lock(mutex_);
  finished_.push_back(std::this_thread::get_id());
}

void LoopbackServer::Converse(ServerStream& stream, int connection) {
  std::string data;
  for (;;) {
    std::optional<ReceivedRequest> request = ReadRequest(stream, data);
    if (!request) return;
    request->connection = connection;
    bool tunnel = false;
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(*request);
      tunnel = tunnel_ && request->method == "CONNECT";
    }
    if (tunnel) {
      Tunnel(stream, *request);
      return;
    }
    if (!SendReply(stream, ChooseReply(*request), connection)) return;
  }
}

Reply LoopbackServer::ChooseReply(const ReceivedRequest& request) {
  Handler handler;
  {
    std::lock_guard lock(mutex_);
    auto route = routes_.find(request.Path());
    if (route != routes_.end()) return route->second;
    handler = handler_;
  }
  return handler ? handler(request) : RawReply(HttpResponse(404, "not found"));
}

bool LoopbackServer::SendReply(ServerStream& stream, const Reply& reply, int connection) {
  if (reply.delay.count() > 0 && !SleepUnlessStopped(reply.delay)) return false;
  size_t budget = reply.cutAfter.value_or(reply.FullLength());
  auto send = [&](std::string_view part) {
    part = part.substr(0, budget);
    budget -= part.size();
    return stream.Write(part);
  };
  bool open = send(reply.bytes);
  for (size_t i = 0; open && budget > 0 && i < reply.repeatCount; ++i) {
    if (reply.blockPause.count() > 0 && !SleepUnlessStopped(reply.blockPause)) return false;
    open = send(reply.repeatedBlock);
  }
  if (open && reply.KeepsConnection()) return true;
  if (reply.ending == Reply::Ending::AsHeadSays) {
    stream.FinishSending();
    EndConnection(connection);
  }
  // Reading on until the client leaves keeps unread bytes from turning the close into a reset,
  // and holds a silent connection open.
  char sink[4096];
  while (stream.Read(sink, sizeof sink) != 0) {
  }
  return false;
}

bool LoopbackServer::SleepUnlessStopped(std::chrono::milliseconds duration) {
  std::unique_lock lock(mutex_);
  return !stopSignal_.wait_for(lock, duration, [this] { return stopping_; });
}

void LoopbackServer::Tunnel(ServerStream& client, const ReceivedRequest& request) {
  int upstream = ConnectToLoopbackTarget(request.target);
  if (upstream < 0) {
    client.Write(HttpResponse(502, "no such target"));
    return;
  }
  TrackDescriptor(upstream, true);
  client.Write("HTTP/1.1 200 Connection established\r\n\r\n");
  // Each direction runs until its source ends; the end is passed on as a half close.
  pollfd sides[2] = {{client.Descriptor(), POLLIN, 0}, {upstream, POLLIN, 0}};
  bool open[2] = {true, true};
  while (open[0] || open[1]) {
    if (poll(sides, 2, -1) < 0 && errno != EINTR) break;
    for (int side = 0; side < 2; ++side) {
      if (!open[side] || !(sides[side].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      if (Relay(sides[side].fd, sides[1 - side].fd)) continue;
      open[side] = false;
      sides[side].fd = -1;
      shutdown(side == 0 ? upstream : client.Descriptor(), SHUT_WR);
    }
  }
  TrackDescriptor(upstream, false);
  close(upstream);
}

}  // namespace test_support
