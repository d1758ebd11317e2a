#include "platform/db/ntx/ntx_cursor.h"

#include "platform/db/ntx/ntx_error.h"
#include "platform/runtime/error.h"
#include "platform/runtime/numtext.h"

namespace kt::ntx {

NtxCursor::NtxCursor(NtxOrder& order) : order_(order) {}

void NtxCursor::SetEof() {
  path_.clear();
  eof_ = true;
  exact_ = false;
  rec_ = 0;
  key_.clear();
  tieDir_ = 0;
}

void NtxCursor::Take() {
  NtxTree& t = order_.tree_;
  key_.assign(t.KeyAt(path_));
  rec_ = t.RecAt(path_);
  eof_ = false;
  exact_ = true;
}

// After the tree changed the remembered path may point anywhere: find the
// entry again by its key and record number.
void NtxCursor::Sync() {
  const std::uint64_t gen = order_.store_.Generation();
  if (gen == generation_) return;
  generation_ = gen;
  tieDir_ = 0;
  if (eof_) {
    path_.clear();
    return;
  }
  NtxTree& t = order_.tree_;
  // A file rebuilt elsewhere with another key size: the old place is gone.
  if (key_.size() != std::size_t(order_.KeySize()) || !t.Find(key_, rec_, false, path_)) {
    path_.clear();
    exact_ = false;
    return;
  }
  exact_ = t.RecAt(path_) == rec_ && t.KeyAt(path_) == std::string_view(key_);
}

bool NtxCursor::GoTop() {
  NtxOrder::Session s(order_, false);
  generation_ = order_.store_.Generation();
  bof_ = false;
  found_ = false;
  tieDir_ = 0;
  if (!order_.tree_.First(path_)) {
    SetEof();
    bof_ = true;
    return false;
  }
  Take();
  return true;
}

bool NtxCursor::GoBottom() {
  NtxOrder::Session s(order_, false);
  generation_ = order_.store_.Generation();
  bof_ = false;
  found_ = false;
  tieDir_ = 0;
  if (!order_.tree_.Last(path_)) {
    SetEof();
    bof_ = true;
    return false;
  }
  Take();
  return true;
}

bool NtxCursor::Step(bool forward) {
  NtxTree& t = order_.tree_;
  bool ok = forward ? t.Next(path_) : t.Prev(path_);
  if (!ok) return false;
  std::string_view key = t.KeyAt(path_);
  std::uint32_t rec = t.RecAt(path_);
  // A walk must move monotonically; anything else means pages that are
  // shared or out of order, and would let a walk run for ever.
  int c = t.CompareKeys(key, key_, key.size());
  if (forward ? c < 0 : c > 0) Corrupt(order_.FileName(), "keys out of order");
  if (c == 0) {
    int dir = rec > rec_ ? 1 : (rec < rec_ ? -1 : 0);
    if (!forward) dir = -dir;
    if (dir == 0 || (tieDir_ != 0 && dir != tieDir_)) Corrupt(order_.FileName(), "keys out of order");
    tieDir_ = dir;
  } else {
    tieDir_ = 0;
  }
  key_.assign(key);
  rec_ = rec;
  return true;
}

std::int64_t NtxCursor::Skip(std::int64_t n) {
  NtxOrder::Session s(order_, false);
  Sync();
  found_ = false;
  bof_ = false;
  NtxTree& t = order_.tree_;
  std::int64_t moved = 0;
  if (n == 0) {
    // Re-reading the current entry: when it went away, stand on the next.
    if (!eof_ && !exact_) {
      if (path_.empty())
        SetEof();
      else
        Take();
    }
    return 0;
  }
  if (eof_) {
    if (n > 0) return 0;
    if (!t.Last(path_)) {
      bof_ = true;
      return 0;
    }
    Take();
    tieDir_ = 0;
    ++n;
    moved = -1;
  } else if (!exact_) {
    // Our entry is gone; the path stands on its successor (or nowhere).
    if (n > 0) {
      if (path_.empty()) {
        SetEof();
        return 0;
      }
      Take();
      --n;
      moved = 1;
    } else if (path_.empty() ? !t.Last(path_) : !t.Prev(path_)) {
      t.First(path_);
      if (path_.empty()) {
        SetEof();
      } else {
        Take();
      }
      bof_ = true;
      return 0;
    } else {
      Take();
      ++n;
      moved = -1;
    }
  }
  for (; n > 0; --n, ++moved) {
    if (!Step(true)) {
      SetEof();
      return moved;
    }
  }
  for (; n < 0; ++n, --moved) {
    if (!Step(false)) {
      t.First(path_);
      Take();
      bof_ = true;
      tieDir_ = 0;
      return moved;
    }
  }
  exact_ = true;
  return moved;
}

bool NtxCursor::Seek(std::string_view key, bool soft, bool last) {
  NtxOrder::Session s(order_, false);
  generation_ = order_.store_.Generation();
  NtxTree& t = order_.tree_;
  const std::size_t len = std::min<std::size_t>(key.size(), std::size_t(order_.KeySize()));
  key = key.substr(0, len);
  bof_ = false;
  found_ = false;
  tieDir_ = 0;
  auto matches = [&] { return t.CompareKeys(t.KeyAt(path_), key, len) == 0; };
  if (!last) {
    if (!t.Find(key, 0, false, path_)) {
      SetEof();
      return false;
    }
    found_ = matches();
    if (!found_ && !soft) {
      SetEof();
      return false;
    }
    Take();
    return found_;
  }
  // Last match: step back from the first entry beyond the key.
  Path beyond;
  bool hasBeyond = t.Find(key, 0, true, beyond);
  path_ = beyond;
  bool back = hasBeyond ? t.Prev(path_) : t.Last(path_);
  if (back && matches()) {
    found_ = true;
    Take();
    return true;
  }
  if (soft && hasBeyond) {
    path_ = std::move(beyond);
    Take();
    return false;
  }
  SetEof();
  return false;
}

bool NtxCursor::GoToKey(std::string_view key, std::uint32_t recNo) {
  NtxOrder::Session s(order_, false);
  generation_ = order_.store_.Generation();
  NtxTree& t = order_.tree_;
  bof_ = false;
  found_ = false;
  tieDir_ = 0;
  if (key.size() != std::size_t(order_.KeySize()))
    Fail(kt::gen::DataWidth, order_.FileName(), "goto", "key of " + ToText(key.size()) + " bytes");
  if (!t.Find(key, recNo, false, path_)) {
    SetEof();
    return false;
  }
  bool exact = t.RecAt(path_) == recNo && t.KeyAt(path_) == key;
  if (!exact) {
    // Files that order equal keys differently: search the run of equals.
    Path p;
    bool ok = t.Find(key, 0, false, p);
    while (ok && t.KeyAt(p) == key) {
      if (t.RecAt(p) == recNo) {
        path_ = p;
        exact = true;
        break;
      }
      ok = t.Next(p);
    }
  }
  Take();
  found_ = exact;
  return exact;
}

bool NtxCursor::GoToKeyNo(std::uint64_t keyNo) {
  NtxOrder::Session s(order_, false);
  generation_ = order_.store_.Generation();
  NtxTree& t = order_.tree_;
  if (keyNo < 1 || keyNo > t.Count()) return false;
  t.AtPosition(keyNo - 1, path_);
  bof_ = false;
  found_ = false;
  tieDir_ = 0;
  Take();
  return true;
}

std::uint64_t NtxCursor::KeyNo() {
  NtxOrder::Session s(order_, false);
  Sync();
  if (eof_ || path_.empty()) return 0;
  return order_.tree_.Position(path_) + 1;
}

Usual NtxCursor::KeyVal() const {
  if (eof_) return Usual();
  return DecodeKey(key_, order_.Spec());
}

}  // namespace kt::ntx
