#include <orv/host/rtl/wholefile.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include <orv/host/rtl/exception.h>

namespace orv {

namespace {

[[noreturn]] void Fail(const std::string& path, int error) {
  throw Exception("Cannot write file " + path + ": " + std::strerror(error));
}

// The file a path names: the target of a symbolic link, so that the link stays.
std::string Target(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* resolved = realpath(path.c_str(), nullptr);
  if (!resolved) Fail(path, errno);
  std::string target(resolved);
  std::free(resolved);
  return target;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

void WriteFileWhole(const std::string& path, std::string_view bytes) {
  const std::string target = Target(path);
  const size_t slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  // O_EXCL with a fresh name rather than mkstemp: the mode then follows the umask.
  std::string temp;
  int fd = -1;
  for (int attempt = 0; fd < 0; ++attempt) {
    temp = (slash == std::string::npos ? "" : dir) + "." + base + ".tmp-" +
           std::to_string(getpid()) + "-" + std::to_string(attempt);
    fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && (errno != EEXIST || attempt == 100)) Fail(path, errno);
  }
  // The old file's mode carries over; where it cannot, the new file keeps the umask's.
  struct stat old;
  if (stat(target.c_str(), &old) == 0) (void)fchmod(fd, old.st_mode & 07777);
  int error = WriteAll(fd, bytes) ? 0 : errno;
  if (!error && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && !error) error = errno;
  if (!error && rename(temp.c_str(), target.c_str()) != 0) error = errno;
  if (error) {
    unlink(temp.c_str());
    Fail(path, error);
  }
  // The rename itself reaches the disk with the directory.
  const int dir_fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd >= 0) {
    fsync(dir_fd);
    close(dir_fd);
  }
}

}  // namespace orv
