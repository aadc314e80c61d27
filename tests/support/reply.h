// What the loopback server sends back for one request, and how it ends the connection.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace test_support {

struct Reply {
  enum class Ending {
    // After the last byte, wait for the next request on the same connection when the reply keeps
    // it (KeepsConnection()); otherwise close it.
    AsHeadSays,
    StaySilent,  // keep the connection open and send nothing more until the client leaves
  };

  std::string bytes;                    // raw response bytes, sent as they are
  std::string repeatedBlock;            // then this block repeatCount times (large bodies
  std::size_t repeatCount = 0;          //   without holding them in memory)
  std::optional<std::size_t> cutAfter;  // send only this many bytes of all the above
  Ending ending = Ending::AsHeadSays;
  std::chrono::milliseconds delay{0};   // pause before the first byte
  std::chrono::milliseconds blockPause{0};  // pause before each repeated block (a slow drip)

  // Total bytes the reply would send without a cut.
  std::size_t FullLength() const { return bytes.size() + repeatedBlock.size() * repeatCount; }
  // True when the connection stays open for another request after this reply: it is sent whole
  // and ends as its head says, and bytes start with a complete HTTP/1.1 head that has no
  // "Connection: close" line. Such a reply must announce its body's length.
  bool KeepsConnection() const;
};

// A complete HTTP/1.1 answer: status line with the usual reason phrase, the given header lines,
// "Content-Length" (unless the lines carry one) and "Connection: close" (unless the lines carry a
// Connection line: {"Connection: keep-alive"} leaves the connection open), an empty line, the
// body.
std::string HttpResponse(int status, std::string_view body, const std::vector<std::string>& headerLines = {});

// The head of an answer whose body of bodyLength bytes is sent separately (Reply::repeatedBlock).
std::string HttpResponseHead(int status, std::size_t bodyLength, const std::vector<std::string>& headerLines = {});

// A reply that sends the given bytes and closes.
Reply RawReply(std::string bytes);

}  // namespace test_support
