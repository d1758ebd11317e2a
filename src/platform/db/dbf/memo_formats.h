#pragma once
// The three memo flavours behind MemoFile (internal to the table layer).
#include "platform/db/dbf/memo.h"

namespace kt::dbf {

// dBASE III: 512-byte blocks, no length field; a memo ends at 0x1A.
class Dbt3Memo final : public MemoFile {
 public:
  Dbt3Memo(File file, const LockScheme& locks, bool shared);
  static void WriteHeader(File& file);
  MemoExtent Locate(std::uint32_t block) const override;
  std::uint32_t NextFree() const override;

 protected:
  std::uint32_t BlocksFor(std::uint64_t length) const override;
  void Store(std::uint32_t block, std::string_view data, std::uint32_t type) override;
  void SetNextFree(std::uint32_t block) override;
  void CheckData(std::string_view data) const override;
};

// dBASE IV: block size in the header, each memo starts with FF FF 08 00
// and its length.
class Dbt4Memo final : public MemoFile {
 public:
  Dbt4Memo(File file, std::uint32_t blockSize, const LockScheme& locks, bool shared);
  static void WriteHeader(File& file, std::uint32_t blockSize, std::string_view baseName);
  static std::uint32_t BlockSizeOf(const std::uint8_t* header);
  MemoExtent Locate(std::uint32_t block) const override;
  std::uint32_t NextFree() const override;

 protected:
  std::uint32_t BlocksFor(std::uint64_t length) const override;
  void Store(std::uint32_t block, std::string_view data, std::uint32_t type) override;
  void SetNextFree(std::uint32_t block) override;
};

// FoxPro: 512-byte header, big-endian block size, each memo starts with its
// type and length.
class FptMemo final : public MemoFile {
 public:
  FptMemo(File file, std::uint32_t blockSize, const LockScheme& locks, bool shared);
  static void WriteHeader(File& file, std::uint32_t blockSize);
  static std::uint32_t BlockSizeOf(const std::uint8_t* header);
  MemoExtent Locate(std::uint32_t block) const override;
  std::uint32_t NextFree() const override;

 protected:
  std::uint32_t BlocksFor(std::uint64_t length) const override;
  void Store(std::uint32_t block, std::string_view data, std::uint32_t type) override;
  void SetNextFree(std::uint32_t block) override;
};

}  // namespace kt::dbf
