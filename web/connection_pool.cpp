// Open connections kept for reuse: libcurl multi handles lent to one exchange at a time.
#include "web/connection_pool.h"

#include <algorithm>

namespace web {

PooledConnection::PooledConnection() : multi_(curl_multi_init()) {
  // One idle connection: the one the last request used. A redirect to another origin thus closes
  // the connection to the first, which this object no longer answers for.
  if (multi_) curl_multi_setopt(multi_, CURLMOPT_MAXCONNECTS, 1L);
}

PooledConnection::~PooledConnection() {
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

std::unique_ptr<PooledConnection> ConnectionPool::Borrow(const std::string& origin) {
  if (!curlReady_) return nullptr;
  {
    std::lock_guard lock(mutex_);
    auto found = std::find_if(idle_.begin(), idle_.end(), [&](const auto& entry) { return entry.first == origin; });
    if (found != idle_.end()) {
      std::unique_ptr<PooledConnection> connection = std::move(found->second);
      idle_.erase(found);
      return connection;
    }
  }
  auto connection = std::make_unique<PooledConnection>();
  return connection->Multi() ? std::move(connection) : nullptr;
}

void ConnectionPool::Return(std::string origin, std::unique_ptr<PooledConnection> connection) {
  std::unique_ptr<PooledConnection> evicted;
  {
    std::lock_guard lock(mutex_);
    idle_.emplace_front(std::move(origin), std::move(connection));
    if (idle_.size() > kMaxIdle) {
      evicted = std::move(idle_.back().second);
      idle_.pop_back();
    }
  }
}

}  // namespace web
