// Files read whole, and files replaced whole: written aside and renamed over their target once
// complete, so that a failure leaves whatever was there before untouched; what is not a regular
// file (a device, a FIFO, a socket) is written into instead, never replaced. Paths are bytes as
// the file system takes them; faults are the system's own words ("No such file or directory").
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace collect {

// The whole content of the file, or nothing with the fault.
std::optional<std::string> ReadWholeFile(const std::string& path, std::string& fault);

// What opening a FIFO does when no program has it open for reading.
enum class PipeReader {
  Required,  // the open fails at once ("No such device or address"): a window must not freeze
  WaitedFor  // the open waits for a reader, as a shell's redirection does
};

// One replacement of a file's content. The target is the path with every symbolic link followed,
// so a link stays a link and its target gets the content (a dangling link's target is created).
// A regular or missing target: Open creates the file aside (beside the target, so that the rename
// stays on one file system), Commit writes the bytes, syncs them and renames the file over the
// target, which keeps the target's permissions when it exists (a new one gets the mode a newly
// created file gets); a replacement that is never committed leaves no file behind. A device, FIFO
// or socket: Open opens it for writing (a socket by connecting to it) and Commit writes the bytes
// into it, with no file aside and no rename; a reader that goes away is a fault, never a signal
// that ends the program. A directory is a fault.
class FileReplacement {
public:
  explicit FileReplacement(std::string path, PipeReader pipeReader = PipeReader::Required);
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // False, with Fault() set, when the file aside cannot be created or the target cannot be opened
  // for writing.
  bool Open();
  // False, with Fault() set, when the bytes cannot be written or the rename fails; a replaced
  // target is then as it was. Opens first when Open has not been called.
  bool Commit(std::string_view bytes);
  const std::string& Fault() const { return fault_; }

private:
  bool OpenAside();
  bool OpenDirect(bool socket);
  bool CommitAside(std::string_view bytes);
  bool CommitDirect(std::string_view bytes);
  void Discard();

  std::string path_;
  PipeReader pipeReader_;
  bool direct_ = false;  // the target is written into, not replaced
  std::string aside_;
  int descriptor_ = -1;
  std::string fault_;
};

// Replaces the file's content with bytes as above (a FIFO without a reader is a fault); the
// fault, or empty on success.
std::string ReplaceFileContent(const std::string& path, std::string_view bytes);

}  // namespace collect
