// Failure reasons.
#include "collect/failure_reason.h"

#include "runtime/code_page.h"
#include "runtime/text_operations.h"

namespace collect {
namespace {

using runtime::T;
using runtime::Text;
using web::FetchFailure;

// The words in front of the client's own account of the failure.
Text FailureLabel(FetchFailure failure) {
  switch (failure) {
    case FetchFailure::CouldNotResolve: return T("无法解析主机");
    case FetchFailure::CouldNotConnect: return T("无法连接");
    case FetchFailure::TimedOut:
    case FetchFailure::TransferTooLong: return T("超时");
    case FetchFailure::CutOff: return T("连接中断");
    case FetchFailure::NotHttp: return T("不是 HTTP 应答");
    case FetchFailure::Tls: return T("TLS 错误");
    case FetchFailure::Cancelled: return T("已停止");
    default: return T("下载失败");
  }
}

Text WithMessage(const Text& label, const Text& message) {
  return message.empty() ? label : label + ": " + message;
}

}  // namespace

Text FailureReason(const web::FetchResponse& response, std::int64_t maxPageBytes) {
  switch (response.failure) {
    case FetchFailure::None:
      if (response.status >= kFirstFailingStatus) return "HTTP " + runtime::ToText(response.status);
      return Text();
    case FetchFailure::UnsupportedAddress: return T("不支持的地址");
    case FetchFailure::TooManyRedirects: return T("重定向过多");
    case FetchFailure::HeadersTooLarge: return T("响应头过大");
    case FetchFailure::CookieTooLarge:
      return T("Cookie 超过 ") + runtime::ToText(static_cast<std::int64_t>(web::kMaxCookieBytes / 1024)) + " KB";
    case FetchFailure::PageTooLarge:
      return T("页面超过 ") + runtime::ToText(static_cast<std::int64_t>(maxPageBytes / web::kMebibyte)) + " MB";
    default: return WithMessage(FailureLabel(response.failure), response.message);
  }
}

}  // namespace collect
