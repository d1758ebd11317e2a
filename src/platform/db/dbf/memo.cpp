#include "platform/db/dbf/memo.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/db/dbf/memo_formats.h"
#include "platform/runtime/error.h"
#include "platform/runtime/numtext.h"

namespace kt::dbf {

MemoFile::MemoFile(MemoKind kind, File file, std::uint32_t blockSize, const LockScheme& locks, bool shared)
    : kind_(kind), file_(std::move(file)), blockSize_(blockSize), locks_(locks), shared_(shared) {}

std::unique_ptr<MemoFile> MemoFile::Open(const std::string& path, MemoKind kind, bool write, const ErrorContext& ctx,
                                         const LockScheme& locks, bool shared) {
  File f;
  f.Context() = ctx;
  if (const int err = f.Open(path, write)) {
    ErrorContext c = ctx;
    c.fileName = path;
    FailOs(c, gen::Open, "open", "cannot open the memo file", err);
  }
  f.Context() = ctx;
  f.Context().fileName = path;
  std::uint8_t h[512] = {};
  const std::size_t got = f.ReadSome(0, h, sizeof h);
  // dBASE III writers sometimes stop the header short of 512 bytes when no
  // memo has been written yet; the fields needed lie in the first 22 bytes.
  if (got < 22) Fail(f.Context(), gen::Corruption, "open", "memo file is too short for its header");
  switch (kind) {
    case MemoKind::Dbt3: return std::make_unique<Dbt3Memo>(std::move(f), locks, shared);
    case MemoKind::Dbt4: return std::make_unique<Dbt4Memo>(std::move(f), Dbt4Memo::BlockSizeOf(h), locks, shared);
    case MemoKind::Fpt:
      if (got < 8) Fail(f.Context(), gen::Corruption, "open", "memo file is too short for its header");
      return std::make_unique<FptMemo>(std::move(f), FptMemo::BlockSizeOf(h), locks, shared);
    case MemoKind::None: break;
  }
  Fail(ctx, gen::Arg, "open", "no memo flavour given");
}

std::unique_ptr<MemoFile> MemoFile::Create(const std::string& path, MemoKind kind, std::uint32_t blockSize,
                                           std::string_view tableBaseName, const ErrorContext& ctx,
                                           const LockScheme& locks) {
  File f;
  ErrorContext c = ctx;
  c.fileName = path;
  if (const int err = f.OpenOrCreate(path)) FailOs(c, gen::Create, "create", "cannot create the memo file", err);
  f.Context() = c;
  f.Truncate(0);
  switch (kind) {
    case MemoKind::Dbt3:
      Dbt3Memo::WriteHeader(f);
      return std::make_unique<Dbt3Memo>(std::move(f), locks, false);
    case MemoKind::Dbt4: {
      if (blockSize == 0) blockSize = 512;
      if (blockSize % 512 != 0 || blockSize > 32768)
        Fail(c, gen::Arg, "create", "a dBASE IV memo block size is a multiple of 512 up to 32768");
      Dbt4Memo::WriteHeader(f, blockSize, tableBaseName);
      return std::make_unique<Dbt4Memo>(std::move(f), blockSize, locks, false);
    }
    case MemoKind::Fpt: {
      if (blockSize == 0) blockSize = 64;
      if (blockSize > 32768) Fail(c, gen::Arg, "create", "a FoxPro memo block size is 1 to 32768");
      FptMemo::WriteHeader(f, blockSize);
      return std::make_unique<FptMemo>(std::move(f), blockSize, locks, false);
    }
    case MemoKind::None: break;
  }
  Fail(c, gen::Arg, "create", "no memo flavour given");
}

void MemoFile::Corrupt(std::uint32_t block, const std::string& what) const {
  Fail(file_.Context(), gen::Corruption, "memo read", "memo block " + ToText(block) + ": " + what);
}

void MemoFile::CheckBlock(std::uint32_t block) const {
  if (block == 0) Corrupt(block, "block 0 holds the file header");
  if (std::uint64_t(block) * blockSize_ >= file_.Size()) Corrupt(block, "lies beyond the end of the memo file");
}

std::uint64_t MemoFile::ScanText(std::uint64_t offset, std::uint32_t block) const {
  char buf[4096];
  std::uint64_t length = 0;
  for (;;) {
    const std::size_t got = file_.ReadSome(offset + length, buf, sizeof buf);
    const void* end = std::memchr(buf, 0x1A, got);
    if (end) return length + std::uint64_t(static_cast<const char*>(end) - buf);
    length += got;
    if (got < sizeof buf) return length;
    if (length > kMaxMemoSize) Corrupt(block, "no end marker within " + ToText(kMaxMemoSize) + " bytes");
  }
}

MemoData MemoFile::Read(std::uint32_t block) const {
  const MemoExtent e = Locate(block);
  MemoData d;
  d.type = e.type;
  d.bytes.resize(std::size_t(e.length));
  file_.ReadExact(e.dataOffset, d.bytes.data(), d.bytes.size(), "memo data");
  return d;
}

std::string MemoFile::ReadPart(std::uint32_t block, std::uint64_t offset, std::uint64_t length) const {
  const MemoExtent e = Locate(block);
  if (offset >= e.length) return {};
  const std::uint64_t n = std::min(length, e.length - offset);
  std::string out(std::size_t(n), '\0');
  file_.ReadExact(e.dataOffset + offset, out.data(), out.size(), "memo data");
  return out;
}

void MemoFile::Reset() {
  file_.Truncate(std::uint64_t(firstBlock_) * blockSize_);
  SetNextFree(firstBlock_);
}

std::uint64_t MemoFile::BlocksInFile() const { return (file_.Size() + blockSize_ - 1) / blockSize_; }

std::uint32_t MemoFile::Write(std::uint32_t oldBlock, std::string_view data, std::uint32_t type) {
  if (data.size() > kMaxMemoSize)
    Fail(file_.Context(), gen::Limit, "memo write",
         "a memo of " + ToText(data.size()) + " bytes exceeds the limit of " + ToText(kMaxMemoSize));
  CheckData(data);
  if (data.empty()) return 0;
  const std::uint32_t need = BlocksFor(data.size());
  if (oldBlock >= firstBlock_) {
    bool fits = false;
    try {
      fits = need <= Locate(oldBlock).blocks;
    } catch (const RuntimeError&) {
      fits = false;  // a damaged old memo is left alone; the new one goes to the end
    }
    if (fits) {
      Store(oldBlock, data, type);
      return oldBlock;
    }
  }
  // Allocation: other stations append too, so the end of the file is read
  // under the memo lock. New memos go after everything the file holds even
  // when the header's next-free block says otherwise, so an inconsistent
  // header can never make us overwrite a memo.
  if (shared_ && !LockWait(file_, locks_.header, 1, 1000))
    Fail(file_.Context(), gen::Lock, "memo write", "memo file is locked by another station");
  struct Unlock {
    MemoFile* m;
    ~Unlock() {
      if (m->shared_) m->file_.Unlock(m->locks_.header, 1);
    }
  } unlock{this};
  const std::uint64_t next = std::max<std::uint64_t>(firstBlock_, BlocksInFile());
  if (next + need > std::numeric_limits<std::uint32_t>::max())
    Fail(file_.Context(), gen::Limit, "memo write", "memo file has no room for more blocks");
  Store(std::uint32_t(next), data, type);
  SetNextFree(std::uint32_t(next + need));
  return std::uint32_t(next);
}

}  // namespace kt::dbf
