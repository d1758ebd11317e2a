#include "platform/db/ntx/ntx_build.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/db/ntx/ntx_error.h"
#include "platform/db/ntx/ntx_file.h"
#include "platform/db/ntx/ntx_header.h"
#include "platform/db/ntx/ntx_page.h"
#include "platform/runtime/error.h"
#include "platform/runtime/numtext.h"

namespace kt::ntx {

namespace {

constexpr std::uint64_t kProgressStep = 65536;

std::string BaseName(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  }
  if (name.size() > 10) name.resize(10);
  return name;
}

// Sorted view of the collected keys: an 8-byte big-endian prefix compared
// first keeps most comparisons inside the array being sorted.
struct SortItem {
  std::uint64_t prefix;
  std::uint32_t index;
};

class PageWriter {
 public:
  PageWriter(NtxFile& file, const PageGeometry& g) : file_(file), geo_(g) { buf_.reserve(kBatch * kPageSize); }
  std::uint32_t Write(const NtxPage& page) {
    std::uint32_t off = next_;
    if (std::uint64_t(next_) + kPageSize > 0xFFFFFFFFull)
      Fail(gen::Limit, file_.Path(), "create", "index file would exceed 4 GB");
    next_ += kPageSize;
    std::size_t at = buf_.size();
    buf_.resize(at + kPageSize);
    EncodePage(page, geo_, buf_.data() + at);
    if (buf_.size() >= kBatch * kPageSize) Flush();
    return off;
  }
  void Flush() {
    if (buf_.empty()) return;
    file_.WriteAt(flushed_, buf_.data(), buf_.size());
    flushed_ += buf_.size();
    buf_.clear();
  }

 private:
  static constexpr std::size_t kBatch = 256;
  NtxFile& file_;
  PageGeometry geo_;
  std::vector<std::uint8_t> buf_;
  std::uint32_t next_ = kPageSize;
  std::uint64_t flushed_ = kPageSize;
};

class TreeWriter {
 public:
  TreeWriter(PageWriter& out, const std::string& keys, const std::vector<std::uint32_t>& recs,
             const std::vector<std::uint32_t>& order, int keySize, int maxItems, const NtxProgressFn& progress)
      : out_(out), keys_(keys), recs_(recs), order_(order), ks_(keySize), progress_(progress) {
    // Group sizes per level, leaves first: N keys are N + 1 "units" (a key
    // or the end of the run); each level cuts its units into as few even
    // groups of at most max + 1 as possible. A group of g units is a page
    // with g - 1 keys; the boundaries between groups are the next level's
    // units. Even groups never fall below half a page.
    std::uint64_t units = order.size() + 1;
    for (;;) {
      std::uint64_t groups = (units + maxItems) / (maxItems + 1);
      levels_.push_back({units, groups, 0});
      if (groups == 1) break;
      units = groups;
    }
  }

  bool Run(std::uint32_t& root) {
    root = WritePage(int(levels_.size()) - 1);
    out_.Flush();
    return !cancelled_;
  }

 private:
  struct LevelPlan {
    std::uint64_t units;
    std::uint64_t groups;
    std::uint64_t nextGroup;
  };

  std::uint64_t GroupSize(LevelPlan& lv) {
    std::uint64_t g = lv.nextGroup++;
    std::uint64_t base = lv.units / lv.groups, extra = lv.units % lv.groups;
    return base + (g < extra ? 1 : 0);
  }

  void TakeKey(NtxPage& page) {
    std::uint32_t i = order_[std::size_t(pos_++)];
    page.rec.push_back(recs_[i]);
    page.keys.append(keys_, std::size_t(i) * ks_, std::size_t(ks_));
    if (progress_ && pos_ % kProgressStep == 0 &&
        !progress_({NtxBuildProgress::Phase::Writing, pos_, std::uint64_t(order_.size())}))
      cancelled_ = true;
  }

  std::uint32_t WritePage(int level) {
    std::uint64_t size = GroupSize(levels_[std::size_t(level)]);
    NtxPage page;
    if (level == 0) {
      for (std::uint64_t i = 0; i + 1 < size; ++i) TakeKey(page);
      page.child.assign(page.rec.size() + 1, 0);
    } else {
      for (std::uint64_t i = 0; i < size; ++i) {
        page.child.push_back(WritePage(level - 1));
        if (i + 1 < size) TakeKey(page);
      }
    }
    return out_.Write(page);
  }

  PageWriter& out_;
  const std::string& keys_;
  const std::vector<std::uint32_t>& recs_;
  const std::vector<std::uint32_t>& order_;
  int ks_;
  const NtxProgressFn& progress_;
  std::vector<LevelPlan> levels_;
  std::uint64_t pos_ = 0;
  bool cancelled_ = false;
};

[[noreturn]] void ArgError(const std::string& path, const std::string& text) {
  Fail(gen::Arg, path, "create", text);
}

std::string TempName(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return path + "." + ToText(::getpid()) + "." + ToText(counter++) + ".tmp";
}

}  // namespace

void ValidateCreateSpec(const NtxCreateSpec& spec, const std::string& path) {
  const KeySpec& k = spec.key;
  if (std::string("CNDL").find(k.type) == std::string::npos || k.type == 0)
    ArgError(path, std::string("unknown key type '") + k.type + "'");
  if (k.size < 1 || k.size > kMaxKeySize) ArgError(path, "key size " + ToText(k.size) + " outside 1..256");
  if (k.decimals < 0 || (k.decimals > 0 && (k.type != 'N' || k.decimals + 2 > k.size)))
    ArgError(path, "key decimals " + ToText(k.decimals) + " do not fit the key");
  if (spec.keyExpr.empty()) ArgError(path, "empty key expression");
  if (spec.keyExpr.size() >= std::size_t(kExprSize) || spec.forExpr.size() >= std::size_t(kExprSize))
    ArgError(path, "key or FOR expression longer than 255 characters");
  if (spec.keyExpr.find('\0') != std::string::npos || spec.forExpr.find('\0') != std::string::npos)
    ArgError(path, "expression contains a NUL character");
}

bool BuildNtxFile(const std::string& path, const NtxCreateSpec& spec, const NtxKeySource& source,
                  const NtxProgressFn& progress) {
  ValidateCreateSpec(spec, path);
  const int ks = spec.key.size;

  // Collect.
  std::string keys;
  std::vector<std::uint32_t> recs;
  {
    std::uint32_t rec = 0;
    std::string key;
    while (source && source(rec, key)) {
      if (int(key.size()) != ks)
        ArgError(path, "key of " + ToText(key.size()) + " bytes for a key size of " + ToText(ks));
      if (recs.size() >= 0xFFFFFFFFull / 2) ArgError(path, "too many keys");
      keys += key;
      recs.push_back(rec);
      if (progress && recs.size() % kProgressStep == 0 &&
          !progress({NtxBuildProgress::Phase::Reading, recs.size(), 0}))
        return false;
    }
  }
  const std::size_t n = recs.size();
  if (progress && !progress({NtxBuildProgress::Phase::Sorting, 0, n})) return false;

  // Sort by key (reversed when descending), equal keys in arrival order,
  // which is natural record order.
  std::vector<SortItem> items(n);
  const std::size_t head = std::min<std::size_t>(8, std::size_t(ks));
  for (std::size_t i = 0; i < n; ++i) {
    std::uint64_t p = 0;
    const char* k = keys.data() + i * std::size_t(ks);
    for (std::size_t b = 0; b < 8; ++b) p = (p << 8) | (b < head ? std::uint8_t(k[b]) : 0);
    items[i] = {spec.descending ? ~p : p, std::uint32_t(i)};
  }
  const bool desc = spec.descending;
  const std::size_t rest = std::size_t(ks) - head;
  std::sort(items.begin(), items.end(), [&](const SortItem& a, const SortItem& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    if (rest > 0) {
      int c = std::memcmp(keys.data() + std::size_t(a.index) * ks + head, keys.data() + std::size_t(b.index) * ks + head,
                          rest);
      if (c != 0) return desc ? c > 0 : c < 0;
    }
    return a.index < b.index;
  });
  std::vector<std::uint32_t> order;
  order.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    // Unique: the first record with a key wins.
    if (spec.unique && !order.empty() &&
        std::memcmp(keys.data() + std::size_t(order.back()) * ks, keys.data() + std::size_t(items[i].index) * ks,
                    std::size_t(ks)) == 0)
      continue;
    order.push_back(items[i].index);
  }
  items = {};

  NtxHeader h;
  h.signature = kSigNormal | (spec.forExpr.empty() ? 0 : kFlagFor);
  h.keySize = std::uint16_t(ks);
  h.itemSize = std::uint16_t(ks + 8);
  h.keyDecimals = std::uint16_t(spec.key.decimals);
  h.maxItems = std::uint16_t(MaxItemsFor(ks));
  h.halfPage = std::uint16_t(h.maxItems / 2);
  h.keyExpr = spec.keyExpr;
  h.forExpr = spec.forExpr;
  h.tagName = spec.tagName.empty() ? BaseName(path) : spec.tagName;
  h.unique = spec.unique;
  h.descending = spec.descending;

  const std::string temp = TempName(path);
  NtxFile file;
  file.Open(temp, NtxFile::Mode::CreateNew);
  bool done = false;
  try {
    PageGeometry g{ks, ks + 8, h.maxItems};
    PageWriter writer(file, g);
    TreeWriter tree(writer, keys, recs, order, ks, h.maxItems, progress);
    std::uint32_t root = 0;
    if (tree.Run(root)) {
      h.root = root;
      auto page = h.Encode();
      file.WriteAt(0, page.data(), kPageSize);
      file.Close();
      if (std::rename(temp.c_str(), path.c_str()) != 0)
        Fail(gen::Create, path, "create", "cannot replace the index file", errno);
      done = true;
    }
  } catch (...) {
    file.Close();
    std::remove(temp.c_str());
    throw;
  }
  if (!done) {
    file.Close();
    std::remove(temp.c_str());
  }
  return done;
}

}  // namespace kt::ntx
