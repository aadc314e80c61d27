// A page server for the end-to-end benchmarks, on keep-alive connections on 127.0.0.1, each
// answer after an optional delay. Pages in GBK, and the first three in UTF-8 under /utf8/ too:
//   /list_N.html       N from 1 to PAGES: a list page of about 30 KB with 20 entries;
//   /records_K.html    a list page of K entries of 200 bytes each (10 MB for 50,000);
//   /big_M.html        a list page of M mebibytes whose filler the default rule does not match,
//   /bigone_M.html     and the same with one entry it matches first;
//   /slow_S_N.html     list page N answered after S milliseconds;
//   /stall_N.html      a head and a few bytes of a body, then silence;
//   /linked_N.html     list page N with a link to the next one up to PAGES (GBK only);
//   /news/2026/K.html  the detail page of each entry (about 10 KB, declared GBK).
// Big pages are made while they are sent, never held whole. Prints its port, then serves until
// standard input closes.
//
//   page_server PAGES [DELAY_MS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "runtime/code_page.h"
#include "bench/list_pages.h"
#include "tests/support/loopback_server.h"

namespace {

using bench_pages::Encoded;
using bench_pages::Entry;
using bench_pages::ListPage;

constexpr const char* kUtf8Prefix = "/utf8";

// count entries, each padded with ASCII text to 200 bytes in its encoding.
std::string RecordsPage(int count, bool gbk) {
  std::string page = Encoded("<html><head><title>新闻列表</title></head><body>\r\n<ul class=\"list-item\">\r\n", gbk);
  page.reserve(page.size() + static_cast<std::size_t>(count) * 200 + 32);
  const std::string lorem = "lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor ";
  for (int i = 0; i < count; ++i) {
    std::string entry = Encoded(Entry(1 + i / 100, i % 100), gbk) + "<p>";
    while (entry.size() < 200 - 6) entry += lorem.substr(0, 200 - 6 - entry.size());
    page += entry + "</p>\r\n";
  }
  return page + "</ul></body></html>\r\n";
}

// Made once per size and encoding, so that no request waits for its making but the first.
const std::string& CachedRecordsPage(int count, bool gbk) {
  static std::mutex mutex;
  static std::map<std::pair<int, bool>, std::string> pages;
  std::lock_guard lock(mutex);
  auto [page, added] = pages.try_emplace({count, gbk});
  if (added) page->second = RecordsPage(count, gbk);
  return page->second;
}

test_support::Reply PageReply(const std::string& body, std::chrono::milliseconds delay) {
  test_support::Reply reply = test_support::RawReply(
      test_support::HttpResponse(200, body, {"Content-Type: text/html", "Connection: keep-alive"}));
  reply.delay = delay;
  return reply;
}

// Text of about the size given, to pad a page with.
std::string Filler(std::size_t size) {
  std::string filler = "<p class=\"filler\">";
  for (int i = 0; i < 20; ++i) filler += "本栏目提供最新新闻资讯 ";
  const std::string gbk = runtime::Utf8ToText(filler + "</p>\r\n");
  std::string padding;
  while (padding.size() < size) padding += gbk;
  return padding;
}

// List page N of the linked list: the list page with a next-page link below its list (but for
// the last page).
std::string LinkedListPage(int pageNumber, int pageCount) {
  std::string page = ListPage(pageNumber, true);
  if (pageNumber < pageCount) {
    const std::string next = runtime::Utf8ToText("<div class=\"pages\"><a class=\"next\" href=\"linked_" +
                                                 std::to_string(pageNumber + 1) + ".html\">下一页</a></div>\r\n");
    page.insert(page.find("</ul>") + 5, next);
  }
  return page;
}

// The detail page of entry K: its title, author, date and about 10 KB of text.
std::string DetailPage(long number) {
  const std::string head = runtime::Utf8ToText(
      "<html><head><title>新闻 " + std::to_string(number) + "</title></head><body>\r\n<h1>第" +
      std::to_string(number) + "条新闻的标题</h1>\r\n<div class=\"info\"><span class=\"author\">作者" +
      std::to_string(number % 97) + "</span> <span class=\"time\">2026-12-07 10:" +
      std::to_string(10 + number % 50) + "</span></div>\r\n");
  return head + Filler(10000) + "</body></html>\r\n";
}

test_support::Reply GbkPage(std::string page) {
  return test_support::RawReply(
      test_support::HttpResponse(200, std::move(page), {"Content-Type: text/html; charset=gbk", "Connection: keep-alive"}));
}

// A list page of M mebibytes whose filler the default rule does not match, led by one entry it
// matches when oneEntry is set.
test_support::Reply BigReply(std::size_t mebibytes, bool oneEntry, bool gbk) {
  // Sent in blocks of about 64 KiB, so that the server is not slower than a client.
  const std::string line = Encoded("<p>本栏目提供最新新闻资讯 list entry without a link</p>\r\n", gbk);
  std::string block;
  while (block.size() + line.size() <= 64 * 1024) block += line;
  std::string head = "<html><body><ul class=\"list-item\">\r\n";
  if (oneEntry)
    head += "<li> <a href=\"/news/2026/1.html\" title=\"唯一的条目\">\t <span class=\"date\">2026-12-07</span></li>\r\n";
  head = Encoded(head, gbk);
  const std::size_t repeats = (mebibytes * 1024 * 1024) / block.size();
  test_support::Reply reply = test_support::RawReply(
      test_support::HttpResponseHead(200, head.size() + repeats * block.size(), {"Connection: close"}) + head);
  reply.repeatedBlock = block;
  reply.repeatCount = repeats;
  return reply;
}

// A head announcing a list page, the first bytes of it, then nothing until the client leaves.
test_support::Reply StalledReply() {
  const std::string page = ListPage(1);
  test_support::Reply reply =
      test_support::RawReply(test_support::HttpResponseHead(200, page.size(), {"Connection: close"}) + page.substr(0, 100));
  reply.ending = test_support::Reply::Ending::StaySilent;
  return reply;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: page_server PAGES [DELAY_MS]\n", stderr);
    return 2;
  }
  const int pages = std::atoi(argv[1]);
  const std::chrono::milliseconds delay(argc > 2 ? std::atoi(argv[2]) : 0);
  test_support::LoopbackServer server;
  for (int n = 1; n <= pages; ++n) {
    const std::string name = "/list_" + std::to_string(n) + ".html";
    server.Serve(name, PageReply(ListPage(n, true), delay));
    server.Serve(kUtf8Prefix + name, PageReply(ListPage(n, false), delay));
  }
  server.SetHandler([delay, pages](const test_support::ReceivedRequest& request) {
    std::string path = request.Path();
    if (path.rfind("/linked_", 0) == 0) return GbkPage(LinkedListPage(std::atoi(path.c_str() + 8), pages));
    if (path.rfind("/news/2026/", 0) == 0) return GbkPage(DetailPage(std::atol(path.c_str() + 11)));
    if (path.rfind("/slow_", 0) == 0) {
      char* rest = nullptr;
      const long milliseconds = std::strtol(path.c_str() + 6, &rest, 10);
      test_support::Reply reply = test_support::RawReply(
          test_support::HttpResponse(200, ListPage(std::atoi(rest + 1)), {"Content-Type: text/html"}));
      reply.delay = std::chrono::milliseconds(milliseconds);
      return reply;
    }
    if (path.rfind("/stall_", 0) == 0) return StalledReply();
    const bool gbk = path.rfind(kUtf8Prefix, 0) != 0;
    if (!gbk) path.erase(0, std::string(kUtf8Prefix).size());
    if (path.rfind("/records_", 0) == 0) return PageReply(CachedRecordsPage(std::atoi(path.c_str() + 9), gbk), delay);
    const bool oneEntry = path.rfind("/bigone_", 0) == 0;
    if (!oneEntry && path.rfind("/big_", 0) != 0) return test_support::RawReply(test_support::HttpResponse(404, ""));
    return BigReply(std::strtoul(path.c_str() + (oneEntry ? 8 : 5), nullptr, 10), oneEntry, gbk);
  });
  std::printf("%d\n", server.Port());
  std::fflush(stdout);
  std::string line;
  while (std::getline(std::cin, line)) {
  }
  return 0;
}
