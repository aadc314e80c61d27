// What the loopback server sends back for one request.
#include "tests/support/reply.h"

#include <algorithm>

namespace test_support {
namespace {

const char* ReasonPhrase(int status) {
  switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
  }
}

bool NamesContentLength(const std::string& line) {
  std::string name = line.substr(0, line.find(':'));
  std::transform(name.begin(), name.end(), name.begin(), [](char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; });
  return name == "content-length";
}

}  // namespace

std::string HttpResponseHead(int status, std::size_t bodyLength, const std::vector<std::string>& headerLines) {
  std::string head = "HTTP/1.1 " + std::to_string(status) + " " + ReasonPhrase(status) + "\r\n";
  for (const std::string& line : headerLines) head += line + "\r\n";
  if (std::none_of(headerLines.begin(), headerLines.end(), NamesContentLength))
    head += "Content-Length: " + std::to_string(bodyLength) + "\r\n";
  head += "Connection: close\r\n\r\n";
  return head;
}

std::string HttpResponse(int status, std::string_view body, const std::vector<std::string>& headerLines) {
  return HttpResponseHead(status, body.size(), headerLines) + std::string(body);
}

Reply RawReply(std::string bytes) {
  Reply reply;
  reply.bytes = std::move(bytes);
  return reply;
}

}  // namespace test_support
