// Code-page conversion for widget texts.
#include "window/qt_text.h"

#include <QStringList>

#include "runtime/code_page.h"

namespace window {

QString ToQString(std::string_view text) {
  const std::u16string utf16 = runtime::TextToUtf16(text);
  return QString(reinterpret_cast<const QChar*>(utf16.data()),
                 static_cast<qsizetype>(utf16.size()));
}

runtime::Text FromQString(const QString& text) {
  return runtime::Utf16ToText(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                  static_cast<std::size_t>(text.size())));
}

QString FromLayout(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString ToEditorText(std::string_view text) {
  QString converted = ToQString(text);
  converted.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  converted.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return converted;
}

runtime::Text FromEditorLines(const QStringList& lines) {
  return FromQString(lines.join(QStringLiteral("\r\n")));
}

}  // namespace window
