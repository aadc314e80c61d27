// One accepted connection of the loopback server, plain or TLS, seen as a byte stream.
#pragma once

#include <openssl/ssl.h>

#include <cstddef>
#include <memory>
#include <string_view>

namespace test_support {

class ServerStream {
public:
  explicit ServerStream(int descriptor) : descriptor_(descriptor) {}
  // Closes the connection.
  virtual ~ServerStream();
  ServerStream(const ServerStream&) = delete;
  ServerStream& operator=(const ServerStream&) = delete;

  // Makes the connection ready for use (the TLS handshake); false when that fails, for example
  // because the client rejected the certificate.
  virtual bool Open() { return true; }
  // Reads what is available (blocking until something is); 0 at the end of the stream or on error.
  virtual std::size_t Read(char* buffer, std::size_t size) = 0;
  // Sends all bytes; false when the client has gone.
  virtual bool Write(std::string_view bytes) = 0;
  // Ends the server's direction: the client sees the end of the stream.
  virtual void FinishSending() = 0;

  int Descriptor() const { return descriptor_; }

private:
  int descriptor_;
};

// The connection as it is.
std::unique_ptr<ServerStream> MakePlainStream(int descriptor);
// The connection spoken through TLS as the server; Open() performs the handshake.
std::unique_ptr<ServerStream> MakeTlsStream(int descriptor, SSL_CTX* context);

}  // namespace test_support
