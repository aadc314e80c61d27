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
    case 429: return "Too Many Requests";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
  }
}

std::string Lowered(std::string_view text) {
  std::string lowered(text);
  std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; });
  return lowered;
}

bool IsNamed(std::string_view line, std::string_view name) { return Lowered(line.substr(0, line.find(':'))) == name; }

}  // namespace

std::string HttpResponseHead(int status, std::size_t bodyLength, const std::vector<std::string>& headerLines) {
  std::string head = "HTTP/1.1 " + std::to_string(status) + " " + ReasonPhrase(status) + "\r\n";
  for (const std::string& line : headerLines) head += line + "\r\n";
  auto carries = [&](std::string_view name) {
    return std::any_of(headerLines.begin(), headerLines.end(), [&](const std::string& line) { return IsNamed(line, name); });
  };
  if (!carries("content-length")) head += "Content-Length: " + std::to_string(bodyLength) + "\r\n";
  if (!carries("connection")) head += "Connection: close\r\n";
  return head + "\r\n";
}

std::string HttpResponse(int status, std::string_view body, const std::vector<std::string>& headerLines) {
  return HttpResponseHead(status, body.size(), headerLines) + std::string(body);
}

bool Reply::KeepsConnection() const {
  size_t headEnd = bytes.find("\r\n\r\n");
  if (cutAfter || ending != Ending::AsHeadSays || headEnd == std::string::npos || !bytes.starts_with("HTTP/1.1 "))
    return false;
  std::string_view head = std::string_view(bytes).substr(0, headEnd + 2);
  for (size_t begin = head.find("\r\n") + 2; begin < head.size();) {
    size_t end = head.find("\r\n", begin);
    std::string_view line = head.substr(begin, end - begin);
    if (IsNamed(line, "connection") && Lowered(line).find("close") != std::string::npos) return false;
    begin = end + 2;
  }
  return true;
}

Reply RawReply(std::string bytes) {
  Reply reply;
  reply.bytes = std::move(bytes);
  return reply;
}

}  // namespace test_support
