// An event filter that lets only certain characters be typed into an edit box; control keys
// (backspace, delete, the arrows, the clipboard shortcuts) and pasting are left alone.
#pragma once

#include <QObject>
#include <QString>

namespace window {

class TypedCharacterFilter final : public QObject {
  Q_OBJECT

public:
  // allowed: the printable characters that may be typed.
  TypedCharacterFilter(QString allowed, QObject* parent);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  bool Allowed(const QString& typed) const;

  QString allowed_;
};

}  // namespace window
