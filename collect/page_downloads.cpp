// Page downloads of a run.
#include "collect/page_downloads.h"

#include "collect/collection_engine.h"

namespace collect {
namespace {

// One page at a time, each when its turn comes.
class SequentialDownloads final : public PageDownloads {
public:
  SequentialDownloads(const CollectionSettings& settings, Fetcher& fetcher, const RunObserver& observer)
      : settings_(settings), fetcher_(fetcher), observer_(observer) {}

  web::FetchResponse Take(int index) override { return Download(index); }
  web::FetchResponse Again(int index) override { return Download(index); }

private:
  web::FetchResponse Download(int index) {
    return DownloadPage(settings_.addresses[static_cast<std::size_t>(index)], settings_, fetcher_, observer_);
  }

  const CollectionSettings& settings_;
  Fetcher& fetcher_;
  const RunObserver& observer_;
};

}  // namespace

web::FetchResponse DownloadPage(const runtime::Text& address, const CollectionSettings& settings,
                                Fetcher& fetcher, const RunObserver& observer) {
  if (address.empty()) return web::FetchResponse();
  return fetcher.Fetch(PageRequest(address, settings, observer));
}

std::unique_ptr<PageDownloads> MakePageDownloads(const CollectionSettings& settings,
                                                 Fetcher& fetcher, const RunObserver& observer) {
  return std::make_unique<SequentialDownloads>(settings, fetcher, observer);
}

}  // namespace collect
