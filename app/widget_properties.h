// The numbered properties of a control's Qt widget, read and written with the program's texts.
#pragma once

#include <QWidget>

#include "app/layout.h"
#include "runtime/control_access.h"

namespace app {

// The property's value; the property must be one the control's kind has (see Supports).
runtime::PropertyValue ReadWidgetProperty(const ControlLayout& control, const QWidget* widget,
                                          int property);
// Sets the property; the property must be one the control's kind has. A text ends at its first
// zero byte.
void WriteWidgetProperty(const ControlLayout& control, QWidget* widget, int property,
                         const runtime::PropertyValue& value);

}  // namespace app
