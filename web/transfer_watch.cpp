// Decides when a running transfer is to be abandoned.
#include "web/transfer_watch.h"

namespace web {

void TransferWatch::Connected(Clock::time_point now) {
  connected_ = true;
  lastActivity_ = now;
  received_ = 0;
  sent_ = 0;
}

bool TransferWatch::ShouldStop(Clock::time_point now, std::int64_t received, std::int64_t sent) {
  if (settings_.cancelRequested && settings_.cancelRequested()) {
    cancelled_ = true;
    return true;
  }
  if (received != received_ || sent != sent_) {
    received_ = received;
    sent_ = sent;
    lastActivity_ = now;
  }
  if (connected_ && now - lastActivity_ > settings_.inactivityLimit) {
    timedOut_ = true;
    return true;
  }
  return false;
}

}  // namespace web
