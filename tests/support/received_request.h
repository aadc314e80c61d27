// A request as the loopback server received it: the raw bytes and their parts.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace test_support {

struct ReceivedRequest {
  std::string raw;                       // every byte received, request line to end of body
  std::string requestLine;               // first line, without CR LF
  std::string method;                    // "GET", "POST", "HEAD", "CONNECT", ...
  std::string target;                    // as on the request line (absolute form for a proxy)
  std::vector<std::string> headerLines;  // each header line without CR LF, in order
  std::string body;
  // The connection it came on: 1 for the server's first accepted connection, 2 for the next...
  int connection = 0;

  // The target without scheme and authority: "/p?q" for both "/p?q" and "http://h:1/p?q".
  std::string Path() const;
  // Value of the first header of that name (ASCII case ignored), trimmed; none when absent.
  std::optional<std::string> Header(std::string_view name) const;
  // Number of header lines of that name (ASCII case ignored).
  int HeaderCount(std::string_view name) const;
};

// Length of the request head (request line to the empty line, inclusive) when data holds all of
// it, 0 otherwise.
size_t RequestHeadLength(std::string_view data);
// The body length a complete head announces (Content-Length; 0 without one).
size_t AnnouncedBodyLength(std::string_view head);
// Splits a complete request (head and body) into its parts.
ReceivedRequest ParseRequest(std::string raw);

}  // namespace test_support
