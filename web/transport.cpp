// The one place that talks to libcurl: a single HTTP exchange, redirects included.
#include "web/transport.h"

#include <curl/curl.h>

#include <exception>
#include <memory>
#include <vector>

#include "web/request_header_lines.h"
#include "web/response_collector.h"
#include "web/transfer_watch.h"

namespace web {
namespace {

struct EasyCleanup {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct ListCleanup {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct UrlCleanup {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using EasyHandle = std::unique_ptr<CURL, EasyCleanup>;
using HeaderList = std::unique_ptr<curl_slist, ListCleanup>;
using UrlHandle = std::unique_ptr<CURLU, UrlCleanup>;

// libcurl's global set-up is not thread-safe; a function-local static runs it exactly once.
bool CurlReady() {
  static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return ready;
}

// One request of a redirect chain.
struct Hop {
  std::string url;
  std::string verb;
  std::optional<runtime::ByteSet> body;
};

// What the callbacks share with the exchange.
struct HopState {
  explicit HopState(const TransferSettings& settings) : watch(settings) {}
  CURL* handle = nullptr;
  ResponseCollector collector;
  TransferWatch watch;
  bool bodyStarted = false;
  // The answer has no body to wait for (a HEAD sent with a body): stop once its head is in.
  bool endAtHeaders = false;
  std::exception_ptr failure;
};

size_t OnHeaderLine(char* data, size_t size, size_t count, void* user) {
  auto* state = static_cast<HopState*>(user);
  try {
    state->watch.Activity(TransferWatch::Clock::now());
    state->collector.AddHeaderLine(std::string_view(data, size * count));
    if (state->endAtHeaders && state->collector.Answered() && state->collector.StatusCode() >= 200) return 0;
  } catch (...) {
    state->failure = std::current_exception();
    return 0;
  }
  return size * count;
}

size_t OnBodyBytes(char* data, size_t size, size_t count, void* user) {
  auto* state = static_cast<HopState*>(user);
  try {
    state->watch.Activity(TransferWatch::Clock::now());
    if (!state->bodyStarted) {
      state->bodyStarted = true;
      curl_off_t announced = -1;
      curl_easy_getinfo(state->handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
      state->collector.ExpectBodySize(announced);
    }
    state->collector.AddBodyBytes(std::string_view(data, size * count));
  } catch (...) {
    state->failure = std::current_exception();
    return 0;
  }
  return size * count;
}

int OnProgress(void* user, curl_off_t, curl_off_t received, curl_off_t, curl_off_t sent) {
  auto* state = static_cast<HopState*>(user);
  return state->watch.ShouldStop(TransferWatch::Clock::now(), received, sent) ? 1 : 0;
}

int OnConnected(void* user, char*, char*, int, int) {
  static_cast<HopState*>(user)->watch.Connected(TransferWatch::Clock::now());
  return CURL_PREREQFUNC_OK;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (c != prefix[i]) return false;
  }
  return true;
}

// The object path as it can stand in a request line: the fragment stays with the client, and
// control bytes and spaces are percent-encoded.
std::string RequestTarget(std::string_view objectPath) {
  objectPath = objectPath.substr(0, objectPath.find('#'));
  std::string target = objectPath.starts_with('/') ? "" : "/";
  static const char kHex[] = "0123456789ABCDEF";
  for (char c : objectPath) {
    auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7F) {
      target += '%';
      target += kHex[byte >> 4];
      target += kHex[byte & 0x0F];
    } else {
      target += c;
    }
  }
  return target;
}

// The address of the first request, or nothing when libcurl would read the host differently
// from the one given (a host holding "?", "@" or the like cannot be reached).
std::optional<std::string> ComposeUrl(const TransportRequest& request) {
  std::string url = std::string(request.secure ? "https://" : "http://") + request.host + ":" +
                    std::to_string(request.port) + RequestTarget(request.objectPath);
  UrlHandle parsed(curl_url());
  if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
    return std::nullopt;
  char* host = nullptr;
  if (curl_url_get(parsed.get(), CURLUPART_HOST, &host, 0) != CURLUE_OK) return std::nullopt;
  bool same = host && request.host.size() == std::string_view(host).size() &&
              StartsWithIgnoringCase(host, request.host);
  curl_free(host);
  return same ? std::optional<std::string>(url) : std::nullopt;
}

std::string ProxyForHop(std::string_view proxyText, const std::string& url) {
  if (proxyText.starts_with("http="))
    return StartsWithIgnoringCase(url, "https://") ? "" : std::string(proxyText.substr(5));
  return std::string(proxyText);
}

long Milliseconds(std::chrono::milliseconds duration) {
  return duration.count() > 0 ? static_cast<long>(duration.count()) : 1L;
}

void SetCommonOptions(CURL* handle, curl_slist* headers, const TransportRequest& request,
                      const TransferSettings& settings, HopState* state) {
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(handle, CURLOPT_FRESH_CONNECT, 1L);
  curl_easy_setopt(handle, CURLOPT_FORBID_REUSE, 1L);
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(handle, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(handle, CURLOPT_HEADEROPT, static_cast<long>(CURLHEADER_SEPARATE));
  curl_easy_setopt(handle, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  std::string agent = request.agent.substr(0, request.agent.find_first_of("\r\n"));
  curl_easy_setopt(handle, CURLOPT_USERAGENT, agent.c_str());
  curl_easy_setopt(handle, CURLOPT_NOPROXY, "");
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, Milliseconds(settings.connectTimeout));
  curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, 512L * 1024L);
  if (!settings.trustedCertificatesFile.empty())
    curl_easy_setopt(handle, CURLOPT_CAINFO, settings.trustedCertificatesFile.c_str());
  curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, OnHeaderLine);
  curl_easy_setopt(handle, CURLOPT_HEADERDATA, state);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, OnBodyBytes);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, state);
  curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, OnProgress);
  curl_easy_setopt(handle, CURLOPT_XFERINFODATA, state);
  curl_easy_setopt(handle, CURLOPT_PREREQFUNCTION, OnConnected);
  curl_easy_setopt(handle, CURLOPT_PREREQDATA, state);
}

// Address, proxy, verb and body of one hop. libcurl sends no body with its own HEAD, so a HEAD
// that carries one goes out as a body-sending request named HEAD, and the transfer ends when the
// answer's head is in.
void SetHopOptions(CURL* handle, const Hop& hop, std::string_view proxyText, HopState* state) {
  curl_easy_setopt(handle, CURLOPT_URL, hop.url.c_str());
  curl_easy_setopt(handle, CURLOPT_PROXY, ProxyForHop(proxyText, hop.url).c_str());
  curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, static_cast<char*>(nullptr));
  curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
  state->endAtHeaders = hop.verb == "HEAD" && hop.body;
  if (hop.body) {
    curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(hop.body->size()));
    curl_easy_setopt(handle, CURLOPT_POSTFIELDS, hop.body->data());
    if (hop.verb != "POST") curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, hop.verb.c_str());
  } else if (hop.verb == "HEAD") {
    curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
  }
}

bool IsFollowedStatus(long status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The request a redirect answer leads to, or nothing when the answer is final.
std::optional<Hop> RedirectTarget(CURL* handle, const Hop& hop) {
  long status = 0;
  char* location = nullptr;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  curl_easy_getinfo(handle, CURLINFO_REDIRECT_URL, &location);
  if (!IsFollowedStatus(status) || !location) return std::nullopt;
  if (!StartsWithIgnoringCase(location, "http://") && !StartsWithIgnoringCase(location, "https://"))
    return std::nullopt;
  Hop next{location, hop.verb, hop.body};
  bool toGet = (status == 303 && hop.verb != "HEAD") || ((status == 301 || status == 302) && hop.verb == "POST");
  if (toGet) {
    next.verb = "GET";
    next.body.reset();
  }
  return next;
}

}  // namespace

TransportResponse PerformExchange(const TransportRequest& request, const TransferSettings& settings) {
  TransportResponse response;
  if (!CurlReady()) return response;
  EasyHandle handle(curl_easy_init());
  if (!handle) return response;
  response.outcome = TransportResponse::Outcome::NoAnswer;
  std::optional<std::string> url = ComposeUrl(request);
  if (!url) return response;

  HeaderList headers;
  for (const std::string& line : CurlHeaderLines(request.headerBlock, request.body.has_value())) {
    curl_slist* extended = curl_slist_append(headers.get(), line.c_str());
    if (!extended) return response;
    if (!headers) headers.reset(extended);
  }

  HopState state(settings);
  state.handle = handle.get();
  SetCommonOptions(handle.get(), headers.get(), request, settings, &state);
  Hop hop{*url, request.verb, request.body};
  for (int redirects = 0;; ++redirects) {
    state.collector.Clear();
    state.bodyStarted = false;
    state.watch.Connecting();
    SetHopOptions(handle.get(), hop, request.proxy, &state);
    curl_easy_perform(handle.get());
    if (state.failure) std::rethrow_exception(state.failure);
    if (!state.collector.Answered() || state.watch.Cancelled()) break;
    if (!request.followRedirects || redirects >= kMaxRedirects) break;
    std::optional<Hop> next = RedirectTarget(handle.get(), hop);
    if (!next) break;
    hop = std::move(*next);
  }
  if (state.collector.Answered()) {
    response.outcome = TransportResponse::Outcome::Answered;
    response.body = state.collector.TakeBody();
    response.headerBlock = state.collector.TakeHeaderBlock();
  }
  return response;
}

}  // namespace web
