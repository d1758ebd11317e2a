#pragma once
// Pages of one NTX file as the tree code sees them: decoded pages cached in
// memory, edits collected until Commit writes them (header last, with the
// update counter raised), page allocation through the free list, and the
// check that drops every cache when another process changed the file.
#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/db/ntx/ntx_file.h"
#include "platform/db/ntx/ntx_header.h"
#include "platform/db/ntx/ntx_page.h"

namespace kt::ntx {

class PageStore {
 public:
  explicit PageStore(NtxFile& file, std::size_t cachePages);

  // Reads and validates the header; forgets everything cached.
  void Load();
  // Re-reads the header and file facts; when they changed since we last
  // looked (another process wrote), drops the caches. True when changed.
  bool CheckExternal();

  const NtxHeader& Header() const { return header_; }
  const PageGeometry& Geometry() const { return geo_; }
  const std::string& FileName() const { return file_.Path(); }
  std::uint32_t Root() const { return header_.root; }
  // Changes whenever the tree may have changed (our commits, foreign writes),
  // so cursors know their remembered path is stale.
  std::uint64_t Generation() const { return generation_; }

  // A tree page, decoded and cached; the reference stays valid until Trim,
  // Rollback or a detected foreign change.
  const NtxPage& Page(std::uint32_t offset);
  // The cached page when present, else decoded into `scratch` without
  // caching (full walks would otherwise pull the whole file into memory).
  const NtxPage& Peek(std::uint32_t offset, NtxPage& scratch);
  // A page about to be changed: written at the next Commit.
  NtxPage& Edit(std::uint32_t offset);
  // A new empty page, from the free list or appended.
  NtxPage& NewPage();
  void FreePage(std::uint32_t offset);
  void SetRoot(std::uint32_t offset) { header_.root = offset; headerDirty_ = true; }

  // Starts a change: remembers the header so Rollback can restore it.
  void Begin();
  // Writes changed pages, then the header with the update counter raised.
  void Commit();
  // Forgets uncommitted edits (after an error in the middle of a change).
  void Rollback() noexcept;
  // Replaces the tree by one empty root page and truncates the file.
  void Reset();

  // Keeps the cache near its size limit; call between operations only.
  void Trim();

  // Subtree key counts per page, kept across operations. Entries of pages
  // that change are dropped by Commit (edited pages) and by the tree code
  // (pages whose subtree changed below them).
  std::unordered_map<std::uint32_t, std::uint64_t>& Counts() { return counts_; }
  std::uint64_t FileSize() const { return appendEnd_ > stamp_.size ? appendEnd_ : stamp_.size; }

 private:
  struct Entry {
    NtxPage page;
    std::uint64_t lastUse = 0;
  };
  void Decode(std::uint32_t offset, NtxPage& out);
  void CheckOffset(std::uint32_t offset) const;
  void DropCaches();

  NtxFile& file_;
  std::size_t capacity_;
  NtxHeader header_;
  NtxHeader saved_;
  std::array<std::uint8_t, kPageSize> rawHeader_{};
  PageGeometry geo_;
  NtxFile::Stamp stamp_;
  std::uint64_t appendEnd_ = 0;
  std::uint64_t savedAppendEnd_ = 0;
  std::uint64_t generation_ = 1;
  std::uint64_t tick_ = 0;
  bool headerDirty_ = false;
  std::unordered_map<std::uint32_t, Entry> cache_;
  std::unordered_set<std::uint32_t> dirty_;
  // Pages freed in the running change: offset -> next free page.
  std::unordered_map<std::uint32_t, std::uint32_t> freed_;
  std::unordered_map<std::uint32_t, std::uint64_t> counts_;
  std::vector<std::uint8_t> buf_;
};

}  // namespace kt::ntx
