// The one place that talks to libcurl: a single HTTP exchange, redirects included, on a pooled
// connection.
#include "web/transport.h"

#include <arpa/inet.h>
#include <curl/curl.h>

#include <cstring>
#include <exception>
#include <memory>
#include <vector>

#include "web/connection_pool.h"
#include "web/request_header_lines.h"
#include "web/response_collector.h"
#include "web/transfer_failure.h"
#include "web/transfer_watch.h"

namespace web {
namespace {

using Clock = TransferWatch::Clock;

// How long a transfer waits for the network before it looks at the cancel hook and the limits.
constexpr int kPollMilliseconds = 50;
// Response header bytes accepted per answer; libcurl's own limit (300 KiB) lies above it.
constexpr std::int64_t kMaxHeaderBytes = 256 * 1024;
// What libcurl reads from the socket at a time. Larger reads cost less processor time per byte;
// the buffer lives only as long as its exchange.
constexpr long kReceiveBufferSize = 2L * 1024 * 1024;

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

// One request of a redirect chain.
struct Hop {
  std::string url;
  std::string verb;
  std::optional<runtime::ByteSet> body;
};

// What the callbacks share with the exchange.
struct HopState {
  HopState(const TransferSettings& transferSettings, Clock::time_point start)
      : settings(transferSettings), watch(transferSettings, start) {}

  // Forgets the previous hop's answer.
  void StartHop(bool headOnly) {
    collector.Clear();
    watch.Connecting();
    bodyStarted = false;
    endAtHeaders = headOnly;
    endedAtHeaders = false;
    headerBytes = 0;
    errorText[0] = '\0';
  }

  const TransferSettings& settings;
  CURL* handle = nullptr;
  ResponseCollector collector;
  TransferWatch watch;
  bool bodyStarted = false;
  // The answer has no body to wait for (a HEAD sent with a body): stop once its head is in.
  bool endAtHeaders = false;
  bool endedAtHeaders = false;
  std::int64_t headerBytes = 0;
  // While paused: the body size the held bytes would make.
  std::int64_t pausedAt = 0;
  bool headersTooLarge = false;
  bool pageTooLarge = false;
  std::exception_ptr failure;
  char errorText[CURL_ERROR_SIZE] = {};
};

size_t OnHeaderLine(char* data, size_t size, size_t count, void* user) {
  auto* state = static_cast<HopState*>(user);
  try {
    state->headerBytes += static_cast<std::int64_t>(size * count);
    if (state->headerBytes > kMaxHeaderBytes) {
      state->headersTooLarge = true;
      return 0;
    }
    state->watch.Activity(Clock::now());
    state->collector.AddHeaderLine(std::string_view(data, size * count));
    if (state->endAtHeaders && state->collector.Answered() && state->collector.StatusCode() >= 200) {
      state->endedAtHeaders = true;
      return 0;
    }
  } catch (...) {
    state->failure = std::current_exception();
    return 0;
  }
  return size * count;
}

// Ends the transfer (by taking no bytes) as soon as the body would pass the size limit, whether
// the server announced that or just keeps sending.
size_t OnBodyBytes(char* data, size_t size, size_t count, void* user) {
  auto* state = static_cast<HopState*>(user);
  const std::int64_t limit = BodyLimit(state->settings);
  try {
    state->watch.Activity(Clock::now());
    if (!state->bodyStarted) {
      state->bodyStarted = true;
      curl_off_t announced = -1;
      curl_easy_getinfo(state->handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
      if (announced > limit) {
        state->pageTooLarge = true;
        return 0;
      }
      state->collector.ExpectBodySize(announced);
    }
    const auto grown = static_cast<std::int64_t>(state->collector.BodySize() + size * count);
    if (grown > limit) {
      state->pageTooLarge = true;
      return 0;
    }
    if (state->settings.mayHoldBody && !state->settings.mayHoldBody(grown)) {
      state->watch.Paused(Clock::now());
      state->pausedAt = grown;
      return CURL_WRITEFUNC_PAUSE;
    }
    state->watch.Resumed(Clock::now());
    state->collector.AddBodyBytes(std::string_view(data, size * count));
  } catch (...) {
    state->failure = std::current_exception();
    return 0;
  }
  return size * count;
}

int OnConnected(void* user, char*, char*, int, int) {
  static_cast<HopState*>(user)->watch.Connected(Clock::now());
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

std::string UrlPart(CURLU* url, CURLUPart part, unsigned int flags = 0) {
  char* value = nullptr;
  if (curl_url_get(url, part, &value, flags) != CURLUE_OK || !value) return std::string();
  std::string copy(value);
  curl_free(value);
  return copy;
}

// The 16 bytes of a bracketed IPv6 literal ("[::1]", "[0::1]", a zone after "%" left out), or
// nothing when the host is not one.
std::optional<in6_addr> Ipv6Literal(std::string_view host) {
  if (host.size() < 2 || host.front() != '[' || host.back() != ']') return std::nullopt;
  std::string inner(host.substr(1, host.size() - 2));
  inner = inner.substr(0, inner.find('%'));
  in6_addr address{};
  if (inet_pton(AF_INET6, inner.c_str(), &address) != 1) return std::nullopt;
  return address;
}

// True when libcurl's reading of the host names the host given: the same name, or the same IPv6
// address however either is written.
bool SameHost(const std::string& given, const std::string& parsed) {
  if (given.size() == parsed.size() && StartsWithIgnoringCase(parsed, given)) return true;
  std::optional<in6_addr> a = Ipv6Literal(given);
  std::optional<in6_addr> b = Ipv6Literal(parsed);
  return a && b && std::memcmp(a->s6_addr, b->s6_addr, sizeof a->s6_addr) == 0;
}

// The address of the first request, or nothing when libcurl would read the host differently
// from the one given (a host holding "?", "@" or the like cannot be reached).
std::optional<std::string> ComposeUrl(const TransportRequest& request) {
  std::string url = std::string(request.secure ? "https://" : "http://") + request.host + ":" +
                    std::to_string(request.port) + RequestTarget(request.objectPath);
  UrlHandle parsed(curl_url());
  if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) return std::nullopt;
  std::string host = UrlPart(parsed.get(), CURLUPART_HOST);
  return !host.empty() && SameHost(request.host, host) ? std::optional<std::string>(url) : std::nullopt;
}

std::string ProxyForHop(std::string_view proxyText, const std::string& url) {
  if (proxyText.starts_with("http="))
    return StartsWithIgnoringCase(url, "https://") ? "" : std::string(proxyText.substr(5));
  return std::string(proxyText);
}

// "scheme://host:port" of an address, in lower case, the port always written; the address itself
// when libcurl cannot read it.
std::string SchemeHostPort(const std::string& url) {
  UrlHandle parsed(curl_url());
  if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) return url;
  std::string origin = UrlPart(parsed.get(), CURLUPART_SCHEME) + "://" + UrlPart(parsed.get(), CURLUPART_HOST) +
                       ":" + UrlPart(parsed.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
  for (char& c : origin) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
  return origin;
}

// What a connection for this request depends on: scheme, host and port (SchemeHostPort of url),
// the proxy it goes through and the certificates it was checked against.
std::string OriginOf(const std::string& schemeHostPort, const std::string& url, std::string_view proxyText,
                     const TransferSettings& settings) {
  return schemeHostPort + " via " + ProxyForHop(proxyText, url) + " trusting " + settings.trustedCertificatesFile;
}

// The address without user name, password and login options; nothing when libcurl cannot read it.
std::optional<std::string> WithoutCredentials(const std::string& url) {
  UrlHandle parsed(curl_url());
  if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) return std::nullopt;
  curl_url_set(parsed.get(), CURLUPART_USER, nullptr, 0);
  curl_url_set(parsed.get(), CURLUPART_PASSWORD, nullptr, 0);
  curl_url_set(parsed.get(), CURLUPART_OPTIONS, nullptr, 0);
  std::string stripped = UrlPart(parsed.get(), CURLUPART_URL);
  return stripped.empty() ? std::nullopt : std::optional<std::string>(stripped);
}

long Milliseconds(std::chrono::milliseconds duration) {
  return duration.count() > 0 ? static_cast<long>(duration.count()) : 1L;
}

void SetCommonOptions(CURL* handle, const TransportRequest& request, const TransferSettings& settings,
                      HopState* state) {
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(handle, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(handle, CURLOPT_HEADEROPT, static_cast<long>(CURLHEADER_SEPARATE));
  curl_easy_setopt(handle, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  std::string agent = request.agent.substr(0, request.agent.find_first_of("\r\n"));
  curl_easy_setopt(handle, CURLOPT_USERAGENT, agent.c_str());
  curl_easy_setopt(handle, CURLOPT_NOPROXY, "");
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, Milliseconds(settings.connectTimeout));
  curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, kReceiveBufferSize);
  if (!settings.trustedCertificatesFile.empty())
    curl_easy_setopt(handle, CURLOPT_CAINFO, settings.trustedCertificatesFile.c_str());
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, state->errorText);
  curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, OnHeaderLine);
  curl_easy_setopt(handle, CURLOPT_HEADERDATA, state);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, OnBodyBytes);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, state);
  curl_easy_setopt(handle, CURLOPT_PREREQFUNCTION, OnConnected);
  curl_easy_setopt(handle, CURLOPT_PREREQDATA, state);
}

// Address, proxy, verb and body of one hop. libcurl sends no body with its own HEAD, so a HEAD
// that carries one goes out as a body-sending request named HEAD, and the transfer ends when the
// answer's head is in.
void SetHopOptions(CURL* handle, const Hop& hop, std::string_view proxyText) {
  curl_easy_setopt(handle, CURLOPT_URL, hop.url.c_str());
  curl_easy_setopt(handle, CURLOPT_PROXY, ProxyForHop(proxyText, hop.url).c_str());
  curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, static_cast<char*>(nullptr));
  curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
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

// Where a redirect answer leads.
struct Redirect {
  enum class Kind { None, Follow, Unsupported } kind = Kind::None;
  Hop next;
};

// The request a redirect answer leads to; None when the answer is final, Unsupported when it
// leads to an address that is not http or https.
Redirect RedirectTarget(CURL* handle, const Hop& hop) {
  long status = 0;
  char* location = nullptr;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  curl_easy_getinfo(handle, CURLINFO_REDIRECT_URL, &location);
  if (!IsFollowedStatus(status) || !location) return {};
  std::optional<std::string> url = WithoutCredentials(location);
  if (!url || (!StartsWithIgnoringCase(*url, "http://") && !StartsWithIgnoringCase(*url, "https://")))
    return {Redirect::Kind::Unsupported, {}};
  Hop next{*url, hop.verb, hop.body};
  bool toGet = (status == 303 && hop.verb != "HEAD") || ((status == 301 || status == 302) && hop.verb == "POST");
  if (toGet) {
    next.verb = "GET";
    next.body.reset();
  }
  return {Redirect::Kind::Follow, std::move(next)};
}

std::int64_t TransferredBytes(CURL* handle, CURLINFO info) {
  curl_off_t bytes = 0;
  curl_easy_getinfo(handle, info, &bytes);
  return bytes;
}

// libcurl's result for the transfer that has just ended.
CURLcode DoneResult(CURLM* multi) {
  int left = 0;
  while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
    if (message->msg == CURLMSG_DONE) return message->data.result;
  }
  return CURLE_OK;
}

// Runs one request until libcurl is done with it or the watch says to stop, looking at the watch
// at least every kPollMilliseconds. The connection goes back to the multi handle's cache when
// the answer was read whole; otherwise libcurl closes it.
CURLcode RunHop(CURLM* multi, CURL* easy, HopState& state, TransferWatch::Stop& stop) {
  if (curl_multi_add_handle(multi, easy) != CURLM_OK) return CURLE_FAILED_INIT;
  CURLcode result = CURLE_FAILED_INIT;
  for (;;) {
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) break;
    if (running == 0) {
      result = DoneResult(multi);
      break;
    }
    stop = state.watch.Check(Clock::now(), TransferredBytes(easy, CURLINFO_SIZE_DOWNLOAD_T),
                             TransferredBytes(easy, CURLINFO_SIZE_UPLOAD_T));
    if (stop != TransferWatch::Stop::None) break;
    // A paused transfer resumes once its held bytes may be kept (libcurl hands them to the body
    // callback again at once); asking first spares libcurl copying them back and forth.
    if (state.watch.IsPaused() && state.settings.mayHoldBody(state.pausedAt)) curl_easy_pause(easy, CURLPAUSE_CONT);
    curl_multi_poll(multi, nullptr, 0, kPollMilliseconds, nullptr);
  }
  curl_multi_remove_handle(multi, easy);
  return result;
}

// The account of a failure libcurl reported: the system's words for a connection that failed
// ("Connection refused"), otherwise libcurl's own.
runtime::Text CurlMessage(CURLcode code, const HopState& state) {
  long osError = 0;
  curl_easy_getinfo(state.handle, CURLINFO_OS_ERRNO, &osError);
  if (code == CURLE_COULDNT_CONNECT && osError != 0) {
    char buffer[256];
    return strerror_r(static_cast<int>(osError), buffer, sizeof buffer);
  }
  return state.errorText[0] != '\0' ? runtime::Text(state.errorText) : runtime::Text(curl_easy_strerror(code));
}

// The failure of a hop, judged in this order: the watch's stop, the limits the callbacks hold,
// then libcurl's result.
void JudgeHop(CURLcode code, TransferWatch::Stop stop, HopState& state, FetchResponse& response) {
  const TransferSettings& settings = state.settings;
  auto fail = [&](FetchFailure failure, runtime::Text message) {
    response.failure = failure;
    response.message = std::move(message);
  };
  if (stop == TransferWatch::Stop::Cancelled) {
    fail(FetchFailure::Cancelled, CancelledMessage());
  } else if (stop == TransferWatch::Stop::Inactive) {
    fail(FetchFailure::TimedOut, InactivityMessage(settings.inactivityLimit));
  } else if (stop == TransferWatch::Stop::TooLong) {
    fail(FetchFailure::TransferTooLong, TotalTimeMessage(settings.totalTimeLimit));
  } else if (state.pageTooLarge) {
    state.collector.DropBody();
    fail(FetchFailure::PageTooLarge, PageTooLargeMessage(BodyLimit(settings)));
  } else if (state.headersTooLarge) {
    fail(FetchFailure::HeadersTooLarge, HeadersTooLargeMessage());
  } else if (!state.endedAtHeaders && code != CURLE_OK) {
    FetchFailure failure = FailureOfCurlCode(code, state.watch.IsConnected(), state.collector.Answered());
    fail(failure, failure == FetchFailure::HeadersTooLarge ? HeadersTooLargeMessage() : CurlMessage(code, state));
  }
}

// The header list libcurl sends; nothing when it runs out of memory.
std::optional<HeaderList> MakeHeaderList(std::string_view headerBlock, bool sendsBody) {
  HeaderList headers;
  for (const std::string& line : CurlHeaderLines(headerBlock, sendsBody)) {
    curl_slist* extended = curl_slist_append(headers.get(), line.c_str());
    if (!extended) return std::nullopt;
    if (!headers) headers.reset(extended);
  }
  return headers;
}

}  // namespace

FetchResponse PerformExchange(const TransportRequest& request, const TransferSettings& settings) {
  ConnectionPool& pool = ConnectionPool::Shared();
  std::optional<std::string> url = ComposeUrl(request);
  if (!url) return Failed(FetchFailure::UnsupportedAddress, UnsupportedAddressMessage());
  const bool sendsBody = request.body.has_value();
  std::string ownBlock = request.headerBlock;
  if (!request.cookieHeader.empty()) ownBlock += "\r\n" + request.cookieHeader;
  std::optional<HeaderList> ownHeaders = MakeHeaderList(ownBlock, sendsBody);
  std::optional<HeaderList> otherHeaders = MakeHeaderList(WithoutCredentialLines(request.headerBlock), sendsBody);
  if (!ownHeaders || !otherHeaders) return Failed(FetchFailure::Other, "libcurl: out of memory");
  // Each address is read once: libcurl's parser costs more than the rest of a small page's setup.
  const std::string ownOrigin = SchemeHostPort(*url);
  std::string origin = OriginOf(ownOrigin, *url, request.proxy, settings);
  std::unique_ptr<PooledConnection> connection = pool.Borrow(origin);
  // The state outlives the transfer handle, which points at its error buffer.
  HopState state(settings, Clock::now());
  EasyHandle easy(connection ? curl_easy_init() : nullptr);
  if (!easy) return Failed(FetchFailure::Other, "libcurl could not be set up");
  state.handle = easy.get();

  FetchResponse response;
  SetCommonOptions(easy.get(), request, settings, &state);
  Hop hop{*url, request.verb, request.body};
  for (int redirects = 0;; ++redirects) {
    if (state.watch.CancelRequested()) {
      response = Failed(FetchFailure::Cancelled, CancelledMessage());
      break;
    }
    state.StartHop(hop.verb == "HEAD" && hop.body);
    SetHopOptions(easy.get(), hop, request.proxy);
    const std::string hopOrigin = redirects == 0 ? ownOrigin : SchemeHostPort(hop.url);
    const HeaderList& headers = hopOrigin == ownOrigin ? *ownHeaders : *otherHeaders;
    curl_easy_setopt(easy.get(), CURLOPT_HTTPHEADER, headers.get());
    TransferWatch::Stop stop = TransferWatch::Stop::None;
    CURLcode code = RunHop(connection->Multi(), easy.get(), state, stop);
    origin = OriginOf(hopOrigin, hop.url, request.proxy, settings);
    if (state.failure) {
      pool.Return(origin, std::move(connection));
      std::rethrow_exception(state.failure);
    }
    JudgeHop(code, stop, state, response);
    if (!response.Complete() || !request.followRedirects) break;
    Redirect redirect = RedirectTarget(easy.get(), hop);
    if (redirect.kind == Redirect::Kind::None) break;
    if (redirect.kind == Redirect::Kind::Unsupported) {
      response = Failed(FetchFailure::UnsupportedAddress, UnsupportedAddressMessage());
      break;
    }
    if (redirects == kMaxRedirects) {
      response = Failed(FetchFailure::TooManyRedirects, TooManyRedirectsMessage(kMaxRedirects));
      break;
    }
    hop = std::move(redirect.next);
  }
  if (state.collector.Answered()) {
    response.status = state.collector.StatusCode();
    response.headerBlock = state.collector.TakeHeaderBlock();
    response.body = state.collector.TakeBody();
  }
  response.finalAddress = hop.url;
  pool.Return(origin, std::move(connection));
  return response;
}

}  // namespace web
