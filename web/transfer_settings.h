// Bounds and hooks of one HTTP exchange that the request routine's own parameters do not carry.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace web {

inline constexpr std::int64_t kMebibyte = 1024 * 1024;
// The largest body any transfer takes, whatever its settings ask: 2047 MiB, so that a page and
// every position in it fit the 32-bit positions of the text operations.
inline constexpr std::int64_t kLargestBodyBytes = 2047 * kMebibyte;

struct TransferSettings {
  // Longest wait for a connection (TCP and TLS handshake, proxy included) to be established.
  std::chrono::milliseconds connectTimeout{std::chrono::seconds(60)};
  // Once connected, a transfer during which no byte moves for this long ends with what has
  // arrived so far.
  std::chrono::milliseconds inactivityLimit{std::chrono::seconds(30)};
  // A transfer still running after this long ends as timed out, however steadily bytes arrive.
  std::chrono::milliseconds totalTimeLimit{std::chrono::minutes(5)};
  // A body growing past this many bytes ends the transfer; the page counts as too large. A value
  // above kLargestBodyBytes counts as kLargestBodyBytes (see BodyLimit).
  std::int64_t maxBodyBytes = 256 * kMebibyte;
  // Polled from the calling thread at least every 50 ms while the exchange runs or waits out a
  // Retry-After; returning true abandons it ("停止", or the window is closing) and the call
  // returns within about 50 ms. May be empty.
  std::function<bool()> cancelRequested;
  // Asked, from the calling thread, before the body of an answer grows to bodySize bytes. False
  // pauses the transfer: nothing more is read from the connection, and the question is asked
  // again at least every 50 ms until it says true. The time paused counts toward neither the
  // inactivity nor the whole-transfer limit. May be empty: a body always grows.
  std::function<bool(std::int64_t bodySize)> mayHoldBody;
  // For tests only: a PEM file whose certificates are trusted instead of the system's. Empty
  // means the system's trust store. Never set from the user interface.
  std::string trustedCertificatesFile;
};

// The body size past which a transfer with these settings ends: maxBodyBytes, never above
// kLargestBodyBytes.
inline std::int64_t BodyLimit(const TransferSettings& settings) {
  return std::min(settings.maxBodyBytes, kLargestBodyBytes);
}

}  // namespace web
