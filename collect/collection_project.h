// A collection project: everything the user types into the main window for a collection, kept
// as typed so that it can be saved to a file and put back; and the one way a project becomes the
// settings of a run.
#pragma once

#include <string>
#include <vector>

#include "collect/collection_settings.h"
#include "runtime/text.h"

namespace collect {

// Where a project's runs are kept as they happen (collect/run_store.h), and which records a run
// leaves out. A default-made choice keeps no store.
struct StoreChoice {
  // The store file, bytes as the file system takes them; empty: runs keep no store.
  std::string file;
  // Leave out of a run every record an earlier run of the project collected.
  bool onlyNew = false;
  // The columns whose cells tell records apart, by column number (k of "文本 k", detail columns
  // counted after the page address); empty: every column but the first (the whole match) and the
  // page address, detail columns included.
  std::vector<int> recordColumns;

  friend bool operator==(const StoreChoice&, const StoreChoice&) = default;
};

// The main window's settings. A default-made project holds the window's defaults at start.
struct CollectionProject {
  // The address box exactly as typed: one address per line, lines joined by CR LF.
  runtime::Text addressText =
      "http://www.example.com/news/index_2.html\r\n"
      "http://www.example.com/news/index_3.html";
  runtime::Text cookie;
  runtime::Text before = "list-item";  // cut markers; "#引号" stands for a double quote
  runtime::Text after = "</html>";
  runtime::Text rule = R"(<li> <a href="[var]/[int].html" title="[var]"> <span [var0]</li>)";
  PageEncoding encoding = PageEncoding::Gbk;  // the ticked "gbk编码" box
  runtime::Text separator;                    // empty: the export writes HTML table rows
  RuleSyntax ruleSyntax = RuleSyntax::Pattern;  // Literal: "按原文匹配" ticked
  FetchPoliteness fetching;
  NextPageSettings next;  // off by default
  DetailSettings detail;  // off by default
  StoreChoice store;
};

// What a run is bounded by beyond its project: limits no project holds. A page limit above
// web::kLargestBodyBytes counts as that.
struct RunLimits {
  std::int64_t maxPageBytes = kDefaultMaxPageBytes;
};

// The settings of a run over the project: its address box split at CR LF into the addresses (an
// empty box gives none, an empty line an empty address, a final line break no address), its
// texts, encoding, fetching limits, next-page and detail settings as they are, and the run's own
// limits (the page limit at most web::kLargestBodyBytes).
CollectionSettings SettingsForRun(const CollectionProject& project, const RunLimits& limits = {});

}  // namespace collect
