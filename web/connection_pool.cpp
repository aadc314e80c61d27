// Open connections kept for reuse: libcurl clients lent to one exchange at a time.
#include "web/connection_pool.h"

#include <algorithm>

namespace web {

CurlClient::CurlClient() : multi_(curl_multi_init()), easy_(curl_easy_init()) {
  // One idle connection per client: the one its last request used. A redirect to another origin
  // thus closes the connection to the first, which the client no longer answers for.
  if (multi_) curl_multi_setopt(multi_, CURLMOPT_MAXCONNECTS, 1L);
}

CurlClient::~CurlClient() {
  if (easy_) curl_easy_cleanup(easy_);
  if (multi_) curl_multi_cleanup(multi_);
}

ConnectionPool& ConnectionPool::Shared() {
  // Never destroyed: the process's end closes the connections, and libcurl's TLS library may be
  // gone before a static destructor could run.
  static ConnectionPool* pool = [] {
    auto* created = new ConnectionPool();
    created->curlReady_ = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return created;
  }();
  return *pool;
}

std::unique_ptr<CurlClient> ConnectionPool::Borrow(const std::string& origin) {
  if (!curlReady_) return nullptr;
  {
    std::lock_guard lock(mutex_);
    auto found = std::find_if(idle_.begin(), idle_.end(), [&](const auto& entry) { return entry.first == origin; });
    if (found != idle_.end()) {
      std::unique_ptr<CurlClient> client = std::move(found->second);
      idle_.erase(found);
      return client;
    }
  }
  auto client = std::make_unique<CurlClient>();
  return client->Ready() ? std::move(client) : nullptr;
}

void ConnectionPool::Return(std::string origin, std::unique_ptr<CurlClient> client) {
  std::unique_ptr<CurlClient> evicted;
  {
    std::lock_guard lock(mutex_);
    idle_.emplace_front(std::move(origin), std::move(client));
    if (idle_.size() > kMaxIdleClients) {
      evicted = std::move(idle_.back().second);
      idle_.pop_back();
    }
  }
}

}  // namespace web
