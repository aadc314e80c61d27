// Fuzz target: a page address taken apart into host, port and object path. Input: the address.
#include <cstddef>
#include <cstdint>

#include "runtime/text.h"
#include "tests/fuzz/fuzz_support.h"
#include "web/url_parts.h"

// One address through every address routine, with the relations between their answers.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const runtime::Text address(fuzz::InputBytes(data, size));
  const runtime::Text host = web::UrlHost(address);
  const runtime::Text hostAndPort = web::UrlHost(address, web::HostPort::With);
  const int port = web::UrlPort(address);
  const runtime::Text path = web::UrlObjectPath(address);

  fuzz::Require(hostAndPort.starts_with(host), "the host is the front of host and port");
  fuzz::Require(!path.empty() && path.front() == '/', "the object path begins with a slash");
  fuzz::Require(path.size() <= address.size() || path == "/",
                "the object path is a piece of the address");
  if (hostAndPort.find(':') == runtime::Text::npos) {
    fuzz::Require(port == 80 || port == 443, "without a port the scheme's port");
  }
  if (fuzz::IsAscii(address)) {
    fuzz::Require(hostAndPort.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") == runtime::Text::npos,
                  "the host is in lower case");
    fuzz::Require(address.ends_with(path) || path == "/", "the object path ends the address");
  }
  return 0;
}
