// The stop signals, noted by a handler that only stores the signal's number.
#include "cli/stop_signals.h"

#include <atomic>
#include <csignal>

namespace cli {
namespace {

std::atomic<int> stopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the handler may only touch a lock-free atomic");

void NoteStopSignal(int signal) { stopSignal.store(signal, std::memory_order_relaxed); }

}  // namespace

void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = NoteStopSignal;
  sigemptyset(&action.sa_mask);
  // Calls under way go on: a transfer or a write is not cut short by the signal.
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

int StopSignal() { return stopSignal.load(std::memory_order_relaxed); }

int StoppedBySignalStatus(int signal) { return 128 + signal; }

}  // namespace cli
