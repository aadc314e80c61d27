// Decides when a running transfer is to be abandoned: the caller cancelled it, no byte has moved
// for longer than the inactivity limit since the connection was made, or the whole transfer has
// run longer than its limit. Time the caller held the transfer paused counts toward neither.
#pragma once

#include <chrono>
#include <cstdint>

#include "web/transfer_settings.h"

namespace web {

class TransferWatch {
public:
  using Clock = std::chrono::steady_clock;

  // Why a transfer is to stop.
  enum class Stop {
    None,        // carry on
    Cancelled,   // the cancel hook said so
    Inactive,    // no byte moved for the inactivity limit
    TooLong,     // the whole transfer ran past its time limit
  };

  // The whole-transfer clock starts at start.
  TransferWatch(const TransferSettings& settings, Clock::time_point start)
      : settings_(settings), start_(start) {}

  // A new connection is being made: until it is ready only the connection time-out applies.
  void Connecting() { connected_ = false; }
  // A connection is ready and the request is about to go out: the inactivity clock starts.
  void Connected(Clock::time_point now);
  bool IsConnected() const { return connected_; }
  // Bytes arrived (header or body).
  void Activity(Clock::time_point now) { lastActivity_ = now; }
  // The caller stopped taking bytes (the transfer is paused) / takes them again.
  void Paused(Clock::time_point now);
  void Resumed(Clock::time_point now);
  bool IsPaused() const { return paused_; }
  // Called periodically with the transfer's running byte counts (a change counts as activity).
  Stop Check(Clock::time_point now, std::int64_t received, std::int64_t sent);
  // True when the cancel hook asks to stop (the hook is called).
  bool CancelRequested() const { return settings_.cancelRequested && settings_.cancelRequested(); }

private:
  const TransferSettings& settings_;
  Clock::time_point start_;
  bool connected_ = false;
  Clock::time_point lastActivity_{};
  std::int64_t received_ = 0;
  std::int64_t sent_ = 0;
  bool paused_ = false;
  Clock::time_point pausedSince_{};
  Clock::duration pausedTotal_{};
};

}  // namespace web
