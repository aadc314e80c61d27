// Decides when a running transfer is to be abandoned: the caller cancelled it, or no byte has
// moved for longer than the inactivity limit since the connection was made.
#pragma once

#include <chrono>
#include <cstdint>

#include "web/transfer_settings.h"

namespace web {

class TransferWatch {
public:
  using Clock = std::chrono::steady_clock;

  explicit TransferWatch(const TransferSettings& settings) : settings_(settings) {}

  // A new connection is being made: until it is ready only the connection time-out applies.
  void Connecting() { connected_ = false; }
  // A connection is ready and the request is about to go out: the inactivity clock starts.
  void Connected(Clock::time_point now);
  // Bytes arrived (header or body).
  void Activity(Clock::time_point now) { lastActivity_ = now; }
  // Called periodically with the transfer's running byte counts. True when the transfer is to
  // stop; Cancelled() and TimedOut() then tell why.
  bool ShouldStop(Clock::time_point now, std::int64_t received, std::int64_t sent);

  bool Cancelled() const { return cancelled_; }
  bool TimedOut() const { return timedOut_; }

private:
  const TransferSettings& settings_;
  bool connected_ = false;
  bool cancelled_ = false;
  bool timedOut_ = false;
  Clock::time_point lastActivity_{};
  std::int64_t received_ = 0;
  std::int64_t sent_ = 0;
};

}  // namespace web
