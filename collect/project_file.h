// Collection projects in files: the main window's settings as a small JSON document in UTF-8,
// read and written the same way by both front ends (and by the window's remembered settings).
#pragma once

#include <string>

#include "collect/collection_project.h"
#include "runtime/text.h"

namespace collect {

// What SaveProject did: saved, or the message naming the file and the fault.
struct ProjectSaveResult {
  bool saved = false;
  runtime::Text message;
};

// What LoadProject found: the project, or the message naming the file and the fault (and then
// a default project, which the caller should not use).
struct ProjectLoadResult {
  bool loaded = false;
  CollectionProject project;
  runtime::Text message;
};

// The file's content for the project: a JSON object ("format": "pelmo-project", "version": 1, the
// texts in UTF-8, the encoding as "gbk", "utf8" or "auto", the fetching limits in an object, the
// next-page settings ("nextPage") and the detail stage ("detailPage") in objects written only when
// they are not the defaults, and the run store in an object ("file", "onlyNew", "recordColumns")
// only when the project keeps one), keys in sorted order, indented by four spaces, ending with a
// line break.
std::string ProjectDocument(const CollectionProject& project);

// Writes the project to path (bytes as the file system takes them). The file is written aside
// and then renamed over path, so a failure leaves whatever was there before untouched.
ProjectSaveResult SaveProject(const std::string& path, const CollectionProject& project);

// Reads a project written by SaveProject. A field that is missing keeps its default, a field the
// program does not know is passed over; a file that cannot be read, is not JSON (the message gives
// the parser's fault and its byte offset), is not a Pelmo project, has a version other than 1 or
// holds a field of the wrong type or value (a number outside the range of its command-line
// option, see setting_ranges.h) gives loaded false and the message. A store file named by a
// relative path is taken from the project file's folder.
ProjectLoadResult LoadProject(const std::string& path);

}  // namespace collect
