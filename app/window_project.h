// The main window's settings as a collection project: read from the boxes, and written back.
#pragma once

#include "collect/collection_project.h"

namespace app {

// The boxes as typed (address box, cookie, markers, rule, "gbk编码", separator) and the session's
// fetching limits.
collect::CollectionProject ReadWindowProject();

// Writes every field of the project into its box and the fetching limits into the session's.
// The window has one box for the encoding: ticked for GBK and for Auto (which falls back to
// GBK), unticked for UTF-8.
void ShowWindowProject(const collect::CollectionProject& project);

}  // namespace app
