// Reading files whole and replacing them whole, over POSIX calls.
#include "collect/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace collect {
namespace {

std::string SystemFault(int error) { return std::strerror(error); }

// The permissions a newly created file gets: 0666 without the process's umask, read from
// /proc so that no other thread sees the umask changed meanwhile.
mode_t NewFileMode() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0) return 0666 & ~static_cast<mode_t>(std::strtol(line.c_str() + 6, nullptr, 8));
  }
  return 0644;
}

// A link is replaced where it points, as writing through it would.
std::string ResolvedTarget(const std::string& path) {
  char resolved[PATH_MAX];
  struct stat link {};
  if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode) && ::realpath(path.c_str(), resolved) != nullptr) {
    return resolved;
  }
  return path;
}

bool WriteAll(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path, std::string& fault) {
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) {
    fault = SystemFault(errno);
    return std::nullopt;
  }
  std::string content;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(descriptor, buffer, sizeof buffer);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      fault = SystemFault(errno);
      ::close(descriptor);
      return std::nullopt;
    }
    content.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(descriptor);
  return content;
}

FileReplacement::FileReplacement(std::string path) : path_(ResolvedTarget(path)) {}

FileReplacement::~FileReplacement() { Discard(); }

bool FileReplacement::Open() {
  if (descriptor_ >= 0) return true;
  std::string name = path_ + ".XXXXXX";
  descriptor_ = ::mkostemp(name.data(), O_CLOEXEC);
  if (descriptor_ < 0) {
    fault_ = SystemFault(errno);
    return false;
  }
  aside_ = std::move(name);
  return true;
}

bool FileReplacement::Commit(std::string_view bytes) {
  if (!Open()) return false;
  struct stat existing {};
  const mode_t mode = ::stat(path_.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : NewFileMode();
  bool written = WriteAll(descriptor_, bytes) && ::fchmod(descriptor_, mode) == 0 && ::fsync(descriptor_) == 0;
  int error = errno;
  if (::close(descriptor_) != 0 && written) {
    written = false;
    error = errno;
  }
  descriptor_ = -1;
  if (written && ::rename(aside_.c_str(), path_.c_str()) == 0) {
    aside_.clear();
    return true;
  }
  fault_ = SystemFault(written ? errno : error);
  Discard();
  return false;
}

void FileReplacement::Discard() {
  if (descriptor_ >= 0) ::close(descriptor_);
  descriptor_ = -1;
  if (!aside_.empty()) ::unlink(aside_.c_str());
  aside_.clear();
}

std::string ReplaceFileContent(const std::string& path, std::string_view bytes) {
  FileReplacement file(path);
  return file.Commit(bytes) ? std::string() : file.Fault();
}

}  // namespace collect
