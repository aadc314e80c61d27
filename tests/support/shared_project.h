// One project for both front ends: the same file, the same pages on a loopback server, and the one
// expectation of the requests' bytes and the exported rows, so that a window test and a
// `pelmo collect` test show they run with identical settings.
#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "tests/support/loopback_server.h"

namespace shared_project {

// The user agent of every page request.
inline const std::string kAgent =
    "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/49.0.2623.221 Safari/537.36 SE 2.X MetaSr 1.0";

// The pages of the project, UTF-8, each with its records between the markers.
inline const std::vector<std::pair<std::string, std::string>> kPages = {
    {"/a/list_1.html",
     "<html><body><li>导航</li><div id=\"list\">\r\n<li><a href=\"/n/11.html\">第一条</a></li>\r\n"
     "<li><a href=\"/n/12.html\">第二条</a></li></div></body></html>"},
    {"/list_2.html",
     "<html><body><div id=\"list\">\t<LI><A HREF=\"/n/21.html\">第三条</A></LI></div></body></html>"},
};

// Serves the pages; the server records every request.
inline void ServePages(test_support::LoopbackServer& server) {
  for (const auto& [path, page] : kPages) server.Serve(path, test_support::HttpResponse(200, page));
}

// Writes the project file into folder and gives its path. Written as text, not by the program, so
// that both front ends read the same bytes.
inline std::string WriteProjectFile(const std::string& folder, const test_support::LoopbackServer& server) {
  const std::string path = folder + "/shared.pelmo.json";
  std::ofstream(path, std::ios::binary)
      << "{\n"
         "    \"format\": \"pelmo-project\",\n"
         "    \"version\": 1,\n"
         "    \"addresses\": \"" << server.Url(kPages[0].first) << "\\r\\n" << server.Url(kPages[1].first) << "\",\n"
         "    \"cookie\": \"sid=42\\r\\nlang=zh\",\n"
         "    \"before\": \"<div id=#引号list#引号>\",\n"
         "    \"after\": \"</div>\",\n"
         "    \"rule\": \"<li><a href=\\\"/n/[int].html\\\">[var]</a></li>\",\n"
         "    \"encoding\": \"utf8\",\n"
         "    \"separator\": \" | \",\n"
         "    \"fetching\": {\"perHost\": 1, \"jobs\": 1, \"delayMilliseconds\": 0}\n"
         "}\n";
  return path;
}

// The request of a page, byte for byte: the cookie's two lines joined by "; ".
inline std::string ExpectedRequest(const test_support::LoopbackServer& server, const std::string& path) {
  return "GET " + path + " HTTP/1.1\r\nHost: " + server.Authority() + "\r\nUser-Agent: " + kAgent +
         "\r\nAccept: */*\r\nReferer: " + server.Url(path) +
         "\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded\r\n"
         "Cookie: sid=42; lang=zh\r\n\r\n";
}

// Every request of a run, in order (one per page: each page has records).
inline std::vector<std::string> ExpectedRequests(const test_support::LoopbackServer& server) {
  std::vector<std::string> requests;
  for (const auto& [path, page] : kPages) requests.push_back(ExpectedRequest(server, path));
  return requests;
}

// The export text of the run, in UTF-8: the groups and the address of each record joined by the
// separator, matched without regard to letter case.
inline std::string ExpectedExport(const test_support::LoopbackServer& server) {
  const std::string first = server.Url(kPages[0].first);
  const std::string second = server.Url(kPages[1].first);
  return "11 | 第一条 | " + first + "\r\n12 | 第二条 | " + first + "\r\n21 | 第三条 | " + second + "\r\n";
}

// The raw bytes of the requests the server received.
inline std::vector<std::string> ReceivedRequests(const test_support::LoopbackServer& server) {
  std::vector<std::string> raw;
  for (const test_support::ReceivedRequest& request : server.Requests()) raw.push_back(request.raw);
  return raw;
}

}  // namespace shared_project
