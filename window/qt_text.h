// Conversions of texts at the edge between the program (code-page texts) and Qt (QString).
#pragma once

#include <QString>
#include <string_view>

#include "runtime/text.h"

namespace window {

// A text of the program's code page as a QString.
QString ToQString(std::string_view text);
// A QString as a text of the program's code page.
runtime::Text FromQString(const QString& text);
// A UTF-8 literal of a layout table as a QString.
QString FromLayout(std::string_view utf8);
// A text for a multi-line box: CR LF (and a lone CR) become the widget's line feed.
QString ToEditorText(std::string_view text);
// Lines of a multi-line box joined with CR LF, as the program expects them.
runtime::Text FromEditorLines(const QStringList& lines);

}  // namespace window
