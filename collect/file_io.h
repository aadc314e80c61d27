// Files read whole, and files replaced whole: written aside and renamed over their target once
// complete, so that a failure leaves whatever was there before untouched. Paths are bytes as the
// file system takes them; faults are the system's own words ("No such file or directory").
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace collect {

// The whole content of the file, or nothing with the fault.
std::optional<std::string> ReadWholeFile(const std::string& path, std::string& fault);

// One replacement of a file's content: Open creates the file aside (beside the target, so that
// the rename stays on one file system), Commit writes the bytes, syncs them and renames the file
// over the target, which keeps the target's permissions when it exists (a new one gets the mode a
// newly created file gets). A replacement that is never committed leaves no file behind.
class FileReplacement {
public:
  explicit FileReplacement(std::string path);
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // False, with Fault() set, when the file aside cannot be created.
  bool Open();
  // False, with Fault() set, when the bytes cannot be written or the rename fails; the target is
  // then as it was. Opens first when Open has not been called.
  bool Commit(std::string_view bytes);
  const std::string& Fault() const { return fault_; }

private:
  void Discard();

  std::string path_;
  std::string aside_;
  int descriptor_ = -1;
  std::string fault_;
};

// Replaces the file's content with bytes as above; the fault, or empty on success.
std::string ReplaceFileContent(const std::string& path, std::string_view bytes);

}  // namespace collect
