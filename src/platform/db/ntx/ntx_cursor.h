#pragma once
// A position in an order: navigation, seeking and key positions. A cursor
// remembers its entry (key and record number), so after the tree changed
// (our own updates or another process) it finds its place again.
// A cursor must not outlive its order.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/db/ntx/ntx_order.h"
#include "platform/runtime/usual.h"

namespace kt::ntx {

class NtxCursor {
 public:
  explicit NtxCursor(NtxOrder& order);

  // False (and EOF) when the order is empty.
  bool GoTop();
  bool GoBottom();
  // Moves n entries (negative: backwards) and answers how many it moved.
  // Past the last entry: EOF (record 0), which is not counted as a move.
  // Before the first: BOF, standing on
  // the first entry. Backwards from EOF starts at the last entry.
  std::int64_t Skip(std::int64_t n);
  // Seeks the key; a shorter key compares as a prefix. Found: on the first
  // (with `last`: the last) matching entry. Not found: with `soft` on the
  // next greater entry, else EOF; a key beyond every entry gives EOF.
  bool Seek(std::string_view key, bool soft = false, bool last = false);
  // Stands on the entry of (key, recNo), e.g. after the record was changed.
  // Not present: on the entry that follows it (or EOF); answers false.
  bool GoToKey(std::string_view key, std::uint32_t recNo);
  // 1-based position in the order; false (and no move) when out of range.
  bool GoToKeyNo(std::uint64_t keyNo);
  // 1-based position of the current entry; 0 at EOF.
  std::uint64_t KeyNo();

  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  bool Found() const { return found_; }
  std::uint32_t RecNo() const { return eof_ ? 0 : rec_; }
  // Key bytes of the current entry (empty at EOF).
  std::string_view Key() const { return eof_ ? std::string_view() : std::string_view(key_); }
  // The current key as a value (OrderKeyVal); NIL at EOF.
  Usual KeyVal() const;

 private:
  void Sync();
  void Take();
  void SetEof();
  bool Step(bool forward);

  NtxOrder& order_;
  Path path_;
  std::string key_;
  std::uint32_t rec_ = 0;
  bool eof_ = true;
  bool bof_ = true;
  bool found_ = false;
  // Path stands exactly on key_/rec_ (false after our entry vanished and
  // the path was placed on the entry that followed it).
  bool exact_ = false;
  // Direction of record numbers within the current run of equal keys, to
  // catch walks that repeat entries in damaged files.
  int tieDir_ = 0;
  std::uint64_t generation_ = 0;
};

}  // namespace kt::ntx
