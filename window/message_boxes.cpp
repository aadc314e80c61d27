// Message boxes shown or answered by the test's seam.
#include "window/message_boxes.h"

#include "window/qt_message_box.h"

namespace window {

int MessageBoxes::Show(QWidget* owner, const runtime::Text& message, int flags,
                       const std::optional<runtime::Text>& caption) {
  MessageRecord record{message, flags, caption.value_or(DefaultCaption()), kAnswerOk};
  if (!nextAnswers_.empty()) {
    record.answer = nextAnswers_.front();
    nextAnswers_.pop_front();
  } else {
    record.answer = ShowQtMessageBox(owner, message, flags, record.caption);
  }
  shown_.push_back(record);
  return record.answer;
}

}  // namespace window
