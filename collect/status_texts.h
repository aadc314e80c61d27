// Every text the program shows about a run, a test or an export in its status channels (the
// status box's lines, the status bar's messages and time stamp), so that every front end says
// the same words.
#pragma once

#include <cstdint>

#include "collect/progress_meter.h"
#include "collect/run_observer.h"
#include "runtime/current_time.h"
#include "runtime/text.h"

namespace collect {

// The status box's line when a run starts: "新的一轮开始处理..".
runtime::Text RunStartLine();

// The address as a status text shows it: each control byte (below 0x20, and 0x7F) written as an
// escape ("\r", "\n", "\t", or "\x01" with two lower-case hex digits), everything else as it is.
// No byte of a double-byte character is a control byte, so characters stay whole.
runtime::Text PrintableAddress(const runtime::Text& address);

// The status box's line of one attempt: the address (as PrintableAddress shows it) directly
// followed by "取到 n 条纪录", and the failure reason and the warning in one parenthesis, joined by
// "；", when there are any.
runtime::Text AttemptLine(const AttemptResult& attempt);

// The note of a page whose matching was given up (the rule backtracks too much, or its time ran
// out): "匹配规则过于复杂，已停止在第 N 条", N being the record it was looking for.
runtime::Text TooComplexNote(int recordsFound);

// Two notes of one parenthesis: joined by "；" when both are there, else the one that is.
runtime::Text JoinedNotes(const runtime::Text& first, const runtime::Text& second);

// The status bar's message after an attempt that found nothing: "匹配结果为0,请检查正则匹配规则!".
runtime::Text NoMatchMessage();
// The status bar's message after an attempt: "匹配成功，共n条".
runtime::Text MatchCountMessage(int rowsFound);

// The message that ends a run: "共N条数据", with "，M个网址下载失败" when list pages failed and
// "，K个详细页下载失败" when detail pages did, or "已停止：处理了 i / n 个网址，共N条数据" after a
// stop; "条数据" is followed by "（另有 K 条已在以前采集过）" when K records were left out as
// collected before.
runtime::Text FinalMessage(const RunSummary& summary);

// A run's progress as the run panel and `pelmo collect` show it: "i / n 页", then "，失败 f" when
// pages failed, "，取到 r 条" once a page is done, and "，剩余约 " with TimeLeftText when the time
// left is known: "3 / 10 页，失败 1，取到 42 条，剩余约 3 分钟". A run that follows next pages or
// fetches detail pages shows "列表 i / n 页", then "，详细页 d / D" with detail pages, and counts
// failed pages of both kinds: "列表 3 / 10 页，详细页 57 / 200，失败 1，取到 57 条".
runtime::Text ProgressText(const ProgressFigures& figures);
// A time left in round figures: "5 秒" to "55 秒" in steps of 5 (at least 5), then "1 分钟" to
// "59 分钟", then "2 小时" or "2 小时 5 分钟".
runtime::Text TimeLeftText(std::chrono::seconds timeLeft);

// The status box's line of a detail page that failed or did not match: "详细页 " and the address
// (as PrintableAddress shows it) with the failure reason, or "规则没有匹配", in parentheses; of a
// record without a link: the list page's address directly followed by "第 k 条纪录没有详细页链接".
runtime::Text DetailLine(const DetailPageResult& detail);

// The notice before a run when the store's last run did not finish and is not resumed:
// "上次的采集在第 i / n 个网址中断；加 --resume 继续", i the pages it processed.
runtime::Text InterruptedRunNotice(int pagesDone, int pageCount);
// The notice before a run when the store's unfinished run has other settings and cannot be
// resumed: "上次中断的采集设置不同，无法继续；开始新的采集".
runtime::Text OtherSettingsNotice();

// The status bar's message after a store was chosen: "采集库：" and the file as shown to the user;
// with the run it holds shown in the list, "，第 N 次采集，共M条数据" follows.
runtime::Text StoreChosenMessage(const runtime::Text& shownPath);
runtime::Text StoredRunShownMessage(const runtime::Text& shownPath, int runId, int rowCount);

// The message after a configuration test whose page declares another encoding than it was read
// with: the address (as PrintableAddress shows it) and the warning in parentheses; empty without a
// warning.
runtime::Text TestedPageMessage(const runtime::Text& address, const runtime::Text& warning);

// After a configuration test whose download failed, with the reason a run's line gives
// (FailureReason): the status bar's message "测试页下载失败（HTTP 404）", and the status box's line,
// the address (as PrintableAddress shows it), a space and the same message.
runtime::Text TestFailedMessage(const runtime::Text& reason);
runtime::Text TestFailedLine(const runtime::Text& address, const runtime::Text& reason);

// Why a rule cannot run: "正则匹配规则不能为空!" for the empty rule, "匹配规则有误: " and the
// regular-expression engine's reason when it does not compile.
runtime::Text EmptyRuleMessage();
runtime::Text BrokenRuleMessage(const runtime::Text& reason);
// Why the next-page or detail settings cannot run: "翻页规则有误: " or "详细页匹配规则有误: " and the
// engine's reason; a rule without a group ("…中没有 [var] 或 [int]"); a detail stage without its
// rule or its column; a column that is no caption and no column number.
runtime::Text BrokenLinkRuleMessage(bool detail, const runtime::Text& reason);
runtime::Text LinkRuleWithoutGroupMessage(bool detail);
runtime::Text EmptyDetailRuleMessage();
runtime::Text MissingDetailColumnMessage();
runtime::Text UnknownDetailColumnMessage(const runtime::Text& column);
// Why a cookie cannot be sent: "Cookie 不能超过 64 KB（现为 N 字节）", N its length in bytes.
runtime::Text CookieTooLongMessage(std::int64_t cookieBytes);

// The status bar's message after "导出结果": "已导出至右方编辑框成功，并已请复制内容！".
runtime::Text ExportedToBoxMessage();
// The status bar's message after an export to a file: "已导出至 " and the file as shown to the user.
runtime::Text ExportedToFileMessage(const runtime::Text& shownPath);

// The status bar's message after a project was saved or opened: "已保存项目 " or "已打开项目 " and
// the file's name.
runtime::Text ProjectSavedMessage(const runtime::Text& fileName);
runtime::Text ProjectOpenedMessage(const runtime::Text& fileName);

// The time stamp beside a status message: "2026/12/7 03:05:09" (12-hour clock, no marker).
runtime::Text StatusStamp(runtime::DateTime moment);

}  // namespace collect
