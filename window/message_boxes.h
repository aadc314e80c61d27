// The message boxes of the main window's commands, with a seam that lets tests answer them
// without a modal box (as KeePassXC's MessageBox::setNextAnswer does).
#pragma once

#include <deque>
#include <optional>
#include <vector>

#include "runtime/text.h"
#include "window/message_box_style.h"

class QWidget;

namespace window {

class MessageBoxes {
public:
  // Shows the message with the icon and buttons of the style word (caption "信息：" when none is
  // given) over owner and returns the 0-based answer; answers with the oldest answer set by
  // SetNextAnswer instead, without showing anything. Every box is recorded.
  int Show(QWidget* owner, const runtime::Text& message, int flags,
           const std::optional<runtime::Text>& caption = std::nullopt);

  // Seam for tests: the answer of a coming box, in turn.
  void SetNextAnswer(int answer) { nextAnswers_.push_back(answer); }
  // The boxes asked for so far, with their answers.
  const std::vector<MessageRecord>& Shown() const { return shown_; }

private:
  std::deque<int> nextAnswers_;
  std::vector<MessageRecord> shown_;
};

}  // namespace window
