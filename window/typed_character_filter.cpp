// Filtering of typed characters.
#include "window/typed_character_filter.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

namespace window {

TypedCharacterFilter::TypedCharacterFilter(QString allowed, QObject* parent)
    : QObject(parent), allowed_(std::move(allowed)) {}

bool TypedCharacterFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    // Shortcuts such as Ctrl+V insert no typed character of their own.
    const bool shortcut =
        (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0;
    return !shortcut && !Allowed(key->text());
  }
  if (event->type() == QEvent::InputMethod) {
    return !Allowed(static_cast<QInputMethodEvent*>(event)->commitString());
  }
  return QObject::eventFilter(watched, event);
}

bool TypedCharacterFilter::Allowed(const QString& typed) const {
  for (const QChar character : typed) {
    const bool control = character.unicode() < 0x20 || character.unicode() == 0x7F;
    if (!control && !allowed_.contains(character)) {
      return false;
    }
  }
  return true;
}

}  // namespace window
