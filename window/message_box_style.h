// What a message-box style word asks for: the buttons (low bits), the icon (bits 4 to 7) and
// the default button (bits 8 and 9); and the record of a box shown.
#pragma once

#include <vector>

#include "runtime/text.h"

namespace window {

// 0-based answers, one per button.
constexpr int kAnswerOk = 0;
constexpr int kAnswerCancel = 1;
constexpr int kAnswerAbort = 2;
constexpr int kAnswerRetry = 3;
constexpr int kAnswerIgnore = 4;
constexpr int kAnswerYes = 5;
constexpr int kAnswerNo = 6;
constexpr int kAnswerTryAgain = 9;
constexpr int kAnswerContinue = 10;

enum class MessageIcon { None, Error, Question, Warning, Information };

// The icon of the style word: 0x10 error, 0x20 question, 0x30 warning, 0x40 information.
MessageIcon IconOf(int flags);
// The answers of the buttons, in the order they are shown.
std::vector<int> ButtonsOf(int flags);
// The answer of the default button.
int DefaultAnswer(int flags);
// The caption a box without one shows: "信息：".
runtime::Text DefaultCaption();

// A message box as it was asked for and answered.
struct MessageRecord {
  runtime::Text message;
  int flags = 0;
  runtime::Text caption;
  int answer = kAnswerOk;
};

}  // namespace window
