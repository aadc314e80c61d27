// Which numbered properties each kind of control has, and the conversions of property values.
#pragma once

#include "app/layout.h"
#include "runtime/control_access.h"

namespace app {

// Whether a control of that kind has the property (5 visible, 8 content, 17 column
// definitions, 18 checked, 19 current selection).
bool Supports(ControlKind kind, int property);
// A property value as a text: an integer in decimal.
runtime::Text AsText(const runtime::PropertyValue& value);
// A property value as an integer: a text read as a decimal number.
int AsInteger(const runtime::PropertyValue& value);

}  // namespace app
