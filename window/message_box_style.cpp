// Decoding of the message-box style word.
#include "window/message_box_style.h"

#include <algorithm>

#include "runtime/code_page.h"

namespace window {

MessageIcon IconOf(int flags) {
  switch (flags & 0xF0) {
    case 0x10: return MessageIcon::Error;
    case 0x20: return MessageIcon::Question;
    case 0x30: return MessageIcon::Warning;
    case 0x40: return MessageIcon::Information;
    default: return MessageIcon::None;
  }
}

std::vector<int> ButtonsOf(int flags) {
  switch (flags & 0x0F) {
    case 1: return {kAnswerOk, kAnswerCancel};
    case 2: return {kAnswerAbort, kAnswerRetry, kAnswerIgnore};
    case 3: return {kAnswerYes, kAnswerNo, kAnswerCancel};
    case 4: return {kAnswerYes, kAnswerNo};
    case 5: return {kAnswerRetry, kAnswerCancel};
    case 6: return {kAnswerCancel, kAnswerTryAgain, kAnswerContinue};
    default: return {kAnswerOk};
  }
}

int DefaultAnswer(int flags) {
  const std::vector<int> buttons = ButtonsOf(flags);
  const auto index = std::min<std::size_t>((flags >> 8) & 0x0F, buttons.size() - 1);
  return buttons[index];
}

runtime::Text DefaultCaption() { return runtime::T("信息："); }

}  // namespace window
