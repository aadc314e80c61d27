// What the engine's tests run on: canned answers by address, and an observer that records every
// event as one line.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "collect/collection_settings.h"
#include "collect/fetcher.h"
#include "collect/status_reporter.h"
#include "runtime/code_page.h"

namespace collect_test {

using collect::Record;
using collect::RunProgress;
using collect::RunSummary;
using runtime::T;
using runtime::Text;

inline web::FetchResponse Answer(int status, std::string body) {
  web::FetchResponse response;
  response.status = status;
  response.headerBlock = "HTTP/1.1 " + std::to_string(status) + " X\r\n\r\n";
  response.body = std::move(body);
  return response;
}

inline web::FetchResponse Failure(web::FetchFailure failure, const std::string& message) {
  web::FetchResponse response;
  response.failure = failure;
  response.message = message;
  return response;
}

// Answers by address; an address without an answer fails to connect. Keeps every request.
class CannedFetcher final : public collect::Fetcher {
public:
  void Answer(const std::string& address, web::FetchResponse response) { answers_[address] = std::move(response); }
  web::FetchResponse Fetch(const web::FetchRequest& request) override {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
    if (request.settings.cancelRequested && request.settings.cancelRequested()) {
      return Failure(web::FetchFailure::Cancelled, "");
    }
    auto found = answers_.find(request.address);
    return found == answers_.end() ? Failure(web::FetchFailure::CouldNotConnect, "Connection refused")
                                   : found->second;
  }
  std::vector<std::string> Addresses() const {
    std::vector<std::string> addresses;
    for (const web::FetchRequest& request : requests_) addresses.push_back(request.address);
    return addresses;
  }
  const std::vector<web::FetchRequest>& Requests() const { return requests_; }

private:
  std::mutex mutex_;
  std::map<std::string, web::FetchResponse> answers_;
  std::vector<web::FetchRequest> requests_;
};

// Every event as one UTF-8 line, in order, the status channels as the front ends show them; the
// records kept whole.
class RecordingObserver final : public collect::StatusReporter {
public:
  void PageStarted(const RunProgress& progress) override {
    if (progress.page == stopAtPage) stop = true;
    page = progress.page;
    Add("page " + std::to_string(progress.page) + "/" + std::to_string(progress.pageCount));
  }
  void RunFinished(const RunSummary& summary) override {
    collect::StatusReporter::RunFinished(summary);
    Add("end");
  }
  bool WantsPageText() const override { return true; }
  void PageText(const Text& text) override { pageText = text; }
  void ColumnsAdded(const std::vector<Text>& captions) override {
    for (const Text& caption : captions) Add("column " + runtime::TextToUtf8(caption));
  }
  void RecordsFound(collect::RecordList found) override {
    if (page == failAtPage) throw std::runtime_error("the run dies");
    Add("records " + std::to_string(found.Size()));
    for (std::size_t record = 0; record < found.Size(); ++record) records.push_back({found.Cells(record)});
  }
  bool StopRequested() const override { return stop || (stopAfterAsks > 0 && ++asks >= stopAfterAsks); }

  std::vector<std::string> Lines(const std::string& kind) const {
    std::vector<std::string> lines;
    for (const std::string& event : events) {
      if (event.rfind(kind + " ", 0) == 0) lines.push_back(event.substr(kind.size() + 1));
    }
    return lines;
  }

  std::vector<std::string> events;
  std::vector<Record> records;
  Text pageText;
  int stopAtPage = 0;  // the run is asked to stop when this page's turn comes
  int failAtPage = 0;  // the records of this page throw, as a run that dies
  int page = 0;
  int stopAfterAsks = 0;  // StopRequested says yes from this call on
  mutable std::atomic<int> asks{0};
  std::atomic<bool> stop{false};

private:
  void ShowMessage(const Text& message) override { Add("message " + runtime::TextToUtf8(message)); }
  void AppendLine(const Text& line) override { Add("line " + runtime::TextToUtf8(line)); }
  void Add(std::string event) { events.push_back(std::move(event)); }
};

inline collect::CollectionSettings Settings(std::vector<Text> addresses) {
  collect::CollectionSettings settings;
  settings.addresses = std::move(addresses);
  settings.before = "list-item";
  settings.after = "</html>";
  settings.rule = T("<li> <a href=\"[var]/[int].html\" title=\"[var]\"> <span [var0]</li>");
  return settings;
}

}  // namespace collect_test
