// Fuzz target: a page address taken apart into host, port and object path, without its user
// information, and as a status text shows it. Input: the address.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "collect/status_texts.h"
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
  const runtime::Text withoutUser = web::AddressWithoutUserInformation(address);
  // Without a scheme of its own the address may have gained UrlHost's "http://".
  const bool schemeAdded = withoutUser.starts_with("http://") && !address.starts_with("http://");
  const runtime::Text kept = withoutUser.substr(schemeAdded ? 7 : 0);
  const std::size_t same =
      static_cast<std::size_t>(std::mismatch(kept.begin(), kept.end(), address.begin(), address.end()).first - kept.begin());
  fuzz::Require(kept.size() <= address.size() && address.ends_with(kept.substr(same)),
                "leaving out user information removes one stretch of the address");
  fuzz::Require(web::UrlHost(withoutUser, web::HostPort::With) == hostAndPort, "the host stays where it was");
  fuzz::Require(web::AddressWithoutUserInformation(withoutUser) == withoutUser, "nothing more to leave out");
  const runtime::Text printable = collect::PrintableAddress(address);
  fuzz::Require(std::none_of(printable.begin(), printable.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }),
                "a printable address holds no control byte");
  if (fuzz::IsAscii(address)) {
    fuzz::Require(hostAndPort.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") == runtime::Text::npos,
                  "the host is in lower case");
    fuzz::Require(address.ends_with(path) || path == "/", "the object path ends the address");
  }
  return 0;
}
