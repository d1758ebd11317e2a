#pragma once
// The open index file: positioned reads and writes of whole pages, the
// station lock on the index byte, and the facts that tell whether another
// process changed the file since we last looked.
#include <cstdint>
#include <string>

namespace kt::ntx {

class NtxFile {
 public:
  enum class Mode { ReadOnly, ReadWrite, CreateNew };

  NtxFile() = default;
  NtxFile(const NtxFile&) = delete;
  NtxFile& operator=(const NtxFile&) = delete;
  ~NtxFile();

  // Throws an open/create error naming the file.
  void Open(const std::string& path, Mode mode);
  void Close() noexcept;
  bool IsOpen() const { return fd_ >= 0; }
  bool Writable() const { return writable_; }
  const std::string& Path() const { return path_; }

  // Reads exactly `size` bytes; a short read is a corruption error
  // (the file ends inside a page).
  void ReadAt(std::uint64_t offset, void* buf, std::size_t size) const;
  void WriteAt(std::uint64_t offset, const void* buf, std::size_t size);
  void Truncate(std::uint64_t size);
  void Sync();

  // Size and modification time, as one value to compare.
  struct Stamp {
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
    std::uint64_t inode = 0;
    bool operator==(const Stamp&) const = default;
  };
  Stamp GetStamp() const;
  // True when the path now names another file than the open one (the index
  // was rebuilt and renamed into place).
  bool Replaced() const;
  // Opens the path again in the same mode.
  void Reopen();

  // The index byte at offset 1e9: shared for searching, exclusive for
  // updating. Waits up to `timeoutMs`, then throws a lock error.
  void Lock(bool exclusive, int timeoutMs);
  void Unlock() noexcept;

 private:
  int fd_ = -1;
  bool writable_ = false;
  bool readOnly_ = false;
  std::string path_;
};

}  // namespace kt::ntx
