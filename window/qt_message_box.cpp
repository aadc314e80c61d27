// The message box dialog: icon, buttons in the order of the style word, Chinese button texts.
#include "window/qt_message_box.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <map>

#include "window/message_box_style.h"
#include "window/qt_text.h"

namespace window {

namespace {

QMessageBox::Icon QtIcon(int flags) {
  switch (IconOf(flags)) {
    case MessageIcon::Error: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

struct ButtonLook {
  const char* text;
  QMessageBox::ButtonRole role;
};

ButtonLook LookOf(int answer) {
  switch (answer) {
    case kAnswerCancel: return {"取消", QMessageBox::RejectRole};
    case kAnswerAbort: return {"中止(&A)", QMessageBox::RejectRole};
    case kAnswerRetry: return {"重试(&R)", QMessageBox::AcceptRole};
    case kAnswerIgnore: return {"忽略(&I)", QMessageBox::AcceptRole};
    case kAnswerYes: return {"是(&Y)", QMessageBox::YesRole};
    case kAnswerNo: return {"否(&N)", QMessageBox::NoRole};
    case kAnswerTryAgain: return {"重试(&T)", QMessageBox::AcceptRole};
    case kAnswerContinue: return {"继续(&C)", QMessageBox::AcceptRole};
    default: return {"确定", QMessageBox::AcceptRole};
  }
}

}  // namespace

int ShowQtMessageBox(QWidget* owner, const runtime::Text& message, int flags,
                     const runtime::Text& caption) {
  QMessageBox box(owner);
  box.setWindowTitle(ToQString(caption));
  box.setTextFormat(Qt::PlainText);
  box.setText(ToEditorText(message));
  box.setIcon(QtIcon(flags));
  // Task-modal: no window of the program takes input while the box is open.
  box.setWindowModality(Qt::ApplicationModal);

  const std::vector<int> answers = ButtonsOf(flags);
  std::map<QAbstractButton*, int> answerOf;
  QPushButton* escape = nullptr;
  for (const int answer : answers) {
    const ButtonLook look = LookOf(answer);
    QPushButton* button = box.addButton(QString::fromUtf8(look.text), look.role);
    button->setObjectName(QStringLiteral("answer%1").arg(answer));
    answerOf[button] = answer;
    if (answer == kAnswerCancel || answers.size() == 1) {
      escape = button;
    }
    if (answer == DefaultAnswer(flags)) {
      box.setDefaultButton(button);
    }
  }
  box.setEscapeButton(escape);
  box.exec();
  const auto pressed = answerOf.find(box.clickedButton());
  if (pressed != answerOf.end()) {
    return pressed->second;
  }
  return escape != nullptr ? answerOf[escape] : DefaultAnswer(flags);
}

}  // namespace window
