// The property table of the control kinds.
#include "app/property_support.h"

#include "runtime/text_operations.h"

namespace app {

bool Supports(ControlKind kind, int property) {
  switch (property) {
    case runtime::Property::kVisible: return true;
    case runtime::Property::kContent:
      return kind != ControlKind::StatusBar && kind != ControlKind::ReportList;
    case runtime::Property::kColumnDefinitions: return kind == ControlKind::ReportList;
    case runtime::Property::kChecked: return kind == ControlKind::CheckBox;
    case runtime::Property::kCurrentSelection: return kind == ControlKind::ComboBox;
    default: return false;
  }
}

runtime::Text AsText(const runtime::PropertyValue& value) {
  if (const int* number = std::get_if<int>(&value)) {
    return runtime::ToText(*number);
  }
  return std::get<runtime::Text>(value);
}

int AsInteger(const runtime::PropertyValue& value) {
  if (const runtime::Text* text = std::get_if<runtime::Text>(&value)) {
    return runtime::ToInteger(*text);
  }
  return std::get<int>(value);
}

}  // namespace app
