// Page attempts of a run: one at a time when the limits say so, otherwise downloaded and prepared
// ahead on a pool of workers, within the politeness limits and a memory budget, and handed out
// strictly in the order the engine takes them.
#include "collect/page_downloads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <compare>
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
using runtime::Text;

// How far ahead of the page in hand downloads may run, in list pages per job.
constexpr int kLookAheadPerJob = 2;
// How often a wait for the next request to a host looks whether the run was stopped.
constexpr std::chrono::milliseconds kStopPoll{50};
// The least memory the downloads may hold ahead of the page in hand.
constexpr std::int64_t kMinAheadBudget = std::int64_t{512} << 20;
// A running transfer's body counts against the budget once it is larger than this: the smaller
// ones in flight hold a megabyte at most, far within any budget, and a page of a few dozen
// kilobytes then takes the downloads' lock for none of the pieces its body comes in.
constexpr std::int64_t kUncountedBody = std::int64_t{64} << 10;

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

std::int64_t TextBytes(const std::vector<Text>& texts) {
  std::int64_t bytes = 0;
  for (const Text& text : texts) bytes += static_cast<std::int64_t>(sizeof(Text) + text.size());
  return bytes;
}

// What a prepared attempt keeps in memory: its text and records, and its links.
std::int64_t HeldBytes(const PageOutcome& outcome) {
  return static_cast<std::int64_t>(outcome.records.HeldBytes()) + TextBytes(outcome.detailAddresses);
}

std::int64_t HeldBytes(const DetailOutcome& outcome) { return TextBytes(outcome.cells); }

// One page at a time, each when the engine asks for it, with the pause between two requests to
// the same host.
class SequentialDownloads final : public PageDownloads {
public:
  SequentialDownloads(const CollectionSettings& settings, Fetcher& fetcher, const RunObserver& observer,
                      PreparePage prepare, PrepareDetailPage prepareDetail)
      : settings_(settings), fetcher_(fetcher), observer_(observer), prepare_(std::move(prepare)),
        prepareDetail_(std::move(prepareDetail)) {}

  PageOutcome First(const ListPage& page) override { return prepare_(page, 1, Fetch(page.address)); }
  PageOutcome Again(const ListPage& page) override { return prepare_(page, 2, Fetch(page.address)); }
  DetailOutcome Detail(const ListPage&, const Text& address) override {
    return prepareDetail_(address, Fetch(address));
  }

private:
  web::FetchResponse Fetch(const Text& address) {
    if (!address.empty()) {
      Text host = HostOf(address);
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
  PreparePage prepare_;
  PrepareDetailPage prepareDetail_;
  std::atomic<bool> closing_{false};
  Text lastHost_;
  Clock::time_point lastStart_;
};

// A list page's place in the run: its address's index, then the next-page links followed.
struct PageKey {
  int start = 0;
  int depth = 0;
  friend auto operator<=>(const PageKey&, const PageKey&) = default;
};

// A download's place in the order the engine takes them: its list page, then the slot within it
// (the first attempt, the second, then the detail pages in the order they were queued).
struct JobKey {
  PageKey page;
  int slot = 0;
  friend auto operator<=>(const JobKey&, const JobKey&) = default;
};

constexpr int kFirstSlot = 0;
constexpr int kAgainSlot = 1;
constexpr int kFirstDetailSlot = 2;

JobKey FirstKey(PageKey page) { return {page, kFirstSlot}; }
PageKey KeyOf(const ListPage& page) { return {page.start, page.depth}; }

// Up to `jobs` downloads in flight, at most `perHost` to one host, for the list pages within
// kLookAheadPerJob × jobs list pages of the page in hand (and their detail pages); the download
// that comes first in the engine's order goes first, so the second attempt at the page in hand and
// its detail pages go before every page ahead. A finished download is prepared by the worker that
// fetched it; a first attempt worth another is asked again at once, and a prepared list page's
// detail pages and next page are queued. Everything held ahead (answers, prepared pages,
// preparations under way, bodies of running transfers past kUncountedBody) stays within the
// budget; the download the engine waits for belongs to the page in hand: it is not counted and
// never waits for room.
class ParallelDownloads final : public PageDownloads {
public:
  ParallelDownloads(const CollectionSettings& settings, Fetcher& fetcher, const RunObserver& observer,
                    PreparePage prepare, PrepareDetailPage prepareDetail, std::int64_t budget,
                    const DownloadsStart& start)
      : settings_(settings), fetcher_(fetcher), observer_(observer), prepare_(std::move(prepare)),
        prepareDetail_(std::move(prepareDetail)), budget_(budget),
        jobLimit_(std::max(1, settings.fetching.jobs)), perHost_(std::max(1, settings.fetching.perHost)),
        lookAhead_(jobLimit_ * kLookAheadPerJob), maxNext_(FollowsNextPages(settings.next) ? settings.next.maxNext : 0),
        preparationCopies_(maxNext_ > 0 && settings.next.scope == NextPageScope::WholePage ? 3 : 2),
        current_(KeyOf(start.page)), nextStart_(start.page.depth == 0 ? start.page.start : start.page.start + 1),
        queuedDetails_(start.detailAddresses.begin(), start.detailAddresses.end()) {
    const int pageCount = static_cast<int>(settings.addresses.size());
    if (maxNext_ > 0) {
      knownListAddresses_.insert(settings.addresses.begin(), settings.addresses.end());
      knownListAddresses_.insert(start.listAddresses.begin(), start.listAddresses.end());
    }
    FillWindow();
    // One worker more than jobs: a worker for the download the engine waits for is free even when
    // every job is a transfer paused for room.
    const bool links = maxNext_ > 0 || prepareDetail_;
    const int workers = pageCount == 0 ? 0 : (links ? jobLimit_ : std::min(jobLimit_, 2 * pageCount)) + 1;
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

  PageOutcome First(const ListPage& page) override { return TakeListAttempt(page, kFirstSlot); }
  PageOutcome Again(const ListPage& page) override { return TakeListAttempt(page, kAgainSlot); }

  DetailOutcome Detail(const ListPage& page, const Text& address) override {
    std::unique_lock lock(mutex_);
    JobKey key;
    const auto queued = detailJobs_.find(address);
    if (queued != detailJobs_.end()) {
      key = queued->second;
    } else {
      key = {KeyOf(page), pages_[KeyOf(page)].nextSlot++};
      windowMoved_ = true;
      AddJob(key, address, Kind::Detail, State::Due);
      detailJobs_[address] = key;
      queuedDetails_.insert(address);
    }
    Job job = Await(key, lock);
    detailJobs_.erase(address);
    return std::move(job.detail);
  }

private:
  enum class Kind : unsigned char { List, Detail };
  enum class State : unsigned char { NotDue, Due, Started, Downloaded, Preparing, Done };
  enum class Step { Download, Prepare };

  struct Job {
    Text address;
    Kind kind = Kind::List;
    State state = State::NotDue;
    std::optional<Text> host;  // worked out when first needed; empty for an empty address
    web::FetchResponse response;
    PageOutcome outcome;
    DetailOutcome detail;
  };
  // A list page known to the downloads: where its next detail page goes.
  struct PageEntry {
    int nextSlot = kFirstDetailSlot;
  };
  // Work a worker may take up now, or when the soonest of the hosts' pauses ends.
  struct Choice {
    std::optional<JobKey> key;
    Step step = Step::Download;
    Clock::time_point wakeAt = Clock::time_point::max();
  };
  struct Flight {
    Text host;  // empty for an empty address
    bool paused = false;
  };

  // A job that is not there yet; one that is stays as it is.
  void AddJob(const JobKey& key, const Text& address, Kind kind, State state) {
    const auto [entry, added] = jobs_.try_emplace(key);
    if (!added) return;
    entry->second.address = address;
    entry->second.kind = kind;
    entry->second.state = state;
    if (state == State::Due) due_.insert(key);
  }

  // The addresses of the run enter the window of list pages ahead as it moves: only the pages
  // within it are held, however long the run.
  void FillWindow() {
    nextStart_ = std::max(nextStart_, current_.start);
    int ahead = 0;
    for (auto page = pages_.lower_bound(current_); page != pages_.end() && ahead < lookAhead_; ++page) ++ahead;
    const int pageCount = static_cast<int>(settings_.addresses.size());
    for (; ahead < lookAhead_ && nextStart_ < pageCount; ++ahead, ++nextStart_) {
      const PageKey page{nextStart_, 0};
      pages_.try_emplace(page);
      AddJob(FirstKey(page), settings_.addresses[static_cast<std::size_t>(nextStart_)], Kind::List, State::Due);
    }
    windowMoved_ = true;
  }

  const Text& Host(Job& job) {
    if (!job.host) job.host = job.address.empty() ? Text() : HostOf(job.address);
    return *job.host;
  }

  // Behind everything the engine has moved past.
  bool Behind(const JobKey& key) const { return key < FirstKey(current_); }

  std::int64_t Holding(const JobKey& key) const {
    auto found = holding_.find(key);
    return found == holding_.end() ? 0 : found->second;
  }

  // Sets what a download holds; 0 lets go of it.
  void Hold(const JobKey& key, std::int64_t bytes) {
    auto entry = holding_.try_emplace(key, 0).first;
    held_ += bytes - entry->second;
    if (bytes == 0) {
      holding_.erase(entry);
    } else {
      entry->second = bytes;
    }
  }

  // What is held ahead of the page in hand: everything but the download the engine waits for.
  std::int64_t Ahead() const { return held_ - (wanted_ ? Holding(*wanted_) : 0); }

  PageOutcome TakeListAttempt(const ListPage& page, int slot) {
    std::unique_lock lock(mutex_);
    const PageKey pageKey = KeyOf(page);
    if (current_ < pageKey) LetGoBefore(pageKey);
    if (pages_.try_emplace(pageKey).second) windowMoved_ = true;
    const JobKey key{pageKey, slot};
    if (jobs_.count(key) == 0) AddJob(key, page.address, Kind::List, State::Due);
    return std::move(Await(key, lock).outcome);
  }

  // Waits until the download at key is prepared and takes it.
  Job Await(const JobKey& key, std::unique_lock<std::mutex>& lock) {
    if (jobs_.at(key).state == State::NotDue) {
      jobs_.at(key).state = State::Due;
      due_.insert(key);
    }
    wanted_ = key;
    WakeAWorkerIfThereIsWork();
    answerReady_.wait(lock, [&] { return jobs_.at(key).state == State::Done; });
    wanted_.reset();
    Job job = std::move(jobs_.extract(key).mapped());
    Hold(key, 0);
    // Room was made, and the window may have moved.
    WakeAWorkerIfThereIsWork();
    return job;
  }

  // The engine has moved on to page: what is held of earlier pages goes.
  void LetGoBefore(const PageKey& page) {
    current_ = page;
    const JobKey first = FirstKey(page);
    for (auto job = jobs_.begin(); job != jobs_.end() && job->first < first; job = jobs_.erase(job)) {
      if (job->second.kind == Kind::Detail) detailJobs_.erase(job->second.address);
    }
    downloaded_.erase(downloaded_.begin(), downloaded_.lower_bound(first));
    due_.erase(due_.begin(), due_.lower_bound(first));
    pages_.erase(pages_.begin(), pages_.lower_bound(page));
    while (!holding_.empty() && holding_.begin()->first < first) Hold(holding_.begin()->first, 0);
    FillWindow();
  }

  // Whether a download to host may start now within the limits; otherwise when it may. The
  // download the engine waits for counts only transfers that are not paused for room.
  bool MayStart(const Text& host, bool awaited, Clock::time_point now, Clock::time_point& wakeAt) {
    if ((awaited ? inFlight_.size() - paused_ : inFlight_.size()) >= static_cast<std::size_t>(jobLimit_)) return false;
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

  // The last of the list pages ahead that downloads may be for: the first lookAhead_ pages from the
  // page in hand. Worked out again only after the pages known changed, not at every choice.
  std::optional<PageKey> WindowEnd() {
    if (windowMoved_) {
      windowMoved_ = false;
      windowEnd_.reset();
      int pagesSeen = 0;
      for (auto page = pages_.lower_bound(current_); page != pages_.end() && pagesSeen < lookAhead_;
           ++page, ++pagesSeen) {
        windowEnd_ = page->first;
      }
    }
    return windowEnd_;
  }

  // Preparations first (they settle what is held and say what to ask for next), then the download
  // the engine waits for, then the first one in the engine's order that may start within the
  // window of list pages ahead.
  Choice Choose(Clock::time_point now) {
    Choice choice;
    for (const JobKey& key : downloaded_) {
      if (key == wanted_ || Ahead() + Holding(key) <= budget_) {
        choice.key = key;
        choice.step = Step::Prepare;
        return choice;
      }
    }
    if (wanted_) {
      Job& job = jobs_.at(*wanted_);
      if (job.state == State::Due && MayStart(Host(job), true, now, choice.wakeAt)) {
        choice.key = wanted_;
        return choice;
      }
    }
    // With every job in flight no page ahead may start, whichever it is: the scan is skipped.
    if (Ahead() >= budget_ || inFlight_.size() >= static_cast<std::size_t>(jobLimit_)) return choice;
    const std::optional<PageKey> windowEnd = WindowEnd();
    if (!windowEnd) return choice;
    for (auto key = due_.lower_bound(FirstKey(current_)); key != due_.end() && key->page <= *windowEnd; ++key) {
      if (*key != wanted_ && MayStart(Host(jobs_.at(*key)), false, now, choice.wakeAt)) {
        choice.key = *key;
        return choice;
      }
    }
    return choice;
  }

  void Work() {
    std::unique_lock lock(mutex_);
    while (!closing_) {
      Choice choice = Choose(Clock::now());
      if (!choice.key) {
        ++idle_;
        if (choice.wakeAt == Clock::time_point::max()) {
          workAvailable_.wait(lock);
        } else {
          workAvailable_.wait_until(lock, choice.wakeAt);
        }
        --idle_;
        continue;
      }
      if (choice.step == Step::Prepare) {
        Prepare(*choice.key, lock);
      } else {
        Download(*choice.key, lock);
      }
    }
  }

  void Download(const JobKey& key, std::unique_lock<std::mutex>& lock) {
    Job& job = jobs_.at(key);
    const Text host = Host(job);
    const Text address = job.address;
    job.state = State::Started;
    due_.erase(key);
    inFlight_.emplace(key, Flight{host});
    if (!host.empty()) {
      ++onHost_[host];
      lastStart_[host] = Clock::now();
    }
    WakeAWorkerIfThereIsWork();
    lock.unlock();
    const auto mayHold = [this, key](std::int64_t size) { return size <= kUncountedBody || MayHold(key, size); };
    web::FetchResponse response = FetchPage(address, settings_, fetcher_, observer_, closingFlag_, mayHold);
    lock.lock();
    const Flight flight = std::move(inFlight_.extract(key).mapped());
    if (flight.paused) Resume(flight.host);
    if (!host.empty()) --onHost_[host];
    const auto kept = jobs_.find(key);
    if (kept == jobs_.end()) return;
    Hold(key, static_cast<std::int64_t>(response.body.size()));
    kept->second.response = std::move(response);
    kept->second.state = State::Downloaded;
    downloaded_.insert(key);
  }

  void Prepare(const JobKey& key, std::unique_lock<std::mutex>& lock) {
    Job& job = jobs_.at(key);
    web::FetchResponse response = std::move(job.response);
    const Text address = job.address;
    const Kind kind = job.kind;
    job.state = State::Preparing;
    downloaded_.erase(key);
    // The preparation may need a copy of the body while it decodes, and one more for the whole
    // page when the next-page rule looks there.
    Hold(key, preparationCopies_ * static_cast<std::int64_t>(response.body.size()));
    WakeAWorkerIfThereIsWork();
    lock.unlock();
    PageOutcome outcome;
    DetailOutcome detail;
    if (kind == Kind::List) {
      outcome = prepare_({key.page.start, key.page.depth, address}, key.slot == kFirstSlot ? 1 : 2, std::move(response));
    } else {
      detail = prepareDetail_(address, std::move(response));
    }
    const std::int64_t bytes = kind == Kind::List ? HeldBytes(outcome) : HeldBytes(detail);
    lock.lock();
    const auto kept = jobs_.find(key);
    if (kept == jobs_.end()) return;
    if (kind == Kind::List) QueueWhatFollows(key, address, outcome);
    kept->second.outcome = std::move(outcome);
    kept->second.detail = std::move(detail);
    kept->second.state = State::Done;
    Hold(key, bytes);
    if (key == wanted_) answerReady_.notify_one();
  }

  // After a prepared attempt at a list page: its second attempt when it is worth one; otherwise
  // (it is the attempt the engine will report) its detail pages not queued before and its next
  // page.
  void QueueWhatFollows(const JobKey& key, const Text& address, const PageOutcome& outcome) {
    if (outcome.stopped) return;
    if (key.slot == kFirstSlot && WorthAnotherAttempt(outcome)) {
      const JobKey again{key.page, kAgainSlot};
      if (jobs_.count(again) == 0) AddJob(again, address, Kind::List, State::Due);
      return;
    }
    const auto page = pages_.find(key.page);
    if (page == pages_.end()) return;
    for (const Text& detailAddress : outcome.detailAddresses) {
      if (detailAddress.empty() || !queuedDetails_.insert(detailAddress).second) continue;
      const JobKey detailKey{key.page, page->second.nextSlot++};
      AddJob(detailKey, detailAddress, Kind::Detail, State::Due);
      detailJobs_[detailAddress] = detailKey;
    }
    if (!outcome.nextAddress.empty() && key.page.depth < maxNext_ &&
        knownListAddresses_.insert(outcome.nextAddress).second) {
      const PageKey next{key.page.start, key.page.depth + 1};
      if (pages_.try_emplace(next).second) windowMoved_ = true;
      if (jobs_.count(FirstKey(next)) == 0) AddJob(FirstKey(next), outcome.nextAddress, Kind::List, State::Due);
    }
  }

  // The body hook of a running transfer: whether its body may grow to size now.
  bool MayHold(const JobKey& key, std::int64_t size) {
    std::lock_guard lock(mutex_);
    // A transfer the engine has moved past (the run is stopping) is not counted.
    if (Behind(key)) return true;
    Flight& flight = inFlight_.at(key);
    if (key != wanted_ && (WaitsBehind(key) || Ahead() - Holding(key) + size > budget_)) {
      if (!flight.paused) {
        flight.paused = true;
        ++paused_;
        if (!flight.host.empty()) ++pausedOnHost_[flight.host];
        // The download the engine waits for may now start in this transfer's place.
        WakeAWorkerIfThereIsWork();
      }
      return false;
    }
    Hold(key, size);
    if (flight.paused) {
      flight.paused = false;
      Resume(flight.host);
    }
    return true;
  }

  // Room goes to transfers in the engine's order: while an earlier one waits for room, a later
  // one waits too, so that pages complete one after the other instead of all growing a little.
  bool WaitsBehind(const JobKey& key) const {
    for (const auto& [earlier, flight] : inFlight_) {
      if (!(earlier < key)) break;
      if (flight.paused && earlier != wanted_) return true;
    }
    return false;
  }

  // A worker that takes up work leaves the rest to the others; an idle one is woken only when
  // there is work it may take up now, or later when a host's pause ends (it then waits for that
  // moment): a wake costs a context switch.
  void WakeAWorkerIfThereIsWork() {
    if (idle_ == 0) return;
    const Choice choice = Choose(Clock::now());
    if (choice.key || choice.wakeAt != Clock::time_point::max()) workAvailable_.notify_one();
  }

  void Resume(const Text& host) {
    --paused_;
    if (!host.empty()) --pausedOnHost_[host];
  }

  const CollectionSettings& settings_;
  Fetcher& fetcher_;
  const RunObserver& observer_;
  const PreparePage prepare_;
  const PrepareDetailPage prepareDetail_;
  const std::int64_t budget_;
  const int jobLimit_;
  const int perHost_;
  const int lookAhead_;
  const int maxNext_;  // 0 when no next page is followed
  const int preparationCopies_;  // what a preparation holds, in bodies

  std::mutex mutex_;
  std::condition_variable workAvailable_;  // workers wait for work they may take up
  std::condition_variable answerReady_;    // the engine's thread waits for its page
  bool closing_ = false;
  std::atomic<bool> closingFlag_{false};
  int idle_ = 0;
  PageKey current_;                 // the page in hand; what is held of earlier pages is let go
  int nextStart_ = 0;               // the first address of the run not yet in the window
  std::optional<JobKey> wanted_;    // the download the engine waits for
  std::map<PageKey, PageEntry> pages_;
  std::map<JobKey, Job> jobs_;      // downloads not yet taken by the engine, at every stage
  std::map<Text, JobKey> detailJobs_;   // the detail pages among them, by address
  std::set<Text> queuedDetails_;        // every detail address queued in the run
  std::set<Text> knownListAddresses_;   // the run's addresses and the next pages queued
  std::set<JobKey> downloaded_;         // answers to prepare
  std::set<JobKey> due_;                // downloads that may start, in the engine's order
  std::optional<PageKey> windowEnd_;    // WindowEnd(), while the pages known stay as they are
  bool windowMoved_ = true;
  std::map<JobKey, Flight> inFlight_;
  std::size_t paused_ = 0;      // transfers in flight paused for room
  std::map<Text, int> onHost_;
  std::map<Text, int> pausedOnHost_;
  std::map<Text, Clock::time_point> lastStart_;
  // What each download holds, at whatever stage: the body of a transfer so far, an answer, a
  // preparation (twice the body), a prepared page; and their sum.
  std::map<JobKey, std::int64_t> holding_;
  std::int64_t held_ = 0;
  std::vector<std::thread> workers_;
};

}  // namespace

bool WorthAnotherAttempt(const PageOutcome& first) {
  return first.records.Empty() && !first.stopped && !first.finalAttempt;
}

std::int64_t AheadBudget(std::int64_t maxPageBytes) { return std::max(kMinAheadBudget, 2 * maxPageBytes); }

web::FetchResponse DownloadPage(const Text& address, const CollectionSettings& settings, Fetcher& fetcher,
                                const RunObserver& observer) {
  static const std::atomic<bool> kNeverClosing{false};
  return FetchPage(address, settings, fetcher, observer, kNeverClosing);
}

std::unique_ptr<PageDownloads> MakePageDownloads(const CollectionSettings& settings, Fetcher& fetcher,
                                                 const RunObserver& observer, PreparePage prepare,
                                                 std::int64_t aheadBudget, PrepareDetailPage prepareDetail,
                                                 const DownloadsStart& start) {
  if (settings.fetching.jobs <= 1) {
    return std::make_unique<SequentialDownloads>(settings, fetcher, observer, std::move(prepare),
                                                 std::move(prepareDetail));
  }
  return std::make_unique<ParallelDownloads>(settings, fetcher, observer, std::move(prepare),
                                             std::move(prepareDetail), aheadBudget, start);
}

}  // namespace collect
