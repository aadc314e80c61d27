// Fuzz target: a raw HTTP answer handed to the response collector as libcurl hands it over:
// header lines one by one (interim 1xx blocks included) until a final block is complete, then the
// body in chunks. Input: the answer; its last byte chooses the chunk size.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <fuzzer/FuzzedDataProvider.h>

#include "tests/fuzz/fuzz_support.h"
#include "web/response_collector.h"

namespace {

bool IsInterimAnswer(const web::ResponseCollector& collector) {
  return collector.StatusCode() >= 100 && collector.StatusCode() < 200;
}

// Header lines up to and including each line feed, until a final block is complete; returns how
// many bytes they took.
std::size_t FeedHeaderLines(std::string_view answer, web::ResponseCollector& collector) {
  std::size_t from = 0;
  while (from < answer.size() && (!collector.Answered() || IsInterimAnswer(collector))) {
    const std::size_t lineFeed = answer.find('\n', from);
    const std::size_t end = lineFeed == std::string_view::npos ? answer.size() : lineFeed + 1;
    collector.AddHeaderLine(answer.substr(from, end - from));
    from = end;
  }
  return from;
}

void CheckHeaderBlock(const web::ResponseCollector& collector) {
  const std::string& block = collector.HeaderBlock();
  fuzz::Require(collector.StatusCode() >= 0 && collector.StatusCode() <= 999,
                "the status code has three digits at most");
  fuzz::Require(block.empty() || block.ends_with("\r\n"), "every stored line ends in CR LF");
  if (!collector.Answered()) return;
  fuzz::Require(block.starts_with("HTTP/"), "a complete block begins with the status line");
  fuzz::Require(block.find("\r\n\r\n") == block.size() - 4,
                "a complete block ends at its first empty line");
}

}  // namespace

// One answer through the collector, then the block, the body and a clearing checked.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  const std::size_t chunkSize = provider.ConsumeIntegralInRange<std::size_t>(1, 64);
  const std::string answer = provider.ConsumeRemainingBytesAsString();

  web::ResponseCollector collector;
  const std::size_t headerLength = FeedHeaderLines(answer, collector);
  CheckHeaderBlock(collector);
  const std::string_view body = std::string_view(answer).substr(headerLength);
  collector.ExpectBodySize(static_cast<std::int64_t>(body.size()));
  for (std::size_t from = 0; from < body.size(); from += chunkSize) {
    collector.AddBodyBytes(body.substr(from, chunkSize));
  }
  CheckHeaderBlock(collector);
  const std::string block = collector.HeaderBlock();
  fuzz::Require(collector.TakeBody() == body, "the body is every byte after the header block");
  fuzz::Require(collector.TakeHeaderBlock() == block, "the taken block is the block");

  collector.Clear();
  fuzz::Require(!collector.Answered() && collector.HeaderBlock().empty() &&
                    collector.StatusCode() == 0 && collector.TakeBody().empty(),
                "clearing forgets the answer");
  return 0;
}
