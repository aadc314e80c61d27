// The status texts of runs, tests and exports.
#include "collect/status_texts.h"

#include <algorithm>

#include "collect/date_time_format.h"
#include "runtime/code_page.h"
#include "runtime/text_operations.h"
#include "web/fetch.h"

namespace collect {

using runtime::T;
using runtime::Text;

Text RunStartLine() { return T("新的一轮开始处理.."); }

Text PrintableAddress(const Text& address) {
  static const char kHex[] = "0123456789abcdef";
  Text printable;
  printable.reserve(address.size());
  for (char c : address) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      printable += c;
    } else if (c == '\r') {
      printable += "\\r";
    } else if (c == '\n') {
      printable += "\\n";
    } else if (c == '\t') {
      printable += "\\t";
    } else {
      printable += "\\x";
      printable += kHex[byte >> 4];
      printable += kHex[byte & 0x0F];
    }
  }
  return printable;
}

Text AttemptLine(const AttemptResult& attempt) {
  Text line = PrintableAddress(attempt.address) + T("取到 ") + runtime::ToText(attempt.rowsFound) + T(" 条纪录");
  const Text note = JoinedNotes(attempt.failureReason, attempt.warning);
  if (!note.empty()) line += T("（") + note + T("）");
  return line;
}

Text TooComplexNote(int recordsFound) {
  return T("匹配规则过于复杂，已停止在第 ") + runtime::ToText(recordsFound + 1) + T(" 条");
}

Text JoinedNotes(const Text& first, const Text& second) {
  if (first.empty() || second.empty()) return first + second;
  return first + T("；") + second;
}

Text NoMatchMessage() { return T("匹配结果为0,请检查正则匹配规则!"); }

Text MatchCountMessage(int rowsFound) { return T("匹配成功，共") + runtime::ToText(rowsFound) + T("条"); }

Text FinalMessage(const RunSummary& summary) {
  Text rows = runtime::ToText(summary.rowCount);
  if (summary.rowsCollectedBefore > 0) {
    rows += T("条数据（另有 ") + runtime::ToText(summary.rowsCollectedBefore) + T(" 条已在以前采集过）");
  } else {
    rows += T("条数据");
  }
  if (summary.stopped) {
    return T("已停止：处理了 ") + runtime::ToText(summary.pagesDone) + " / " +
           runtime::ToText(summary.pageCount) + T(" 个网址，共") + rows;
  }
  Text message = T("共") + rows;
  if (summary.pagesFailed > 0) {
    message += T("，") + runtime::ToText(summary.pagesFailed) + T("个网址下载失败");
  }
  if (summary.detailPagesFailed > 0) {
    message += T("，") + runtime::ToText(summary.detailPagesFailed) + T("个详细页下载失败");
  }
  return message;
}

Text ProgressText(const ProgressFigures& figures) {
  const Text pages = runtime::ToText(figures.pagesDone) + " / " + runtime::ToText(figures.pageCount) + T(" 页");
  const bool followsLinks = figures.followsNextPages || figures.fetchesDetailPages;
  Text text = followsLinks ? T("列表 ") + pages : pages;
  if (figures.fetchesDetailPages) {
    text += T("，详细页 ") + runtime::ToText(figures.detailPagesDone) + " / " +
            runtime::ToText(figures.detailPageCount);
  }
  const int failed = figures.pagesFailed + figures.detailPagesFailed;
  if (failed > 0) text += T("，失败 ") + runtime::ToText(failed);
  if (figures.pagesDone > 0) text += T("，取到 ") + runtime::ToText(figures.rowsFound) + T(" 条");
  if (figures.timeLeft) text += T("，剩余约 ") + TimeLeftText(*figures.timeLeft);
  return text;
}

Text TimeLeftText(std::chrono::seconds timeLeft) {
  constexpr std::int64_t kStep = 5;
  constexpr std::int64_t kMostSeconds = 55;
  const std::int64_t seconds = std::max<std::int64_t>(timeLeft.count(), 0);
  if (seconds <= kMostSeconds) {
    const std::int64_t rounded = std::max(kStep, (seconds + kStep - 1) / kStep * kStep);
    return runtime::ToText(rounded) + T(" 秒");
  }
  const std::int64_t minutes = std::max<std::int64_t>((seconds + 30) / 60, 1);
  if (minutes < 60) return runtime::ToText(minutes) + T(" 分钟");
  Text text = runtime::ToText(minutes / 60) + T(" 小时");
  if (minutes % 60 > 0) text += " " + runtime::ToText(minutes % 60) + T(" 分钟");
  return text;
}

Text DetailLine(const DetailPageResult& detail) {
  if (detail.address.empty()) {
    return PrintableAddress(detail.listAddress) + T("第 ") + runtime::ToText(detail.record) + T(" 条纪录没有详细页链接");
  }
  const Text reason = detail.failureReason.empty() ? T("规则没有匹配") : detail.failureReason;
  return T("详细页 ") + PrintableAddress(detail.address) + T("（") + reason + T("）");
}

Text InterruptedRunNotice(int pagesDone, int pageCount) {
  return T("上次的采集在第 ") + runtime::ToText(pagesDone) + " / " + runtime::ToText(pageCount) +
         T(" 个网址中断；加 --resume 继续");
}

Text OtherSettingsNotice() { return T("上次中断的采集设置不同，无法继续；开始新的采集"); }

Text StoreChosenMessage(const Text& shownPath) { return T("采集库：") + shownPath; }

Text StoredRunShownMessage(const Text& shownPath, int runId, int rowCount) {
  return StoreChosenMessage(shownPath) + T("，第 ") + runtime::ToText(runId) + T(" 次采集，共") +
         runtime::ToText(rowCount) + T("条数据");
}

Text TestedPageMessage(const Text& address, const Text& warning) {
  return warning.empty() ? Text() : PrintableAddress(address) + T("（") + warning + T("）");
}

Text TestFailedMessage(const Text& reason) { return T("测试页下载失败（") + reason + T("）"); }

Text TestFailedLine(const Text& address, const Text& reason) {
  return PrintableAddress(address) + " " + TestFailedMessage(reason);
}

Text EmptyRuleMessage() { return T("正则匹配规则不能为空!"); }

Text BrokenRuleMessage(const Text& reason) { return T("匹配规则有误: ") + reason; }

Text BrokenLinkRuleMessage(bool detail, const Text& reason) {
  return (detail ? T("详细页匹配规则有误: ") : T("翻页规则有误: ")) + reason;
}

Text LinkRuleWithoutGroupMessage(bool detail) {
  return detail ? T("详细页匹配规则中没有 [var] 或 [int]，取不到要添加的内容")
                : T("翻页规则中没有 [var] 或 [int]，取不到下一页的网址");
}

Text EmptyDetailRuleMessage() { return T("详细页匹配规则不能为空!"); }

Text MissingDetailColumnMessage() { return T("请指定详细页链接所在的列（列名或列号）"); }

Text UnknownDetailColumnMessage(const Text& column) {
  return T("找不到详细页链接所在的列“") + column + T("”：应为一个列名或列号");
}

Text CookieTooLongMessage(std::int64_t cookieBytes) {
  return T("Cookie 不能超过 ") + runtime::ToText(static_cast<std::int64_t>(web::kMaxCookieBytes / 1024)) +
         T(" KB（现为 ") + runtime::ToText(cookieBytes) + T(" 字节）");
}

Text ExportedToBoxMessage() { return T("已导出至右方编辑框成功，并已请复制内容！"); }

Text ExportedToFileMessage(const Text& shownPath) { return T("已导出至 ") + shownPath; }

Text ProjectSavedMessage(const Text& fileName) { return T("已保存项目 ") + fileName; }

Text ProjectOpenedMessage(const Text& fileName) { return T("已打开项目 ") + fileName; }

Text StatusStamp(runtime::DateTime moment) {
  return FormatDateTime(moment, Text("yyyy/M/d"), Text(" hh:mm:ss"));
}

}  // namespace collect
