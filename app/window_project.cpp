// Moving a collection project in and out of the main window's boxes.
#include "app/window_project.h"

#include <array>

#include "app/fetching_dialog.h"
#include "app/main_window_controls.h"
#include "runtime/control_access.h"

namespace app {
namespace {

namespace Property = runtime::Property;
using collect::CollectionProject;
using runtime::Window;

struct TextBox {
  const char* control;
  runtime::Text CollectionProject::*member;
};

constexpr std::array<TextBox, 6> kTextBoxes = {{
    {Control::kAddresses, &CollectionProject::addressText},
    {Control::kCookie, &CollectionProject::cookie},
    {Control::kBefore, &CollectionProject::before},
    {Control::kAfter, &CollectionProject::after},
    {Control::kRule, &CollectionProject::rule},
    {Control::kSeparator, &CollectionProject::separator},
}};

}  // namespace

CollectionProject ReadWindowProject() {
  CollectionProject project;
  for (const TextBox& box : kTextBoxes) {
    project.*box.member = runtime::ReadText(Window::MainWindow, box.control);
  }
  const bool gbk = runtime::ReadInteger(Window::MainWindow, Control::kGbk, Property::kChecked) == 1;
  project.encoding = gbk ? collect::PageEncoding::Gbk : collect::PageEncoding::Utf8;
  project.fetching = SessionFetching();
  return project;
}

void ShowWindowProject(const CollectionProject& project) {
  for (const TextBox& box : kTextBoxes) {
    runtime::WriteProperty(Window::MainWindow, box.control, Property::kContent, project.*box.member);
  }
  const bool gbk = project.encoding != collect::PageEncoding::Utf8;
  runtime::WriteProperty(Window::MainWindow, Control::kGbk, Property::kChecked, gbk ? 1 : 0);
  SessionFetching() = project.fetching;
}

}  // namespace app
