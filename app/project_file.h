// Collection projects in files: the main window's settings as a small JSON document in UTF-8.
#pragma once

#include <QString>

#include "collect/collection_project.h"
#include "runtime/text.h"

namespace app {

// What SaveProject did: saved, or the message naming the file and the fault.
struct ProjectSaveResult {
  bool saved = false;
  runtime::Text message;
};

// What LoadProject found: the project, or the message naming the file and the fault (and then
// a default project, which the caller should not use).
struct ProjectLoadResult {
  bool loaded = false;
  collect::CollectionProject project;
  runtime::Text message;
};

// Writes the project to path as JSON ("format": "pelmo-project", "version": 1, the texts in
// UTF-8, the encoding as "gbk", "utf8" or "auto"). The file is written aside and then renamed
// over path, so a failure leaves whatever was there before untouched.
ProjectSaveResult SaveProject(const QString& path, const collect::CollectionProject& project);

// Reads a project written by SaveProject. A field that is missing keeps its default; a file that
// cannot be read, is not JSON (the message gives the parser's fault and its byte offset), is not
// a Pelmo project, has a version other than 1 or holds a field of the wrong type or value gives
// loaded false and the message.
ProjectLoadResult LoadProject(const QString& path);

}  // namespace app
