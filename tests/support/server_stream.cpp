// One accepted connection of the loopback server, plain or TLS, seen as a byte stream.
#include "tests/support/server_stream.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace test_support {
namespace {

class PlainStream : public ServerStream {
public:
  using ServerStream::ServerStream;

  std::size_t Read(char* buffer, std::size_t size) override {
    for (;;) {
      ssize_t got = recv(Descriptor(), buffer, size, 0);
      if (got >= 0) return static_cast<std::size_t>(got);
      if (errno != EINTR) return 0;
    }
  }

  bool Write(std::string_view bytes) override {
    while (!bytes.empty()) {
      ssize_t sent = send(Descriptor(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (sent < 0 && errno == EINTR) continue;
      if (sent <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
  }

  void FinishSending() override { shutdown(Descriptor(), SHUT_WR); }
};

class TlsStream : public ServerStream {
public:
  TlsStream(int descriptor, SSL* session) : ServerStream(descriptor), session_(session) {}
  ~TlsStream() override { SSL_free(session_); }

  bool Open() override {
    if (!session_ || SSL_set_fd(session_, Descriptor()) != 1) return false;
    return SSL_accept(session_) == 1;
  }

  std::size_t Read(char* buffer, std::size_t size) override {
    int got = SSL_read(session_, buffer, static_cast<int>(size));
    return got > 0 ? static_cast<std::size_t>(got) : 0;
  }

  bool Write(std::string_view bytes) override {
    while (!bytes.empty()) {
      int sent = SSL_write(session_, bytes.data(), static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 20)));
      if (sent <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
  }

  void FinishSending() override {
    SSL_shutdown(session_);
    shutdown(Descriptor(), SHUT_WR);
  }

private:
  SSL* session_;
};

}  // namespace

ServerStream::~ServerStream() { close(descriptor_); }

std::unique_ptr<ServerStream> MakePlainStream(int descriptor) {
  return std::make_unique<PlainStream>(descriptor);
}

std::unique_ptr<ServerStream> MakeTlsStream(int descriptor, SSL_CTX* context) {
  return std::make_unique<TlsStream>(descriptor, SSL_new(context));
}

}  // namespace test_support
