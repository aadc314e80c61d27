// Decides when a running transfer is to be abandoned.
#include "web/transfer_watch.h"

namespace web {

void TransferWatch::Connected(Clock::time_point now) {
  connected_ = true;
  lastActivity_ = now;
  received_ = 0;
  sent_ = 0;
}

void TransferWatch::Paused(Clock::time_point now) {
  if (paused_) return;
  paused_ = true;
  pausedSince_ = now;
}

void TransferWatch::Resumed(Clock::time_point now) {
  if (!paused_) return;
  paused_ = false;
  pausedTotal_ += now - pausedSince_;
  lastActivity_ = now;
}

TransferWatch::Stop TransferWatch::Check(Clock::time_point now, std::int64_t received, std::int64_t sent) {
  if (received != received_ || sent != sent_) {
    received_ = received;
    sent_ = sent;
    lastActivity_ = now;
  }
  if (CancelRequested()) return Stop::Cancelled;
  if (paused_) return Stop::None;
  if (now - start_ - pausedTotal_ > settings_.totalTimeLimit) return Stop::TooLong;
  if (connected_ && now - lastActivity_ > settings_.inactivityLimit) return Stop::Inactive;
  return Stop::None;
}

}  // namespace web
