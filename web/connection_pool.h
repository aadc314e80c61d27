// Open connections kept for reuse: libcurl clients, each holding the idle connection of the
// exchange it last served, lent to one exchange at a time from any thread.
#pragma once

#include <curl/curl.h>

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace web {

// A libcurl transfer handle and the multi handle that drives it. The multi handle's connection
// cache keeps one idle connection (the last one used), so the next exchange lent this client
// finds it open.
class CurlClient {
public:
  CurlClient();
  ~CurlClient();
  CurlClient(const CurlClient&) = delete;
  CurlClient& operator=(const CurlClient&) = delete;

  // False when libcurl could not make the handles.
  bool Ready() const { return multi_ != nullptr && easy_ != nullptr; }
  CURLM* Multi() const { return multi_; }
  CURL* Easy() const { return easy_; }

private:
  CURLM* multi_ = nullptr;
  CURL* easy_ = nullptr;
};

// The process-wide store of idle clients by origin ("scheme://host:port" plus whatever else a
// connection depends on). An exchange borrows the most recently returned idle client of its
// origin, or a new one when all are in use, so the connections open to an origin never outnumber
// the exchanges that ran against it at the same time. Thread-safe.
class ConnectionPool {
public:
  // Idle clients kept at most; beyond that the longest unused one is closed.
  static constexpr std::size_t kMaxIdleClients = 32;

  // The pool every exchange of the process uses; sets libcurl up on first use.
  static ConnectionPool& Shared();

  // An idle client of that origin, or a new one; null when libcurl cannot be set up.
  std::unique_ptr<CurlClient> Borrow(const std::string& origin);
  // Takes a client back; origin is where its last request went (its open connection leads there).
  void Return(std::string origin, std::unique_ptr<CurlClient> client);

private:
  ConnectionPool() = default;

  bool curlReady_ = false;
  std::mutex mutex_;
  std::deque<std::pair<std::string, std::unique_ptr<CurlClient>>> idle_;  // most recent first
};

}  // namespace web
