// Reading files whole and replacing them whole, over POSIX calls.
#include "collect/file_io.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

namespace collect {
namespace {

std::string SystemFault(int error) { return std::strerror(error); }

// Links followed before the path counts as a loop, as the kernel counts them.
constexpr int kMostLinks = 40;

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

// Where writing through path lands: each symbolic link followed to the name it holds (a relative
// one from the link's folder), also when nothing is there yet. Empty, with the fault, for a loop.
std::string ThroughLinks(std::string path, std::string& fault) {
  for (int link = 0; link < kMostLinks; ++link) {
    struct stat entry {};
    if (::lstat(path.c_str(), &entry) != 0 || !S_ISLNK(entry.st_mode)) return path;
    std::vector<char> target(PATH_MAX);
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    if (length < 0) {
      fault = SystemFault(errno);
      return {};
    }
    std::string next(target.data(), static_cast<std::size_t>(length));
    const std::size_t slash = path.rfind('/');
    path = next.starts_with('/') || slash == std::string::npos ? next : path.substr(0, slash + 1) + next;
  }
  fault = SystemFault(ELOOP);
  return {};
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

// WriteAll with SIGPIPE held back on this thread: a pipe or socket whose reader went away gives
// EPIPE instead of ending the program. A SIGPIPE the write raised is taken off again; one that was
// pending before stays.
bool WriteAllWithoutPipeSignal(int descriptor, std::string_view bytes) {
  sigset_t pipeSignal;
  sigset_t previous;
  sigset_t pending;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  sigpending(&pending);
  const bool wasPending = sigismember(&pending, SIGPIPE) == 1;
  pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
  const bool written = WriteAll(descriptor, bytes);
  const int error = errno;
  if (!written && error == EPIPE && !wasPending) {
    const timespec now{};
    while (sigtimedwait(&pipeSignal, nullptr, &now) < 0 && errno == EINTR) {
    }
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  errno = error;
  return written;
}

// A stream socket connected to the socket file at path; -1 with errno set when it cannot be.
int ConnectedSocket(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) {
    errno = ENAMETOOLONG;
    return -1;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int descriptor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (descriptor < 0) return -1;
  if (::connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    const int error = errno;
    ::close(descriptor);
    errno = error;
    return -1;
  }
  return descriptor;
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

FileReplacement::FileReplacement(std::string path, PipeReader pipeReader) : pipeReader_(pipeReader) {
  path_ = ThroughLinks(std::move(path), fault_);
}

FileReplacement::~FileReplacement() { Discard(); }

bool FileReplacement::Open() {
  if (descriptor_ >= 0) return true;
  if (path_.empty()) return false;  // the links loop: the fault is set
  struct stat target {};
  if (::stat(path_.c_str(), &target) != 0 || S_ISREG(target.st_mode)) return OpenAside();
  if (S_ISDIR(target.st_mode)) {
    fault_ = SystemFault(EISDIR);
    return false;
  }
  return OpenDirect(S_ISSOCK(target.st_mode));
}

bool FileReplacement::OpenAside() {
  std::string name = path_ + ".XXXXXX";
  descriptor_ = ::mkostemp(name.data(), O_CLOEXEC);
  if (descriptor_ < 0) {
    fault_ = SystemFault(errno);
    return false;
  }
  aside_ = std::move(name);
  return true;
}

bool FileReplacement::OpenDirect(bool socket) {
  direct_ = true;
  if (socket) {
    descriptor_ = ConnectedSocket(path_);
  } else {
    // Without a reader a FIFO refuses a non-blocking open (ENXIO); devices open as they are.
    const int wait = pipeReader_ == PipeReader::Required ? O_NONBLOCK : 0;
    descriptor_ = ::open(path_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | wait);
    if (descriptor_ >= 0 && wait != 0) ::fcntl(descriptor_, F_SETFL, ::fcntl(descriptor_, F_GETFL) & ~O_NONBLOCK);
  }
  if (descriptor_ >= 0) return true;
  fault_ = SystemFault(errno);
  return false;
}

bool FileReplacement::Commit(std::string_view bytes) {
  if (!Open()) return false;
  return direct_ ? CommitDirect(bytes) : CommitAside(bytes);
}

bool FileReplacement::CommitAside(std::string_view bytes) {
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

bool FileReplacement::CommitDirect(std::string_view bytes) {
  bool written = WriteAllWithoutPipeSignal(descriptor_, bytes);
  int error = errno;
  if (::close(descriptor_) != 0 && written) {
    written = false;
    error = errno;
  }
  descriptor_ = -1;
  if (!written) fault_ = SystemFault(error);
  return written;
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
