#include "platform/db/ntx/ntx_store.h"

#include <algorithm>
#include <cstring>

#include "platform/db/ntx/ntx_error.h"
#include "platform/runtime/error.h"
#include "platform/runtime/numtext.h"

namespace kt::ntx {

PageStore::PageStore(NtxFile& file, std::size_t cachePages)
    : file_(file), capacity_(std::max<std::size_t>(cachePages, 64)), buf_(kPageSize) {}

void PageStore::Load() {
  stamp_ = file_.GetStamp();
  if (stamp_.size < 2 * kPageSize) Corrupt(FileName(), "file too short for a header and a root page");
  file_.ReadAt(0, rawHeader_.data(), kPageSize);
  header_ = DecodeHeader(rawHeader_.data(), stamp_.size, FileName());
  geo_.keySize = header_.keySize;
  geo_.itemSize = header_.itemSize;
  geo_.maxItems = header_.maxItems;
  appendEnd_ = (stamp_.size + kPageSize - 1) / kPageSize * kPageSize;
  headerDirty_ = false;
  DropCaches();
}

void PageStore::DropCaches() {
  cache_.clear();
  dirty_.clear();
  freed_.clear();
  counts_.clear();
  ++generation_;
}

bool PageStore::CheckExternal() {
  std::array<std::uint8_t, kPageSize> raw{};
  NtxFile::Stamp now = file_.GetStamp();
  if (now.size >= kPageSize) file_.ReadAt(0, raw.data(), kPageSize);
  if (now == stamp_ && raw == rawHeader_) return false;
  Load();
  return true;
}

void PageStore::CheckOffset(std::uint32_t offset) const {
  if (offset < kPageSize || offset % kPageSize != 0 || std::uint64_t(offset) + kPageSize > FileSize())
    Corrupt(FileName(), "page offset " + ToText(offset) + " outside the file");
}

void PageStore::Decode(std::uint32_t offset, NtxPage& out) {
  CheckOffset(offset);
  file_.ReadAt(offset, buf_.data(), kPageSize);
  DecodePage(buf_.data(), offset, geo_, FileSize(), FileName(), out);
}

const NtxPage& PageStore::Page(std::uint32_t offset) {
  auto it = cache_.find(offset);
  if (it != cache_.end()) {
    it->second.lastUse = ++tick_;
    return it->second.page;
  }
  NtxPage page;
  Decode(offset, page);
  Entry& e = cache_[offset];
  e.page = std::move(page);
  e.lastUse = ++tick_;
  return e.page;
}

const NtxPage& PageStore::Peek(std::uint32_t offset, NtxPage& scratch) {
  auto it = cache_.find(offset);
  if (it != cache_.end()) return it->second.page;
  Decode(offset, scratch);
  return scratch;
}

NtxPage& PageStore::Edit(std::uint32_t offset) {
  Page(offset);
  dirty_.insert(offset);
  return cache_[offset].page;
}

NtxPage& PageStore::NewPage() {
  std::uint32_t off;
  if (header_.freeHead != 0) {
    off = header_.freeHead;
    std::uint32_t next;
    auto f = freed_.find(off);
    if (f != freed_.end()) {
      next = f->second;
      freed_.erase(f);
    } else {
      CheckOffset(off);
      // A free page that we know as a live page means a damaged free list;
      // reusing it would overwrite the tree.
      if (off == header_.root || cache_.count(off) != 0)
        Corrupt(FileName(), "free page list points into the tree (page " + ToText(off) + ")");
      std::uint8_t head[4];
      file_.ReadAt(off, head, 4);
      next = Get32(head);
      if (next == off || (next != 0 && (next % kPageSize != 0 || next < kPageSize || next >= FileSize())))
        Corrupt(FileName(), "free page list damaged at page " + ToText(off));
    }
    header_.freeHead = next;
  } else {
    if (appendEnd_ + kPageSize > 0xFFFFFFFFull)
      Fail(kt::gen::Limit, FileName(), "write", "index file would exceed 4 GB");
    off = std::uint32_t(appendEnd_);
    appendEnd_ += kPageSize;
  }
  headerDirty_ = true;
  counts_.erase(off);
  Entry& e = cache_[off];
  e.page = NtxPage{};
  e.page.offset = off;
  e.page.child.assign(1, 0);
  e.lastUse = ++tick_;
  dirty_.insert(off);
  return e.page;
}

void PageStore::FreePage(std::uint32_t offset) {
  cache_.erase(offset);
  dirty_.erase(offset);
  counts_.erase(offset);
  freed_[offset] = header_.freeHead;
  header_.freeHead = offset;
  headerDirty_ = true;
}

void PageStore::Begin() {
  saved_ = header_;
  savedAppendEnd_ = appendEnd_;
  headerDirty_ = false;
}

void PageStore::Commit() {
  if (dirty_.empty() && freed_.empty() && !headerDirty_) return;
  std::vector<std::uint32_t> pages(dirty_.begin(), dirty_.end());
  std::sort(pages.begin(), pages.end());
  try {
    for (std::uint32_t off : pages) {
      const NtxPage& p = cache_.at(off).page;
      if (p.Count() > geo_.maxItems) Corrupt(FileName(), "internal: page overflow at commit");
      EncodePage(p, geo_, buf_.data());
      file_.WriteAt(off, buf_.data(), kPageSize);
      counts_.erase(off);
    }
    for (auto [off, next] : freed_) {
      std::memset(buf_.data(), 0, kPageSize);
      Put32(buf_.data(), next);
      file_.WriteAt(off, buf_.data(), kPageSize);
    }
    ++header_.version;
    PatchHeader(rawHeader_.data(), header_);
    file_.WriteAt(0, rawHeader_.data(), kPageSize);
  } catch (...) {
    // What reached the disk is unknown: start again from the file.
    Rollback();
    throw;
  }
  dirty_.clear();
  freed_.clear();
  headerDirty_ = false;
  stamp_ = file_.GetStamp();
  ++generation_;
}

void PageStore::Rollback() noexcept {
  for (std::uint32_t off : dirty_) {
    cache_.erase(off);
    counts_.erase(off);
  }
  for (auto& f : freed_) counts_.erase(f.first);
  dirty_.clear();
  freed_.clear();
  header_ = saved_;
  appendEnd_ = savedAppendEnd_;
  headerDirty_ = false;
  // Subtree counts of the touched path may be stale; they are cheap to redo.
  counts_.clear();
  ++generation_;
}

void PageStore::Reset() {
  NtxPage root;
  root.offset = kPageSize;
  root.child.assign(1, 0);
  EncodePage(root, geo_, buf_.data());
  file_.WriteAt(kPageSize, buf_.data(), kPageSize);
  file_.Truncate(2 * kPageSize);
  header_.root = kPageSize;
  header_.freeHead = 0;
  ++header_.version;
  PatchHeader(rawHeader_.data(), header_);
  file_.WriteAt(0, rawHeader_.data(), kPageSize);
  stamp_ = file_.GetStamp();
  appendEnd_ = 2 * kPageSize;
  DropCaches();
}

void PageStore::Trim() {
  if (cache_.size() <= capacity_) return;
  std::vector<std::uint64_t> ticks;
  ticks.reserve(cache_.size());
  for (auto& [off, e] : cache_) ticks.push_back(e.lastUse);
  std::size_t keep = capacity_ / 2;
  std::nth_element(ticks.begin(), ticks.end() - std::ptrdiff_t(keep), ticks.end());
  std::uint64_t cutoff = *(ticks.end() - std::ptrdiff_t(keep));
  for (auto it = cache_.begin(); it != cache_.end();) {
    if (it->second.lastUse < cutoff && dirty_.count(it->first) == 0)
      it = cache_.erase(it);
    else
      ++it;
  }
}

}  // namespace kt::ntx
