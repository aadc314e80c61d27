// Files replaced whole or written into, by what the path names: missing and regular files,
// symbolic links, devices, FIFOs, sockets and folders.
#include "collect/file_io.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

namespace collect {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A character device of the memory driver (3: null, 7: full) made in the folder, so that a fault
// of the code under test can only replace a node of the test's own; /dev's own node where the
// system allows no such node to be made (then it cannot be replaced either).
fs::path MemoryDevice(const fs::path& folder, unsigned minor) {
  const fs::path node = folder / ("device-" + std::to_string(minor));
  if (::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, minor)) == 0) return node;
  return minor == 3 ? "/dev/null" : "/dev/full";
}

// What is at the path afterwards, and what it holds when it can be read back.
struct TargetCase {
  const char* name;
  // Makes what "out" names in the folder and returns the path to write; may keep a descriptor
  // open in reader (the read end of a FIFO, a listening socket).
  std::function<fs::path(const fs::path& folder, int& reader)> make;
  const char* fault;  // empty: written
  fs::file_type typeAfter;
  std::function<std::string(const fs::path& folder, int reader)> readBack;  // empty: not read
};

fs::path Fifo(const fs::path& folder) {
  const fs::path fifo = folder / "out";
  EXPECT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  return fifo;
}

std::string Drained(int descriptor) {
  std::string bytes;
  char buffer[4096];
  for (ssize_t got; (got = ::read(descriptor, buffer, sizeof buffer)) > 0;) bytes.append(buffer, static_cast<std::size_t>(got));
  return bytes;
}

TEST(FileReplacement, WritesIntoWhatIsNoRegularFileAndFollowsLinks) {
  const fs::path folder = fs::temp_directory_path() / ("pelmo-file-io-" + std::to_string(::getpid()));
  const std::string content = "row 1\r\nrow 2\r\n";
  const TargetCase cases[] = {
      {"missing file", [](const fs::path& f, int&) { return f / "out"; }, "", fs::file_type::regular,
       [](const fs::path& f, int) { return Read(f / "out"); }},
      {"link to a file, relative", [](const fs::path& f, int&) {
         std::ofstream(f / "target") << "old";
         fs::create_symlink("target", f / "out");
         return f / "out";
       }, "", fs::file_type::symlink, [](const fs::path& f, int) { return Read(f / "target"); }},
      {"link to a link to nothing yet", [](const fs::path& f, int&) {
         fs::create_directory(f / "sub");
         fs::create_symlink(f / "sub" / "middle", f / "out");
         fs::create_symlink("target", f / "sub" / "middle");
         return f / "out";
       }, "", fs::file_type::symlink, [](const fs::path& f, int) { return Read(f / "sub" / "target"); }},
      {"links in a loop", [](const fs::path& f, int&) {
         fs::create_symlink("out", f / "out");
         return f / "out";
       }, "Too many levels of symbolic links", fs::file_type::symlink, {}},
      {"null device", [](const fs::path& f, int&) { return MemoryDevice(f, 3); }, "", fs::file_type::character, {}},
      {"full device", [](const fs::path& f, int&) { return MemoryDevice(f, 7); }, "No space left on device",
       fs::file_type::character, {}},
      {"FIFO with a reader", [](const fs::path& f, int& reader) {
         const fs::path fifo = Fifo(f);
         reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
         return fifo;
       }, "", fs::file_type::fifo, [](const fs::path&, int reader) { return Drained(reader); }},
      {"FIFO without a reader", [](const fs::path& f, int&) { return Fifo(f); }, "No such device or address",
       fs::file_type::fifo, {}},
      {"socket", [](const fs::path& f, int& reader) {
         reader = ::socket(AF_UNIX, SOCK_STREAM, 0);
         sockaddr_un address{};
         address.sun_family = AF_UNIX;
         std::strncpy(address.sun_path, (f / "out").c_str(), sizeof address.sun_path - 1);
         EXPECT_EQ(::bind(reader, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
         EXPECT_EQ(::listen(reader, 1), 0);
         return f / "out";
       }, "", fs::file_type::socket, [](const fs::path&, int reader) {
         const int connection = ::accept(reader, nullptr, nullptr);
         std::string bytes = Drained(connection);
         ::close(connection);
         return bytes;
       }},
      {"folder", [](const fs::path& f, int&) {
         fs::create_directory(f / "out");
         return f / "out";
       }, "Is a directory", fs::file_type::directory, {}},
  };
  for (const TargetCase& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(folder);
    fs::create_directories(folder);
    int reader = -1;
    const fs::path path = c.make(folder, reader);
    EXPECT_EQ(ReplaceFileContent(path.string(), content), c.fault);
    EXPECT_EQ(fs::symlink_status(path).type(), c.typeAfter);
    if (c.readBack) {
      EXPECT_EQ(c.readBack(folder, reader), content);
    }
    if (reader >= 0) ::close(reader);
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
      EXPECT_EQ(entry.path().filename().string().find('.'), std::string::npos) << "a file aside was left";
    }
  }
  fs::remove_all(folder);
}

TEST(FileReplacement, ReaderThatLeavesIsAFaultAndTheProgramGoesOn) {
  const fs::path folder = fs::temp_directory_path() / ("pelmo-file-io-pipe-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  const fs::path fifo = Fifo(folder);
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  FileReplacement replacement(fifo.string());
  ASSERT_TRUE(replacement.Open()) << replacement.Fault();
  ::close(reader);
  EXPECT_FALSE(replacement.Commit("rows"));
  EXPECT_EQ(replacement.Fault(), "Broken pipe");
  fs::remove_all(folder);
}

}  // namespace
}  // namespace collect
