#include "platform/db/ntx/ntx_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/db/ntx/ntx_error.h"
#include "platform/db/ntx/ntx_header.h"
#include "platform/runtime/error.h"
#include "platform/runtime/numtext.h"

namespace kt::ntx {

NtxFile::~NtxFile() { Close(); }

void NtxFile::Open(const std::string& path, Mode mode) {
  Close();
  path_ = path;
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::ReadOnly: flags |= O_RDONLY; break;
    case Mode::ReadWrite: flags |= O_RDWR; break;
    case Mode::CreateNew: flags |= O_RDWR | O_CREAT | O_EXCL; break;
  }
  fd_ = ::open(path.c_str(), flags, 0666);
  if (fd_ < 0) {
    int err = errno;
    bool create = mode == Mode::CreateNew;
    Fail(create ? gen::Create : gen::Open, path, create ? "create" : "open",
         create ? "cannot create index file" : "cannot open index file", err);
  }
  writable_ = mode != Mode::ReadOnly;
  readOnly_ = mode == Mode::ReadOnly;
  if (mode != Mode::CreateNew) {
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && !S_ISREG(st.st_mode)) {
      Close();
      Fail(gen::Open, path, "open", "not a regular file");
    }
  }
}

void NtxFile::Close() noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void NtxFile::ReadAt(std::uint64_t offset, void* buf, std::size_t size) const {
  auto* p = static_cast<char*>(buf);
  std::size_t done = 0;
  while (done < size) {
    ssize_t r = ::pread(fd_, p + done, size - done, off_t(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      Fail(gen::Read, path_, "read", "read error at offset " + ToText(offset + done), errno);
    }
    if (r == 0) Corrupt(path_, "file ends inside the page at " + ToText(offset));
    done += std::size_t(r);
  }
}

void NtxFile::WriteAt(std::uint64_t offset, const void* buf, std::size_t size) {
  const auto* p = static_cast<const char*>(buf);
  std::size_t done = 0;
  while (done < size) {
    ssize_t r = ::pwrite(fd_, p + done, size - done, off_t(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      Fail(gen::Write, path_, "write", "write error at offset " + ToText(offset + done), errno);
    }
    done += std::size_t(r);
  }
}

void NtxFile::Truncate(std::uint64_t size) {
  if (::ftruncate(fd_, off_t(size)) != 0) Fail(gen::Write, path_, "write", "cannot set the file size", errno);
}

void NtxFile::Sync() {
  if (::fsync(fd_) != 0) Fail(gen::Write, path_, "commit", "cannot flush the file", errno);
}

NtxFile::Stamp NtxFile::GetStamp() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) Fail(gen::Read, path_, "read", "cannot query the file", errno);
  Stamp s;
  s.size = std::uint64_t(st.st_size);
  s.mtimeNs = std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  s.inode = std::uint64_t(st.st_ino);
  return s;
}

bool NtxFile::Replaced() const {
  struct stat byPath {}, open {};
  if (::stat(path_.c_str(), &byPath) != 0 || ::fstat(fd_, &open) != 0) return false;
  return byPath.st_ino != open.st_ino || byPath.st_dev != open.st_dev;
}

void NtxFile::Reopen() {
  std::string path = path_;
  Open(path, readOnly_ ? Mode::ReadOnly : Mode::ReadWrite);
}

namespace {

// Open-file-description locks belong to this descriptor, not to the process,
// so two orders on one file in one process exclude each other too, and
// closing another descriptor of the file does not drop them. They conflict
// with classic record locks of other programs.
int SetLock(int fd, short type, bool wait) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = off_t(kLockOffset);
  fl.l_len = 1;
#ifdef F_OFD_SETLK
  int r = ::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl);
  if (r == 0 || errno != EINVAL) return r;
#endif
  return ::fcntl(fd, wait ? F_SETLKW : F_SETLK, &fl);
}

}  // namespace

void NtxFile::Lock(bool exclusive, int timeoutMs) {
  short type = exclusive ? F_WRLCK : F_RDLCK;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  auto pause = std::chrono::microseconds(100);
  for (;;) {
    if (SetLock(fd_, type, false) == 0) return;
    int err = errno;
    if (err != EACCES && err != EAGAIN && err != EINTR)
      Fail(gen::Lock, path_, "lock", "cannot lock the index", err);
    if (std::chrono::steady_clock::now() >= deadline)
      Fail(gen::Lock, path_, "lock", "index is locked by another process");
    std::this_thread::sleep_for(pause);
    if (pause < std::chrono::milliseconds(5)) pause *= 2;
  }
}

void NtxFile::Unlock() noexcept {
  if (fd_ >= 0) SetLock(fd_, F_UNLCK, false);
}

}  // namespace kt::ntx
