// Open connections kept for reuse: libcurl multi handles, each holding the idle connection of the
// exchange it last served, lent to one exchange at a time from any thread.
#pragma once

#include <curl/curl.h>

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace web {

// A libcurl multi handle: it drives an exchange's transfers, and its connection cache keeps one
// idle connection (the last one used) for the next exchange it is lent to. Transfer handles come
// and go per exchange; the connection stays with this object.
class PooledConnection {
public:
  PooledConnection();
  ~PooledConnection();
  PooledConnection(const PooledConnection&) = delete;
  PooledConnection& operator=(const PooledConnection&) = delete;

  // Null when libcurl could not make the handle.
  CURLM* Multi() const { return multi_; }

private:
  CURLM* multi_ = nullptr;
};

// The process-wide store of idle connections by origin ("scheme://host:port" plus whatever else
// a connection depends on). An exchange borrows the most recently returned one of its origin, or
// a new one when all are in use, so the connections open to an origin never outnumber the
// exchanges that ran against it at the same time. Thread-safe.
class ConnectionPool {
public:
  // Idle connections kept at most; beyond that the longest unused one is closed.
  static constexpr std::size_t kMaxIdle = 32;

  // The pool every exchange of the process uses; sets libcurl up on first use.
  static ConnectionPool& Shared();

  // An idle connection of that origin, or a new (not yet connected) one; null when libcurl cannot
  // be set up.
  std::unique_ptr<PooledConnection> Borrow(const std::string& origin);
  // Takes a connection back; origin is where its last request went.
  void Return(std::string origin, std::unique_ptr<PooledConnection> connection);

private:
  ConnectionPool() = default;

  bool curlReady_ = false;
  std::mutex mutex_;
  std::deque<std::pair<std::string, std::unique_ptr<PooledConnection>>> idle_;  // most recent first
};

}  // namespace web
