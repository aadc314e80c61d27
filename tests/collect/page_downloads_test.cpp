// The downloads of a run held to their memory budget: a fetcher that grows each body chunk by
// chunk through the body hook (waiting while it says no, as a paused transfer does) records the
// bytes held beyond the page in hand, while the test takes the pages in order.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "collect/page_downloads.h"

namespace collect {
namespace {

using namespace std::chrono_literals;

constexpr std::int64_t kBody = 2 << 20;
constexpr std::int64_t kChunk = 256 << 10;
constexpr std::int64_t kBudget = 10 << 20;

int PageNumber(const std::string& address) { return std::stoi(address.substr(address.rfind('/') + 1)); }

class GrowingFetcher final : public Fetcher {
public:
  web::FetchResponse Fetch(const web::FetchRequest& request) override {
    const int page = PageNumber(request.address);
    if (page == 0) std::this_thread::sleep_for(200ms);
    for (std::int64_t size = kChunk; size <= kBody; size += kChunk) {
      while (!request.settings.mayHoldBody(size)) {
        if (request.settings.cancelRequested()) return {};
        std::this_thread::sleep_for(1ms);
      }
      Admitted(page, size);
    }
    web::FetchResponse response;
    response.status = 200;
    response.body = std::string(static_cast<std::size_t>(kBody), static_cast<char>('a' + page % 26));
    return response;
  }

  // The page the test awaits or holds: bytes of later pages are held ahead.
  void InHand(int page) {
    std::lock_guard lock(mutex_);
    inHand_ = page;
  }
  std::int64_t PeakAhead() {
    std::lock_guard lock(mutex_);
    return peakAhead_;
  }

private:
  void Admitted(int page, std::int64_t size) {
    std::lock_guard lock(mutex_);
    admitted_[page] = size;
    std::int64_t ahead = 0;
    for (auto it = admitted_.upper_bound(inHand_); it != admitted_.end(); ++it) ahead += it->second;
    peakAhead_ = std::max(peakAhead_, ahead);
  }

  std::mutex mutex_;
  std::map<int, std::int64_t> admitted_;  // by page: the body size the hook last allowed
  int inHand_ = 0;
  std::int64_t peakAhead_ = 0;
};

// The page text is the body and the status the attempt; every third page matches nothing and is
// asked again.
PageOutcome PrepareAsIs(const ListPage& page, int attempt, web::FetchResponse&& response) {
  PageOutcome outcome;
  outcome.address = page.address;
  outcome.status = attempt;
  outcome.records = RecordList(std::make_shared<const runtime::Text>(std::move(response.body)));
  if (PageNumber(page.address) % 3 != 1) outcome.records.AddEmptyRecord(1);
  return outcome;
}

TEST(PageDownloads, WhatIsHeldAheadStaysWithinTheBudgetAndTheRunGoesOn) {
  CollectionSettings settings;
  for (int page = 0; page < 40; ++page) settings.addresses.push_back("http://one.host/" + std::to_string(page));
  // Paused transfers fill both connections to the host and all jobs; the attempt awaited still starts.
  settings.fetching = {2, 4, {}};
  GrowingFetcher fetcher;
  RunObserver observer;
  auto downloads = MakePageDownloads(settings, fetcher, observer, PrepareAsIs, kBudget);
  for (int page = 0; page < 40; ++page) {
    SCOPED_TRACE(page);
    fetcher.InHand(page);
    const ListPage listPage{page, 0, settings.addresses[static_cast<std::size_t>(page)]};
    PageOutcome first = downloads->First(listPage);
    EXPECT_EQ(first.address, settings.addresses[static_cast<std::size_t>(page)]);
    EXPECT_EQ(first.PageText(), std::string(kBody, static_cast<char>('a' + page % 26)));
    EXPECT_EQ(first.status, 1);
    EXPECT_EQ(WorthAnotherAttempt(first), page % 3 == 1);
    if (WorthAnotherAttempt(first)) {
      const PageOutcome again = downloads->Again(listPage);
      EXPECT_EQ(again.PageText().size(), static_cast<std::size_t>(kBody));
      EXPECT_EQ(again.status, 2);
    }
  }
  EXPECT_LE(fetcher.PeakAhead(), kBudget);
  EXPECT_GE(fetcher.PeakAhead(), kBudget / 2);
}

TEST(PageDownloads, BudgetIsHalfAGibibyteOrTwoPages) {
  EXPECT_EQ(AheadBudget(std::int64_t{256} << 20), std::int64_t{512} << 20);
  EXPECT_EQ(AheadBudget(std::int64_t{1} << 20), std::int64_t{512} << 20);
  EXPECT_EQ(AheadBudget(std::int64_t{1} << 30), std::int64_t{2} << 30);
}

}  // namespace
}  // namespace collect
