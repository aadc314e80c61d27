// List pages for the tests of the commands: entries that the default match rule collects.
#pragma once

#include <string>
#include <vector>

#include "runtime/code_page.h"

namespace collect_test {

// One entry of a news list, as the default rule expects it (UTF-8).
inline std::string ListEntry(int number) {
  return "<li> <a href=\"/news/2026/" + std::to_string(1000 + number) + ".html\" title=\"标题" +
         std::to_string(number) + "\">\t <span class=\"date\">2026-12-07</span></li>\r\n";
}

// A page holding count entries between "list-item" and "</html>", in UTF-8.
inline std::string ListPageUtf8(int count, int firstNumber = 1) {
  std::string page = "<html><head><title>新闻列表</title></head><body>\r\n"
                     "<li> <a href=\"/nav/1.html\" title=\"导航\"> <span class=\"n\">x</li>\r\n"
                     "<ul class=\"list-item\">\r\n";
  for (int i = 0; i < count; ++i) page += ListEntry(firstNumber + i);
  return page + "</ul></body></html>\r\n";
}

// The same page in GBK.
inline std::string ListPageGbk(int count, int firstNumber = 1) {
  return runtime::Utf8ToText(ListPageUtf8(count, firstNumber));
}

// The address box as a user types the addresses: one per line, CR LF between, none after.
inline std::string AddressBox(const std::vector<std::string>& addresses) {
  std::string box;
  for (size_t i = 0; i < addresses.size(); ++i) box += (i ? "\r\n" : "") + addresses[i];
  return box;
}

}  // namespace collect_test
