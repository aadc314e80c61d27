// Page downloads of a run: one at a time when the limits say so, otherwise several ahead on a
// pool of workers, handed out strictly in address order.
#include "collect/page_downloads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <vector>

#include "collect/page_request.h"
#include "web/url_parts.h"

namespace collect {
namespace {

using Clock = std::chrono::steady_clock;

// How far ahead of the page in hand downloads may run, in pages per job: bounds what is held in
// memory however long the address list is.
constexpr int kLookAheadPerJob = 2;
// How often a wait for the next request to a host looks whether the run was stopped.
constexpr std::chrono::milliseconds kStopPoll{50};

// Hosts are told apart with their port.
runtime::Text HostOf(const runtime::Text& address) { return web::UrlHost(address, web::HostPort::With); }

// The run's downloads abandon their transfers when the user stops or the downloads are closed.
web::FetchResponse FetchPage(const runtime::Text& address, const CollectionSettings& settings,
                             Fetcher& fetcher, const RunObserver& observer, const std::atomic<bool>& closing) {
  if (address.empty()) return web::FetchResponse();
  web::FetchRequest request = PageRequest(address, settings, observer);
  request.settings.cancelRequested = [&observer, &closing] { return closing || observer.StopRequested(); };
  return fetcher.Fetch(request);
}

// One page at a time, each when its turn comes, with the pause between two requests to the same
// host.
class SequentialDownloads final : public PageDownloads {
public:
  SequentialDownloads(const CollectionSettings& settings, Fetcher& fetcher, const RunObserver& observer)
      : settings_(settings), fetcher_(fetcher), observer_(observer) {}

  web::FetchResponse Take(int index) override { return Download(index); }
  web::FetchResponse Again(int index) override { return Download(index); }

private:
  web::FetchResponse Download(int index) {
    const runtime::Text& address = settings_.addresses[static_cast<std::size_t>(index)];
    if (!address.empty()) {
      runtime::Text host = HostOf(address);
      if (host == lastHost_) PauseUntil(lastStart_ + settings_.fetching.delay);
      lastHost_ = host;
      lastStart_ = Clock::now();
    }
    return FetchPage(address, settings_, fetcher_, observer_, closing_);
  }

  void PauseUntil(Clock::time_point moment) {
    while (Clock::now() < moment && !observer_.StopRequested()) {
      std::this_thread::sleep_for(std::min<Clock::duration>(kStopPoll, moment - Clock::now()));
    }
  }

  const CollectionSettings& settings_;
  Fetcher& fetcher_;
  const RunObserver& observer_;
  std::atomic<bool> closing_{false};
  runtime::Text lastHost_;
  Clock::time_point lastStart_;
};

// Up to `jobs` pages in flight, at most `perHost` to one host, downloaded ahead of the page in
// hand by at most kLookAheadPerJob × jobs pages. A retry goes before every page ahead.
class ParallelDownloads final : public PageDownloads {
public:
  ParallelDownloads(const CollectionSettings& settings, Fetcher& fetcher, const RunObserver& observer)
      : settings_(settings), fetcher_(fetcher), observer_(observer),
        lookAhead_(std::max(1, settings.fetching.jobs) * kLookAheadPerJob),
        pageCount_(static_cast<int>(settings.addresses.size())) {
    const int workers = std::min(std::max(1, settings.fetching.jobs), std::max(1, pageCount_));
    for (int i = 0; i < workers; ++i) workers_.emplace_back([this] { Work(); });
  }

  ~ParallelDownloads() override {
    {
      std::lock_guard lock(mutex_);
      closing_ = true;
      closingFlag_ = true;
    }
    workAvailable_.notify_all();
    answerReady_.notify_all();
    for (std::thread& worker : workers_) worker.join();
  }

  web::FetchResponse Take(int index) override {
    std::unique_lock lock(mutex_);
    answerReady_.wait(lock, [&] { return done_.count(index) > 0; });
    web::FetchResponse response = std::move(done_[index]);
    done_.erase(index);
    // One more page may now be downloaded ahead.
    taken_ = index + 1;
    workAvailable_.notify_one();
    return response;
  }

  web::FetchResponse Again(int index) override {
    std::unique_lock lock(mutex_);
    retry_ = index;
    workAvailable_.notify_one();
    answerReady_.wait(lock, [&] { return retryAnswer_.has_value(); });
    web::FetchResponse response = std::move(*retryAnswer_);
    retryAnswer_.reset();
    return response;
  }

private:
  // A page a worker may start now, or when the soonest of the hosts' pauses ends.
  struct Choice {
    std::optional<int> page;
    bool isRetry = false;
    Clock::time_point wakeAt = Clock::time_point::max();
  };

  const runtime::Text& AddressOf(int page) const { return settings_.addresses[static_cast<std::size_t>(page)]; }

  // Whether a request to the page's host may start now; otherwise when it may.
  bool HostFree(int page, Clock::time_point now, Clock::time_point& wakeAt) {
    const runtime::Text& address = AddressOf(page);
    if (address.empty()) return true;
    const runtime::Text host = HostOf(address);
    if (inFlight_[host] >= std::max(1, settings_.fetching.perHost)) return false;
    auto last = lastStart_.find(host);
    if (last == lastStart_.end()) return true;
    const Clock::time_point allowed = last->second + settings_.fetching.delay;
    if (allowed <= now) return true;
    wakeAt = std::min(wakeAt, allowed);
    return false;
  }

  Choice Choose() {
    Choice choice;
    const Clock::time_point now = Clock::now();
    if (inFlightTotal_ >= std::max(1, settings_.fetching.jobs)) return choice;
    if (retry_) {
      if (HostFree(*retry_, now, choice.wakeAt)) {
        choice.page = retry_;
        choice.isRetry = true;
      }
      return choice;
    }
    const int end = std::min(pageCount_, taken_ + lookAhead_);
    for (int page = std::max(nextUnstarted_, taken_); page < end; ++page) {
      if (started_.count(page) == 0 && HostFree(page, now, choice.wakeAt)) {
        choice.page = page;
        return choice;
      }
    }
    return choice;
  }

  void Work() {
    std::unique_lock lock(mutex_);
    while (!closing_) {
      Choice choice = Choose();
      if (!choice.page) {
        if (choice.wakeAt == Clock::time_point::max()) {
          workAvailable_.wait(lock);
        } else {
          workAvailable_.wait_until(lock, choice.wakeAt);
        }
        continue;
      }
      const int page = *choice.page;
      if (choice.isRetry) {
        retry_.reset();
      } else {
        started_.insert(page);
        while (started_.count(nextUnstarted_) > 0) started_.erase(nextUnstarted_++);
      }
      const runtime::Text host = AddressOf(page).empty() ? runtime::Text() : HostOf(AddressOf(page));
      if (!host.empty()) {
        ++inFlight_[host];
        lastStart_[host] = Clock::now();
      }
      ++inFlightTotal_;
      lock.unlock();
      web::FetchResponse response = FetchPage(AddressOf(page), settings_, fetcher_, observer_, closingFlag_);
      lock.lock();
      if (!host.empty()) --inFlight_[host];
      --inFlightTotal_;
      if (choice.isRetry) {
        retryAnswer_ = std::move(response);
      } else {
        done_[page] = std::move(response);
      }
      // Only the engine's thread waits for answers; the slot this download held is taken again by
      // this worker when it looks for work, so no other worker needs waking.
      answerReady_.notify_one();
    }
  }

  const CollectionSettings& settings_;
  Fetcher& fetcher_;
  const RunObserver& observer_;
  const int lookAhead_;
  const int pageCount_;

  std::mutex mutex_;
  std::condition_variable workAvailable_;  // workers wait for a page they may start
  std::condition_variable answerReady_;    // the engine's thread waits for an answer
  bool closing_ = false;
  std::atomic<bool> closingFlag_{false};
  int taken_ = 0;          // the page in hand; pages before it are done with
  int nextUnstarted_ = 0;  // every page before it has been started
  std::set<int> started_;  // pages started beyond nextUnstarted_
  std::map<int, web::FetchResponse> done_;
  std::optional<int> retry_;
  std::optional<web::FetchResponse> retryAnswer_;
  std::map<runtime::Text, int> inFlight_;
  std::map<runtime::Text, Clock::time_point> lastStart_;
  int inFlightTotal_ = 0;
  std::vector<std::thread> workers_;
};

}  // namespace

web::FetchResponse DownloadPage(const runtime::Text& address, const CollectionSettings& settings,
                                Fetcher& fetcher, const RunObserver& observer) {
  static const std::atomic<bool> kNeverClosing{false};
  return FetchPage(address, settings, fetcher, observer, kNeverClosing);
}

std::unique_ptr<PageDownloads> MakePageDownloads(const CollectionSettings& settings,
                                                 Fetcher& fetcher, const RunObserver& observer) {
  if (settings.fetching.jobs <= 1) return std::make_unique<SequentialDownloads>(settings, fetcher, observer);
  return std::make_unique<ParallelDownloads>(settings, fetcher, observer);
}

}  // namespace collect
