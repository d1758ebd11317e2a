#pragma once
// Memo files: the variable-length values (memo text, pictures, objects) of a
// table live in a companion file made of fixed-size blocks; the record holds
// the number of the first block. Three flavours share this interface:
// dBASE III DBT (text ended by 0x1A), dBASE IV DBT (length header) and
// FoxPro FPT (typed, big-endian length header).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/db/dbf/file.h"
#include "platform/db/dbf/header.h"
#include "platform/db/dbf/lock.h"

namespace kt::dbf {

// FPT block types; DBT memos are always text.
namespace memotype {
inline constexpr std::uint32_t kPicture = 0;
inline constexpr std::uint32_t kText = 1;
inline constexpr std::uint32_t kObject = 2;
}  // namespace memotype

// The largest memo this layer reads or writes; a length beyond it in a file
// is treated as corruption rather than allocated.
inline constexpr std::uint64_t kMaxMemoSize = 256ull << 20;

struct MemoExtent {
  std::uint64_t dataOffset = 0;  // file offset of the first data byte
  std::uint64_t length = 0;      // data bytes
  std::uint32_t type = memotype::kText;
  std::uint32_t blocks = 0;      // blocks the memo occupies including its header
};

struct MemoData {
  std::string bytes;
  std::uint32_t type = memotype::kText;
};

class MemoFile {
 public:
  virtual ~MemoFile() = default;

  // Opens an existing memo file of the given flavour.
  static std::unique_ptr<MemoFile> Open(const std::string& path, MemoKind kind, bool write, const ErrorContext& ctx,
                                        const LockScheme& locks, bool shared);
  // Creates (or empties) a memo file; blockSize 0 takes the flavour's default.
  static std::unique_ptr<MemoFile> Create(const std::string& path, MemoKind kind, std::uint32_t blockSize,
                                          std::string_view tableBaseName, const ErrorContext& ctx,
                                          const LockScheme& locks);

  MemoKind Kind() const { return kind_; }
  std::uint32_t BlockSize() const { return blockSize_; }
  std::uint32_t FirstBlock() const { return firstBlock_; }
  const std::string& Path() const { return file_.Context().fileName; }

  // Where the memo starting at `block` lies; throws gen::Corruption when the
  // block or its length does not fit the file.
  virtual MemoExtent Locate(std::uint32_t block) const = 0;
  MemoData Read(std::uint32_t block) const;
  // Part of a memo's bytes, clipped to the memo.
  std::string ReadPart(std::uint32_t block, std::uint64_t offset, std::uint64_t length) const;

  // Stores data and returns its first block (0 for empty data, which needs
  // no block). The memo at oldBlock is overwritten when the new data fits in
  // the blocks it occupies; otherwise the data goes to the end of the file
  // and the old blocks become dead space until the table is copied.
  std::uint32_t Write(std::uint32_t oldBlock, std::string_view data, std::uint32_t type);

  // Next free block from the header, and blocks the file spans.
  virtual std::uint32_t NextFree() const = 0;
  std::uint64_t BlocksInFile() const;

  // Drops every memo (after the table was emptied).
  void Reset();
  void Sync() { file_.Sync(); }
  void Close() { file_.Close(); }

 protected:
  MemoFile(MemoKind kind, File file, std::uint32_t blockSize, const LockScheme& locks, bool shared);

  // Blocks needed for `length` data bytes.
  virtual std::uint32_t BlocksFor(std::uint64_t length) const = 0;
  // Writes the memo (header, data, padding to a block boundary) at block.
  virtual void Store(std::uint32_t block, std::string_view data, std::uint32_t type) = 0;
  virtual void SetNextFree(std::uint32_t block) = 0;
  // Rejects data the flavour cannot hold.
  virtual void CheckData(std::string_view data) const { (void)data; }

  [[noreturn]] void Corrupt(std::uint32_t block, const std::string& what) const;
  void CheckBlock(std::uint32_t block) const;
  // Length of text starting at offset up to its 0x1A end marker (or the end
  // of the file, which dBASE III writers sometimes leave unmarked).
  std::uint64_t ScanText(std::uint64_t offset, std::uint32_t block) const;
  std::uint32_t Ceil(std::uint64_t bytes) const { return std::uint32_t((bytes + blockSize_ - 1) / blockSize_); }

  MemoKind kind_;
  File file_;
  std::uint32_t blockSize_;
  std::uint32_t firstBlock_ = 1;
  LockScheme locks_;
  bool shared_;
};

}  // namespace kt::dbf
