// A page server for the end-to-end benchmarks: serves /list_N.html (N from 1 to the page count),
// GBK list pages of about 30 KB with 20 entries each, over keep-alive connections on 127.0.0.1,
// each answer after an optional delay; and /big_M.html, a list page of M mebibytes whose entries
// the default rule does not match. Prints its port, then serves until standard input closes.
//
//   page_server PAGES [DELAY_MS]
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "runtime/code_page.h"
#include "tests/support/loopback_server.h"

namespace {

// The page the Python benchmark writes: the default rule's mark-up, padded with text.
std::string ListPage(int pageNumber) {
  std::string filler = "<p class=\"filler\">";
  for (int i = 0; i < 20; ++i) filler += "本栏目提供最新新闻资讯 ";
  filler += "</p>\r\n";
  std::string page = "<html><head><title>新闻列表 第" + std::to_string(pageNumber) +
                     "页</title></head><body>\r\n<ul class=\"list-item\">\r\n";
  for (int i = 0; i < 20; ++i) {
    const int number = pageNumber * 100 + i;
    page += "<li> <a href=\"/news/2026/" + std::to_string(number) + ".html\" title=\"第" +
            std::to_string(pageNumber) + "页的第" + std::to_string(i) +
            "条新闻标题\">\t <span class=\"date\">2026-12-07</span></li>\r\n";
  }
  page += "</ul>\r\n";
  std::string gbk = runtime::Utf8ToText(page);
  const std::string fillerGbk = runtime::Utf8ToText(filler);
  while (gbk.size() < 30000) gbk += fillerGbk;
  return gbk + "</body></html>\r\n";
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
    test_support::Reply reply = test_support::RawReply(
        test_support::HttpResponse(200, ListPage(n), {"Content-Type: text/html", "Connection: keep-alive"}));
    reply.delay = delay;
    server.Serve("/list_" + std::to_string(n) + ".html", reply);
  }
  server.SetHandler([](const test_support::ReceivedRequest& request) {
    const std::string path = request.Path();
    if (path.rfind("/big_", 0) != 0) return test_support::RawReply(test_support::HttpResponse(404, ""));
    const std::size_t mebibytes = std::strtoul(path.c_str() + 5, nullptr, 10);
    const std::string block = runtime::Utf8ToText("<p>本栏目提供最新新闻资讯 list entry without a link</p>\r\n");
    const std::string head = runtime::Utf8ToText("<html><body><ul class=\"list-item\">\r\n");
    const std::size_t repeats = (mebibytes * 1024 * 1024) / block.size();
    test_support::Reply reply = test_support::RawReply(test_support::HttpResponseHead(
        200, head.size() + repeats * block.size(), {"Connection: close"}) + head);
    reply.repeatedBlock = block;
    reply.repeatCount = repeats;
    return reply;
  });
  std::printf("%d\n", server.Port());
  std::fflush(stdout);
  std::string line;
  while (std::getline(std::cin, line)) {
  }
  return 0;
}
