// From a project to the settings of a run.
#include "collect/collection_project.h"

#include <algorithm>

#include "runtime/text_operations.h"
#include "web/transfer_settings.h"

namespace collect {

CollectionSettings SettingsForRun(const CollectionProject& project, const RunLimits& limits) {
  CollectionSettings settings;
  settings.addresses = runtime::SplitText(project.addressText, runtime::Text("\r\n")).Items();
  settings.cookie = project.cookie;
  settings.before = project.before;
  settings.after = project.after;
  settings.rule = project.rule;
  settings.ruleSyntax = project.ruleSyntax;
  settings.encoding = project.encoding;
  settings.fetching = project.fetching;
  settings.maxPageBytes = std::min(limits.maxPageBytes, web::kLargestBodyBytes);
  settings.next = project.next;
  settings.detail = project.detail;
  return settings;
}

}  // namespace collect
