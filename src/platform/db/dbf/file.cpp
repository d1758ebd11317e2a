#include "platform/db/dbf/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/runtime/error.h"
#include "platform/runtime/numtext.h"

namespace kt::dbf {

File::~File() { Close(); }

File::File(File&& o) noexcept
    : fd_(std::exchange(o.fd_, -1)), writable_(o.writable_), ctx_(std::move(o.ctx_)) {}

File& File::operator=(File&& o) noexcept {
  if (this != &o) {
    Close();
    fd_ = std::exchange(o.fd_, -1);
    writable_ = o.writable_;
    ctx_ = std::move(o.ctx_);
  }
  return *this;
}

namespace {
// Opens without blocking (a FIFO or device named as a table must not hang
// the program) and accepts regular files only.
int OpenRegular(const std::string& path, int flags, int& fd) {
  fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0644);
  if (fd < 0) return errno;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    fd = -1;
    return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return 0;
}
}  // namespace

int File::Open(const std::string& path, bool write) {
  Close();
  int fd = -1;
  if (const int err = OpenRegular(path, write ? O_RDWR : O_RDONLY, fd)) return err;
  fd_ = fd;
  writable_ = write;
  ctx_.fileName = path;
  return 0;
}

int File::OpenOrCreate(const std::string& path) {
  Close();
  int fd = -1;
  if (const int err = OpenRegular(path, O_RDWR | O_CREAT, fd)) return err;
  fd_ = fd;
  writable_ = true;
  ctx_.fileName = path;
  return 0;
}

void File::Close() noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::uint64_t File::Size() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) FailOs(ctx_, gen::Read, "size", "cannot read the file size", errno);
  return std::uint64_t(st.st_size);
}

std::size_t File::ReadSome(std::uint64_t offset, void* buf, std::size_t n) const {
  auto* p = static_cast<char*>(buf);
  std::size_t done = 0;
  while (done < n) {
    const ssize_t r = ::pread(fd_, p + done, n - done, off_t(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      FailOs(ctx_, gen::Read, "read", "read error at offset " + ToText(offset + done), errno);
    }
    if (r == 0) break;
    done += std::size_t(r);
  }
  return done;
}

void File::ReadExact(std::uint64_t offset, void* buf, std::size_t n, const char* what) const {
  if (ReadSome(offset, buf, n) != n)
    Fail(ctx_, gen::Corruption, "read",
         std::string(what) + " at offset " + ToText(offset) + " lies beyond the end of the file");
}

void File::Write(std::uint64_t offset, const void* buf, std::size_t n) {
  if (!writable_) Fail(ctx_, gen::ReadOnly, "write", "file is open read-only");
  const auto* p = static_cast<const char*>(buf);
  std::size_t done = 0;
  while (done < n) {
    const ssize_t r = ::pwrite(fd_, p + done, n - done, off_t(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      FailOs(ctx_, gen::Write, "write", "write error at offset " + ToText(offset + done), errno);
    }
    done += std::size_t(r);
  }
}

void File::Truncate(std::uint64_t size) {
  if (::ftruncate(fd_, off_t(size)) != 0) FailOs(ctx_, gen::Write, "truncate", "cannot cut the file", errno);
}

void File::Sync() {
  if (::fdatasync(fd_) != 0) FailOs(ctx_, gen::Write, "commit", "cannot flush the file to disk", errno);
}

namespace {
int SetLock(int fd, short type, std::uint64_t offset, std::uint64_t length) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = off_t(offset);
  fl.l_len = off_t(length);
  fl.l_pid = 0;
  if (::fcntl(fd, F_OFD_SETLK, &fl) == 0) return 0;
  if (errno != EINVAL) return errno;
  // Kernels without descriptor locks: per-process locks still exclude other
  // programs.
  return ::fcntl(fd, F_SETLK, &fl) == 0 ? 0 : errno;
}
}  // namespace

bool File::Lock(std::uint64_t offset, std::uint64_t length, bool exclusive) {
  const short type = (exclusive && writable_) ? F_WRLCK : F_RDLCK;
  const int err = SetLock(fd_, type, offset, length);
  if (err == 0) return true;
  if (err == EAGAIN || err == EACCES) return false;
  FailOs(ctx_, gen::Lock, "lock", "lock at offset " + ToText(offset) + " failed", err);
}

void File::Unlock(std::uint64_t offset, std::uint64_t length) noexcept {
  if (fd_ >= 0) SetLock(fd_, F_UNLCK, offset, length);
}

}  // namespace kt::dbf
