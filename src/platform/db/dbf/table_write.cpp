// Changing a table: field writes into the buffer, appends, pack and zap.
//
// Write order is chosen so that a crash at any point leaves a table that
// every program accepts and loses at most the record being written: a new
// record (with the end-of-file byte after it) is written before the header
// counts it, so an interrupted append leaves an uncounted tail that readers
// ignore and the next append overwrites. Pack moves records only towards the
// front and never over a live record it has not copied yet, and lowers the
// count before cutting the file, so an interrupted pack can leave duplicates
// of records but never loses one.
#include <algorithm>
#include <cstring>

#include "platform/db/dbf/field_codec.h"
#include "platform/db/dbf/table.h"
#include "platform/runtime/error.h"
#include "platform/runtime/numtext.h"

namespace kt::dbf {

void Table::CheckWrite(const char* operation) const {
  if (!file_.IsOpen()) Fail(ctx_, gen::NoTable, operation, "table is closed");
  if (readOnly_) Fail(ctx_, gen::ReadOnly, operation, "table is open read-only");
  if (eof_) Fail(ctx_, gen::Write, operation, "there is no current record (end of file)");
  if (shared_ && !fileLocked_ && !locked_.count(recNo_))
    Fail(ctx_, gen::Unlocked, operation, "record " + ToText(recNo_) + " is not locked");
}

void Table::CheckExclusive(const char* operation) const {
  if (!file_.IsOpen()) Fail(ctx_, gen::NoTable, operation, "table is closed");
  if (readOnly_) Fail(ctx_, gen::ReadOnly, operation, "table is open read-only");
  if (shared_) Fail(ctx_, gen::Shared, operation, "needs the table opened exclusively");
}

void Table::SetNull(const Field& f, bool null) {
  if (f.nullBit < 0 || !hdr_.nullFlags) return;
  std::uint8_t& byte = rec_[hdr_.nullFlags->offset + std::size_t(f.nullBit / 8)];
  const auto bit = std::uint8_t(1u << (f.nullBit % 8));
  byte = null ? std::uint8_t(byte | bit) : std::uint8_t(byte & ~bit);
}

void Table::Put(std::size_t i, const Usual& v) {
  const Field& f = CheckedField(i, "field put");
  CheckWrite("field put");
  if (v.IsNil()) {
    if (f.nullBit < 0)
      Fail(ctx_, gen::DataType, "field put", "field " + f.name + " does not accept NIL (it is not nullable)");
    if (f.IsMemo()) {
      EncodeMemoRef(f, 0, rec_.data());
    } else {
      BlankField(f, rec_.data());
    }
    SetNull(f, true);
    dirty_ = true;
    return;
  }
  if (f.IsMemo()) {
    if (!v.IsString())
      Fail(ctx_, gen::DataType, "field put",
           "memo field " + f.name + " takes a string, not a value of type " + v.TypeLetter());
    const std::string_view s = v.AsStringView();
    const std::uint32_t type = f.type == 'P' ? memotype::kPicture : f.type == 'G' ? memotype::kObject : memotype::kText;
    if (f.Binary()) {
      BlobPut(i, s);
      return;
    }
    std::uint32_t old = 0;
    try {
      old = DecodeMemoRef(f, rec_.data(), ctx_);
    } catch (const RuntimeError&) {
      old = 0;  // garbage reference: the new memo gets its own blocks
    }
    const std::uint32_t block = memo_->Write(old, cp_->FromUtf8(s), type);
    EncodeMemoRef(f, block, rec_.data());
  } else {
    EncodeField(f, v, rec_.data(), *cp_, ctx_);
  }
  SetNull(f, false);
  dirty_ = true;
}

void Table::BlobPut(std::size_t i, std::string_view bytes) {
  const Field& f = CheckedField(i, "blob put");
  CheckWrite("blob put");
  if (!f.IsMemo()) Fail(ctx_, gen::DataType, "blob put", "field " + f.name + " is not a memo field");
  std::uint32_t old = 0;
  try {
    old = DecodeMemoRef(f, rec_.data(), ctx_);
  } catch (const RuntimeError&) {
    old = 0;
  }
  const std::uint32_t type = f.type == 'G' ? memotype::kObject : memotype::kPicture;
  const std::uint32_t block = memo_->Write(old, bytes, type);
  EncodeMemoRef(f, block, rec_.data());
  SetNull(f, false);
  dirty_ = true;
}

void Table::Delete() {
  CheckWrite("delete");
  rec_[0] = '*';
  dirty_ = true;
}

void Table::Recall() {
  CheckWrite("recall");
  rec_[0] = ' ';
  dirty_ = true;
}

void Table::WriteRecord(std::uint32_t recNo, const std::uint8_t* data, std::size_t length) {
  const std::uint64_t at = hdr_.headerLen + std::uint64_t(recNo - 1) * hdr_.recordLen;
  file_.Write(at, data, length);
  // Keep the read-ahead window in step with what is on disk.
  if (pageLen_ && at < pageStart_ + pageLen_ && at + length > pageStart_) {
    const std::uint64_t from = std::max(at, pageStart_);
    const std::uint64_t to = std::min(at + length, pageStart_ + pageLen_);
    std::memcpy(page_.data() + (from - pageStart_), data + (from - at), std::size_t(to - from));
  }
  // Cached blocks the write touches are dropped; the next read fetches them.
  for (Block& b : blocks_)
    if (b.index != kNoBlock && b.index * kBlockSize < at + length && (b.index + 1) * kBlockSize > at) b.index = kNoBlock;
}

void Table::FlushRecord() {
  if (!dirty_) return;
  WriteRecord(recNo_, rec_.data(), rec_.size());
  dirty_ = false;
  headerDirty_ = true;
}

void Table::WriteCountAndDate(std::uint32_t count) {
  const Date today = Date::Today();
  hdr_.year = std::uint8_t(std::clamp(today.Year() - 1900, 0, 255));
  hdr_.month = std::uint8_t(today.Month());
  hdr_.day = std::uint8_t(today.Day());
  std::uint8_t b[7] = {hdr_.year, hdr_.month, hdr_.day};
  PutLe32(b + 3, count);
  file_.Write(1, b, sizeof b);
  headerDirty_ = false;
}

void Table::Flush() {
  if (!file_.IsOpen()) return;
  FlushRecord();
  if (headerDirty_ && !readOnly_) {
    const Date today = Date::Today();
    hdr_.year = std::uint8_t(std::clamp(today.Year() - 1900, 0, 255));
    hdr_.month = std::uint8_t(today.Month());
    hdr_.day = std::uint8_t(today.Day());
    const std::uint8_t b[3] = {hdr_.year, hdr_.month, hdr_.day};
    file_.Write(1, b, sizeof b);
    headerDirty_ = false;
  }
}

void Table::Commit() {
  Flush();
  if (readOnly_ || !file_.IsOpen()) return;
  file_.Sync();
  if (memo_) memo_->Sync();
}

void Table::FillAutoIncrement() {
  // Visual FoxPro keeps the next value in the field's descriptor; read it
  // from disk (other stations advance it) while the append lock is held.
  for (int idx : hdr_.autoIncFields) {
    const Field& f = hdr_.fields[std::size_t(idx)];
    const std::uint64_t at = kFixedHeaderSize + kDescriptorSize * std::uint64_t(f.descriptor);
    std::uint8_t d[kDescriptorSize];
    file_.ReadExact(at, d, sizeof d, "field descriptor");
    const std::uint32_t next = Le32(d + 19);
    const std::uint8_t step = d[23] ? d[23] : 1;
    PutLe32(rec_.data() + f.offset, next);
    std::uint8_t nb[4];
    PutLe32(nb, next + step);
    file_.Write(at + 19, nb, 4);
  }
}

std::uint32_t Table::Append() {
  if (!file_.IsOpen()) Fail(ctx_, gen::NoTable, "append", "table is closed");
  if (readOnly_) Fail(ctx_, gen::ReadOnly, "append", "table is open read-only");
  for (const Field& f : hdr_.fields)
    if (!f.supported)
      Fail(ctx_, gen::Unsupported, "append",
           "field " + f.name + " has type '" + std::string(1, f.type) + "', whose empty value this driver cannot write");
  FlushRecord();

  if (shared_ && !LockWait(file_, locks_.header, 1, 1000))
    Fail(ctx_, gen::Lock, "append", "append lock is held by another station");
  struct HeaderUnlock {
    Table* t;
    ~HeaderUnlock() {
      if (t->shared_) t->file_.Unlock(t->locks_.header, 1);
    }
  } unlock{this};

  const std::uint32_t count = shared_ ? ReadCountFromDisk() : hdr_.recCount;
  if (count >= locks_.MaxRecord() ||
      hdr_.headerLen + (std::uint64_t(count) + 1) * hdr_.recordLen > 0x7FFFFFFFull)
    Fail(ctx_, gen::Limit, "append", "table has reached its maximum size");
  const std::uint32_t recNo = count + 1;
  bool lockedNew = false;
  if (shared_ && !fileLocked_) {
    if (!file_.Lock(locks_.Record(recNo), 1))
      Fail(ctx_, gen::Lock, "append", "new record " + ToText(recNo) + " is locked by another station");
    lockedNew = true;
  }
  try {
    BlankBuffer();
    FillAutoIncrement();
    std::vector<std::uint8_t> bytes(rec_);
    bytes.push_back(kEofMarker);
    WriteRecord(recNo, bytes.data(), bytes.size());
    WriteCountAndDate(recNo);
  } catch (...) {
    if (lockedNew) file_.Unlock(locks_.Record(recNo), 1);
    hdr_.recCount = count;
    GoTo(count + 1);
    throw;
  }
  if (lockedNew) locked_.insert(recNo);
  hdr_.recCount = recNo;
  recNo_ = recNo;
  eof_ = false;
  dirty_ = false;
  return recNo;
}

void Table::Pack(const ProgressFn& progress) {
  CheckExclusive("pack");
  FlushRecord();
  const std::uint32_t total = hdr_.recCount;
  const std::size_t len = hdr_.recordLen;
  const std::size_t perChunk = std::max<std::size_t>(1, (256 * 1024) / len);
  std::vector<std::uint8_t> chunk(perChunk * len);
  std::uint32_t kept = 0;
  for (std::uint32_t first = 1; first <= total;) {
    const std::uint32_t n = std::uint32_t(std::min<std::uint64_t>(perChunk, std::uint64_t(total) - first + 1));
    const std::uint64_t at = hdr_.headerLen + std::uint64_t(first - 1) * len;
    file_.ReadExact(at, chunk.data(), n * len, "records");
    std::uint32_t runStart = 0, runLen = 0;  // live records waiting to be written together
    auto writeRun = [&] {
      if (runLen && kept + 1 != first + runStart)
        WriteRecord(kept + 1, chunk.data() + runStart * len, runLen * len);
      kept += runLen;
      runLen = 0;
    };
    for (std::uint32_t k = 0; k < n; ++k) {
      if (chunk[k * len] == '*') {
        writeRun();
        runStart = k + 1;
      } else {
        if (runLen == 0) runStart = k;
        ++runLen;
      }
    }
    writeRun();
    first += n;
    if (progress) progress(first - 1, total);
  }
  WriteCountAndDate(kept);
  const std::uint64_t end = hdr_.headerLen + std::uint64_t(kept) * len;
  const std::uint8_t eofByte = kEofMarker;
  file_.Write(end, &eofByte, 1);
  file_.Truncate(end + 1);
  hdr_.recCount = kept;
  InvalidateCache();
  GoTo(1);
}

void Table::Zap() {
  CheckExclusive("zap");
  dirty_ = false;
  WriteCountAndDate(0);
  const std::uint8_t eofByte = kEofMarker;
  file_.Write(hdr_.headerLen, &eofByte, 1);
  file_.Truncate(hdr_.headerLen + 1ull);
  hdr_.recCount = 0;
  InvalidateCache();
  if (memo_) memo_->Reset();
  GoTo(1);
}

}  // namespace kt::dbf
