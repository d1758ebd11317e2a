#pragma once
// A table or memo file: positioned reads and writes that either complete or
// throw a RuntimeError naming the file, and byte-range locks.
//
// Locks are open-file-description locks (fcntl F_OFD_SETLK): they conflict
// with classic fcntl locks of other processes, and unlike those they belong
// to this descriptor, so two tables opened on the same file inside one
// process exclude each other as two programs would, and closing one does not
// drop the other's locks.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/db/dbf/errors.h"

namespace kt::dbf {

class File {
 public:
  File() = default;
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&& o) noexcept;
  File& operator=(File&& o) noexcept;

  // Opens an existing file; returns 0 or errno.
  int Open(const std::string& path, bool write);
  // Creates the file when missing (never truncates); returns 0 or errno.
  int OpenOrCreate(const std::string& path);
  void Close() noexcept;
  bool IsOpen() const { return fd_ >= 0; }
  bool Writable() const { return writable_; }
  int Fd() const { return fd_; }

  ErrorContext& Context() { return ctx_; }
  const ErrorContext& Context() const { return ctx_; }

  std::uint64_t Size() const;
  // Reads up to n bytes; fewer only at the end of the file.
  std::size_t ReadSome(std::uint64_t offset, void* buf, std::size_t n) const;
  // Reads exactly n bytes or throws (gen::Read / gen::Corruption at EOF).
  void ReadExact(std::uint64_t offset, void* buf, std::size_t n, const char* what) const;
  void Write(std::uint64_t offset, const void* buf, std::size_t n);
  void Truncate(std::uint64_t size);
  void Sync();

  // Byte-range lock; false when another holder conflicts. Write locks need
  // a writable descriptor, so read-only files take read locks.
  bool Lock(std::uint64_t offset, std::uint64_t length, bool exclusive = true);
  void Unlock(std::uint64_t offset, std::uint64_t length) noexcept;

 private:
  int fd_ = -1;
  bool writable_ = false;
  ErrorContext ctx_;
};

}  // namespace kt::dbf
