// Property access on the widgets of each control kind.
#include "app/widget_properties.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>

#include "app/control_widgets.h"
#include "app/property_support.h"
#include "app/qt_text.h"
#include "app/report_list_view.h"

namespace app {

namespace {

runtime::Text ReadContent(const ControlLayout& control, const QWidget* widget) {
  switch (control.kind) {
    case ControlKind::EditBox:
    case ControlKind::ComboBox: return EditBoxText(widget);
    case ControlKind::Label: return FromQString(qobject_cast<const QLabel*>(widget)->text());
    case ControlKind::Button:
    case ControlKind::CheckBox:
      return FromQString(qobject_cast<const QAbstractButton*>(widget)->text());
    case ControlKind::GroupBox: return FromQString(qobject_cast<const QGroupBox*>(widget)->title());
    default: return {};
  }
}

void WriteContent(const ControlLayout& control, QWidget* widget, const runtime::Text& text) {
  switch (control.kind) {
    case ControlKind::EditBox: SetEditBoxText(widget, text); break;
    case ControlKind::ComboBox:
      qobject_cast<QComboBox*>(widget)->setEditText(ToQString(text));
      break;
    case ControlKind::Label: qobject_cast<QLabel*>(widget)->setText(ToQString(text)); break;
    case ControlKind::Button:
    case ControlKind::CheckBox:
      qobject_cast<QAbstractButton*>(widget)->setText(ToQString(text));
      break;
    case ControlKind::GroupBox: qobject_cast<QGroupBox*>(widget)->setTitle(ToQString(text)); break;
    default: break;
  }
}

}  // namespace

runtime::PropertyValue ReadWidgetProperty(const ControlLayout& control, const QWidget* widget,
                                          int property) {
  switch (property) {
    case runtime::Property::kVisible: return widget->isHidden() ? 0 : 1;
    case runtime::Property::kColumnDefinitions:
      return qobject_cast<const ReportListView*>(widget)->Model().List().ColumnDefinitions();
    case runtime::Property::kChecked:
      return qobject_cast<const QAbstractButton*>(widget)->isChecked() ? 1 : 0;
    case runtime::Property::kCurrentSelection:
      return qobject_cast<const QComboBox*>(widget)->currentIndex();
    default: return ReadContent(control, widget);
  }
}

void WriteWidgetProperty(const ControlLayout& control, QWidget* widget, int property,
                         const runtime::PropertyValue& value) {
  switch (property) {
    case runtime::Property::kVisible: widget->setVisible(AsInteger(value) != 0); break;
    case runtime::Property::kColumnDefinitions:
      qobject_cast<ReportListView*>(widget)->List().SetColumnDefinitions(AsText(value));
      break;
    case runtime::Property::kChecked:
      qobject_cast<QAbstractButton*>(widget)->setChecked(AsInteger(value) != 0);
      break;
    case runtime::Property::kCurrentSelection: {
      auto* combo = qobject_cast<QComboBox*>(widget);
      const int index = AsInteger(value);
      combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
      break;
    }
    default: {
      const runtime::Text text = AsText(value);
      WriteContent(control, widget, text.substr(0, text.find('\0')));
      break;
    }
  }
}

}  // namespace app
