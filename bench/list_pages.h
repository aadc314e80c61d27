// The list pages the end-to-end benchmarks serve, for the page server and for the benchmarks that
// take a page's steps alone.
#pragma once

#include <string>

#include "runtime/code_page.h"

namespace bench_pages {

// The default rule's mark-up for one entry, in UTF-8.
inline std::string Entry(int pageNumber, int index) {
  return "<li> <a href=\"/news/2026/" + std::to_string(pageNumber * 100 + index) + ".html\" title=\"第" +
         std::to_string(pageNumber) + "页的第" + std::to_string(index) +
         "条新闻标题\">\t <span class=\"date\">2026-12-07</span></li>\r\n";
}

inline std::string Encoded(const std::string& utf8, bool gbk) { return gbk ? runtime::Utf8ToText(utf8) : utf8; }

// The page the Python benchmark writes: the default rule's mark-up, padded with text.
inline std::string ListPage(int pageNumber, bool gbk = true) {
  std::string filler = "<p class=\"filler\">";
  for (int i = 0; i < 20; ++i) filler += "本栏目提供最新新闻资讯 ";
  filler += "</p>\r\n";
  std::string page = "<html><head><title>新闻列表 第" + std::to_string(pageNumber) +
                     "页</title></head><body>\r\n<ul class=\"list-item\">\r\n";
  for (int i = 0; i < 20; ++i) page += Entry(pageNumber, i);
  page = Encoded(page + "</ul>\r\n", gbk);
  const std::string fillerBytes = Encoded(filler, gbk);
  while (page.size() < 30000) page += fillerBytes;
  return page + "</body></html>\r\n";
}

}  // namespace bench_pages
