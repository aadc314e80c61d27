// Page attempts of a run: one at a time when the limits say so, otherwise downloaded and prepared
// ahead on a pool of workers, within the politeness limits and a memory budget, and handed out
// strictly in address order.
#include "collect/page_downloads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "collect/page_request.h"
#include "web/url_parts.h"

namespace collect {
namespace {

using Clock = std::chrono::steady_clock;
using runtime::Text;

// How far ahead of the page in hand downloads may run, in pages per job.
constexpr int kLookAheadPerJob = 2;
// How often a wait for the next request to a host looks whether the run was stopped.
constexpr std::chrono::milliseconds kStopPoll{50};
// The least memory the downloads may hold ahead of the page in hand.
constexpr std::int64_t kMinAheadBudget = std::int64_t{512} << 20;

// Hosts are told apart with their port.
Text HostOf(const Text& address) { return web::UrlHost(address, web::HostPort::With); }

// The run's downloads abandon their transfers when the user stops or the downloads are closed.
web::FetchResponse FetchPage(const Text& address, const CollectionSettings& settings, Fetcher& fetcher,
                             const RunObserver& observer, const std::atomic<bool>& closing,
                             std::function<bool(std::int64_t)> mayHoldBody = {}) {
  if (address.empty()) return web::FetchResponse();
  web::FetchRequest request = PageRequest(address, settings, observer);
  request.settings.cancelRequested = [&observer, &closing] { return closing || observer.StopRequested(); };
  request.settings.mayHoldBody = std::move(mayHoldBody);
  return fetcher.Fetch(request);
}

// What a prepared attempt keeps in memory: its text and the positions of its matches.
std::int64_t HeldBytes(const PageOutcome& outcome) {
  const auto perMatch = static_cast<std::int64_t>(sizeof(runtime::SearchResult) +
                                                  sizeof(runtime::SubMatch) * (outcome.groupCount + 1));
  return static_cast<std::int64_t>(outcome.pageText.size()) +
         perMatch * static_cast<std::int64_t>(outcome.matches.size());
}

// One page at a time, each when its turn comes, with the pause between two requests to the same
// host; a page without a match is asked again before the next one.
class SequentialDownloads final : public PageDownloads {
public:
  SequentialDownloads(const CollectionSettings& settings, Fetcher& fetcher, const RunObserver& observer,
                      PreparePage prepare)
      : settings_(settings), fetcher_(fetcher), observer_(observer), prepare_(std::move(prepare)) {}

  PageOutcome First(int index) override { return Attempt(index); }
  PageOutcome Again(int index) override { return Attempt(index); }

private:
  PageOutcome Attempt(int index) {
    const Text& address = settings_.addresses[static_cast<std::size_t>(index)];
    if (!address.empty()) {
      Text host = HostOf(address);
      if (host == lastHost_) PauseUntil(lastStart_ + settings_.fetching.delay);
      lastHost_ = host;
      lastStart_ = Clock::now();
    }
    return prepare_(address, FetchPage(address, settings_, fetcher_, observer_, closing_));
  }

  void PauseUntil(Clock::time_point moment) {
    while (Clock::now() < moment && !observer_.StopRequested()) {
      std::this_thread::sleep_for(std::min<Clock::duration>(kStopPoll, moment - Clock::now()));
    }
  }

  const CollectionSettings& settings_;
  Fetcher& fetcher_;
  const RunObserver& observer_;
  PreparePage prepare_;
  std::atomic<bool> closing_{false};
  Text lastHost_;
  Clock::time_point lastStart_;
};

// Attempts are numbered by page: the first attempt at page p is 2p, its second 2p + 1, so that
// the order of the numbers is the order in which the engine takes them.
int FirstAttempt(int page) { return 2 * page; }
int PageOf(int attempt) { return attempt / 2; }
bool IsFirst(int attempt) { return attempt % 2 == 0; }

// Up to `jobs` downloads in flight, at most `perHost` to one host, within kLookAheadPerJob × jobs
// pages of the page in hand; the lowest attempt that may start goes first, so the second attempt
// at the page in hand goes before every page ahead. A finished download is prepared by the worker
// that fetched it, and a first attempt worth another is asked again at once. Everything held
// ahead (answers, prepared pages, preparations under way, bodies of running transfers) stays
// within the budget; the attempt the engine waits for belongs to the page in hand: it is not
// counted and never waits for room.
class ParallelDownloads final : public PageDownloads {
public:
  ParallelDownloads(const CollectionSettings& settings, Fetcher& fetcher, const RunObserver& observer,
                    PreparePage prepare, std::int64_t budget, const std::vector<bool>& notFetched)
      : settings_(settings), fetcher_(fetcher), observer_(observer), prepare_(std::move(prepare)),
        budget_(budget), jobs_(std::max(1, settings.fetching.jobs)),
        perHost_(std::max(1, settings.fetching.perHost)), lookAhead_(jobs_ * kLookAheadPerJob),
        pageCount_(static_cast<int>(settings.addresses.size())),
        states_(static_cast<std::size_t>(2 * pageCount_), State::NotDue),
        hosts_(static_cast<std::size_t>(pageCount_)) {
    for (int page = 0; page < pageCount_; ++page) {
      const bool fetched = static_cast<std::size_t>(page) >= notFetched.size() || !notFetched[static_cast<std::size_t>(page)];
      if (fetched) states_[static_cast<std::size_t>(FirstAttempt(page))] = State::Due;
    }
    // One worker more than jobs: a worker for the attempt the engine waits for is free even when
    // every job is a transfer paused for room.
    const int workers = pageCount_ == 0 ? 0 : std::min(jobs_, 2 * pageCount_) + 1;
    for (int i = 0; i < workers; ++i) workers_.emplace_back([this] { Work(); });
  }

  ~ParallelDownloads() override {
    {
      std::lock_guard lock(mutex_);
      closing_ = true;
      closingFlag_ = true;
    }
    workAvailable_.notify_all();
    for (std::thread& worker : workers_) worker.join();
  }

  PageOutcome First(int index) override { return Await(FirstAttempt(index)); }
  PageOutcome Again(int index) override { return Await(FirstAttempt(index) + 1); }

private:
  enum class State : unsigned char { NotDue, Due, Started, Done };
  enum class Step { Download, Prepare };

  // Work a worker may take up now, or when the soonest of the hosts' pauses ends.
  struct Job {
    std::optional<int> attempt;
    Step step = Step::Download;
    Clock::time_point wakeAt = Clock::time_point::max();
  };
  struct Flight {
    Text host;  // empty for an empty address
    bool paused = false;
  };

  const Text& AddressOf(int page) const { return settings_.addresses[static_cast<std::size_t>(page)]; }
  State& StateOf(int attempt) { return states_[static_cast<std::size_t>(attempt)]; }

  const Text& Host(int page) {
    std::optional<Text>& host = hosts_[static_cast<std::size_t>(page)];
    if (!host) host = AddressOf(page).empty() ? Text() : HostOf(AddressOf(page));
    return *host;
  }

  std::int64_t Holding(int attempt) const {
    auto found = holding_.find(attempt);
    return found == holding_.end() ? 0 : found->second;
  }

  // Sets what an attempt holds; 0 lets go of it.
  void Hold(int attempt, std::int64_t bytes) {
    auto entry = holding_.try_emplace(attempt, 0).first;
    held_ += bytes - entry->second;
    if (bytes == 0) {
      holding_.erase(entry);
    } else {
      entry->second = bytes;
    }
  }

  // What is held ahead of the page in hand: everything but the attempt the engine waits for.
  std::int64_t Ahead() const { return held_ - (wanted_ ? Holding(*wanted_) : 0); }

  PageOutcome Await(int attempt) {
    std::unique_lock lock(mutex_);
    const int page = PageOf(attempt);
    if (page > current_) LetGoBefore(page);
    if (StateOf(attempt) == State::NotDue) StateOf(attempt) = State::Due;
    wanted_ = attempt;
    WakeAWorkerIfThereIsWork();
    answerReady_.wait(lock, [&] { return ready_.count(attempt) > 0; });
    wanted_.reset();
    PageOutcome outcome = std::move(ready_.extract(attempt).mapped());
    Hold(attempt, 0);
    // Room was made, and the window may have moved.
    WakeAWorkerIfThereIsWork();
    return outcome;
  }

  // The engine has moved on to page: what is held of earlier pages goes.
  void LetGoBefore(int page) {
    current_ = page;
    const int first = FirstAttempt(page);
    downloaded_.erase(downloaded_.begin(), downloaded_.lower_bound(first));
    ready_.erase(ready_.begin(), ready_.lower_bound(first));
    while (!holding_.empty() && holding_.begin()->first < first) Hold(holding_.begin()->first, 0);
  }

  // Whether a download of the page may start now within the limits; otherwise when it may. The
  // attempt the engine waits for counts only transfers that are not paused for room.
  bool MayStart(int page, bool awaited, Clock::time_point now, Clock::time_point& wakeAt) {
    if ((awaited ? inFlight_.size() - paused_ : inFlight_.size()) >= static_cast<std::size_t>(jobs_)) return false;
    const Text& host = Host(page);
    if (host.empty()) return true;
    auto onHost = onHost_.find(host);
    if (onHost != onHost_.end()) {
      auto paused = pausedOnHost_.find(host);
      const int counted = onHost->second - (awaited && paused != pausedOnHost_.end() ? paused->second : 0);
      if (counted >= perHost_) return false;
    }
    auto last = lastStart_.find(host);
    if (last == lastStart_.end()) return true;
    const Clock::time_point allowed = last->second + settings_.fetching.delay;
    if (allowed <= now) return true;
    wakeAt = std::min(wakeAt, allowed);
    return false;
  }

  // Preparations first (they settle what is held and say which pages to ask again), then the
  // lowest attempt that may start.
  Job Choose(Clock::time_point now) {
    Job job;
    for (const auto& entry : downloaded_) {
      const int attempt = entry.first;
      if (attempt == wanted_ || Ahead() + Holding(attempt) <= budget_) {
        job.attempt = attempt;
        job.step = Step::Prepare;
        return job;
      }
    }
    const bool room = Ahead() < budget_;
    const int end = FirstAttempt(std::min(pageCount_, current_ + lookAhead_));
    for (int attempt = FirstAttempt(current_); attempt < end; ++attempt) {
      if (StateOf(attempt) != State::Due) continue;
      const bool awaited = attempt == wanted_;
      if ((room || awaited) && MayStart(PageOf(attempt), awaited, now, job.wakeAt)) {
        job.attempt = attempt;
        return job;
      }
    }
    return job;
  }

  void Work() {
    std::unique_lock lock(mutex_);
    while (!closing_) {
      Job job = Choose(Clock::now());
      if (!job.attempt) {
        ++idle_;
        if (job.wakeAt == Clock::time_point::max()) {
          workAvailable_.wait(lock);
        } else {
          workAvailable_.wait_until(lock, job.wakeAt);
        }
        --idle_;
        continue;
      }
      if (job.step == Step::Prepare) {
        PrepareAttempt(*job.attempt, lock);
      } else {
        DownloadAttempt(*job.attempt, lock);
      }
    }
  }

  void DownloadAttempt(int attempt, std::unique_lock<std::mutex>& lock) {
    const int page = PageOf(attempt);
    const Text host = Host(page);
    StateOf(attempt) = State::Started;
    inFlight_.emplace(attempt, Flight{host});
    if (!host.empty()) {
      ++onHost_[host];
      lastStart_[host] = Clock::now();
    }
    WakeAWorkerIfThereIsWork();
    lock.unlock();
    web::FetchResponse response = FetchPage(AddressOf(page), settings_, fetcher_, observer_, closingFlag_,
                                            [this, attempt](std::int64_t size) { return MayHold(attempt, size); });
    lock.lock();
    const Flight flight = std::move(inFlight_.extract(attempt).mapped());
    if (flight.paused) Resume(flight.host);
    if (!host.empty()) --onHost_[host];
    if (attempt < FirstAttempt(current_)) return;
    Hold(attempt, static_cast<std::int64_t>(response.body.size()));
    downloaded_.emplace(attempt, std::move(response));
  }

  void PrepareAttempt(int attempt, std::unique_lock<std::mutex>& lock) {
    web::FetchResponse response = std::move(downloaded_.extract(attempt).mapped());
    // The preparation may need a copy of the body while it decodes.
    Hold(attempt, 2 * static_cast<std::int64_t>(response.body.size()));
    WakeAWorkerIfThereIsWork();
    lock.unlock();
    PageOutcome outcome = prepare_(AddressOf(PageOf(attempt)), std::move(response));
    const std::int64_t bytes = HeldBytes(outcome);
    const bool again = IsFirst(attempt) && WorthAnotherAttempt(outcome);
    lock.lock();
    if (attempt < FirstAttempt(current_)) return;
    if (again && StateOf(attempt + 1) == State::NotDue) StateOf(attempt + 1) = State::Due;
    StateOf(attempt) = State::Done;
    Hold(attempt, bytes);
    ready_.emplace(attempt, std::move(outcome));
    if (attempt == wanted_) answerReady_.notify_one();
  }

  // The body hook of a running transfer: whether its body may grow to size now.
  bool MayHold(int attempt, std::int64_t size) {
    std::lock_guard lock(mutex_);
    // A transfer the engine has moved past (the run is stopping) is not counted.
    if (attempt < FirstAttempt(current_)) return true;
    Flight& flight = inFlight_.at(attempt);
    if (attempt != wanted_ && (WaitsBehind(attempt) || Ahead() - Holding(attempt) + size > budget_)) {
      if (!flight.paused) {
        flight.paused = true;
        ++paused_;
        if (!flight.host.empty()) ++pausedOnHost_[flight.host];
        // The attempt the engine waits for may now start in this transfer's place.
        WakeAWorkerIfThereIsWork();
      }
      return false;
    }
    Hold(attempt, size);
    if (flight.paused) {
      flight.paused = false;
      Resume(flight.host);
    }
    return true;
  }

  // Room goes to transfers in address order: while an earlier one waits for room, a later one
  // waits too, so that pages complete one after the other instead of all growing a little.
  bool WaitsBehind(int attempt) const {
    for (const auto& [earlier, flight] : inFlight_) {
      if (earlier >= attempt) break;
      if (flight.paused && earlier != wanted_) return true;
    }
    return false;
  }

  // A worker that takes up work leaves the rest to the others; an idle one is woken only when
  // there is work it may take up now, or later when a host's pause ends (it then waits for that
  // moment): a wake costs a context switch.
  void WakeAWorkerIfThereIsWork() {
    if (idle_ == 0) return;
    const Job job = Choose(Clock::now());
    if (job.attempt || job.wakeAt != Clock::time_point::max()) workAvailable_.notify_one();
  }

  void Resume(const Text& host) {
    --paused_;
    if (!host.empty()) --pausedOnHost_[host];
  }

  const CollectionSettings& settings_;
  Fetcher& fetcher_;
  const RunObserver& observer_;
  const PreparePage prepare_;
  const std::int64_t budget_;
  const int jobs_;
  const int perHost_;
  const int lookAhead_;
  const int pageCount_;

  std::mutex mutex_;
  std::condition_variable workAvailable_;  // workers wait for work they may take up
  std::condition_variable answerReady_;    // the engine's thread waits for its attempt
  bool closing_ = false;
  std::atomic<bool> closingFlag_{false};
  int idle_ = 0;
  int current_ = 0;             // the page in hand; what is held of earlier pages is let go
  std::optional<int> wanted_;   // the attempt the engine waits for
  std::vector<State> states_;   // by attempt
  std::vector<std::optional<Text>> hosts_;  // by page, worked out when first needed
  std::map<int, Flight> inFlight_;
  std::size_t paused_ = 0;      // transfers in flight paused for room
  std::map<Text, int> onHost_;
  std::map<Text, int> pausedOnHost_;
  std::map<Text, Clock::time_point> lastStart_;
  std::map<int, web::FetchResponse> downloaded_;  // answers to prepare
  std::map<int, PageOutcome> ready_;              // prepared attempts the engine has not taken
  // What each attempt holds, at whatever stage: the body of a transfer so far, an answer, a
  // preparation (twice the body), a prepared page; and their sum.
  std::map<int, std::int64_t> holding_;
  std::int64_t held_ = 0;
  std::vector<std::thread> workers_;
};

}  // namespace

bool WorthAnotherAttempt(const PageOutcome& first) {
  return first.matches.empty() && !first.stopped && !first.finalAttempt;
}

std::int64_t AheadBudget(std::int64_t maxPageBytes) { return std::max(kMinAheadBudget, 2 * maxPageBytes); }

web::FetchResponse DownloadPage(const Text& address, const CollectionSettings& settings, Fetcher& fetcher,
                                const RunObserver& observer) {
  static const std::atomic<bool> kNeverClosing{false};
  return FetchPage(address, settings, fetcher, observer, kNeverClosing);
}

std::unique_ptr<PageDownloads> MakePageDownloads(const CollectionSettings& settings, Fetcher& fetcher,
                                                 const RunObserver& observer, PreparePage prepare,
                                                 std::int64_t aheadBudget, const std::vector<bool>& notFetched) {
  if (settings.fetching.jobs <= 1)
    return std::make_unique<SequentialDownloads>(settings, fetcher, observer, std::move(prepare));
  return std::make_unique<ParallelDownloads>(settings, fetcher, observer, std::move(prepare), aheadBudget,
                                             notFetched);
}

}  // namespace collect
