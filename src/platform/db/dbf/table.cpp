#include "platform/db/dbf/table.h"

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/db/dbf/field_codec.h"
#include "platform/runtime/error.h"
#include "platform/runtime/numtext.h"
#include "platform/runtime/text.h"

namespace kt::dbf {

namespace {

constexpr std::size_t kPageSize = 64 * 1024;

std::string Lower(std::string s) {
  for (char& c : s) c = text::AsciiLower(c);
  return s;
}

// Candidate memo file names for a table path: the extension in the case of
// the table's own, then the other case, then any case found in the folder
// (tables copied from case-insensitive file systems keep odd spellings).
std::vector<std::string> MemoCandidates(const std::string& tablePath, const char* ext) {
  const std::size_t slash = tablePath.find_last_of('/');
  const std::size_t dot = tablePath.find_last_of('.');
  const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  const std::string base = hasExt ? tablePath.substr(0, dot) : tablePath;
  const std::string tableExt = hasExt ? tablePath.substr(dot + 1) : std::string();
  const bool upper = !tableExt.empty() && text::IsAsciiUpper(tableExt[0]);
  std::string up = ext, low = Lower(ext);
  for (char& c : up) c = text::AsciiUpper(c);
  std::vector<std::string> out{base + "." + (upper ? up : low), base + "." + (upper ? low : up)};
  const std::string dir = slash == std::string::npos ? "." : tablePath.substr(0, slash);
  const std::string want = Lower(base.substr(slash == std::string::npos ? 0 : slash + 1) + "." + low);
  if (DIR* d = ::opendir(dir.c_str())) {
    while (dirent* e = ::readdir(d)) {
      if (Lower(e->d_name) == want) out.push_back((slash == std::string::npos ? std::string() : dir + "/") + e->d_name);
    }
    ::closedir(d);
  }
  return out;
}

bool Exists(const std::string& path) {
  File f;
  return f.Open(path, false) == 0;
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

std::unique_ptr<Table> Table::Open(const std::string& path, const OpenOptions& options) {
  std::unique_ptr<Table> t(new Table);
  t->OpenImpl(path, options);
  return t;
}

std::unique_ptr<Table> Table::Create(const std::string& path, const Structure& structure,
                                     const CreateOptions& options) {
  std::unique_ptr<Table> t(new Table);
  t->CreateImpl(path, structure, options);
  return t;
}

Table::~Table() {
  try {
    Close();
  } catch (...) {
    // Nothing can be reported from a destructor; Close() reports.
  }
}

void Table::OpenImpl(const std::string& path, const OpenOptions& o) {
  ctx_.fileName = path;
  ctx_.subSystem = o.family ? FamilyName(*o.family) : "DBF";
  shared_ = o.shared;
  readOnly_ = o.readOnly;

  // An exclusive opener needs a write lock, hence a writable descriptor,
  // even when it will not write.
  int err = file_.Open(path, !readOnly_ || !shared_);
  if (err && readOnly_ && !shared_) err = file_.Open(path, false);
  if (err) {
    FailOs(ctx_, gen::Open, "open", err == ENOENT ? "table not found" : "cannot open the table", err);
  }
  file_.Context() = ctx_;
  const bool gotShare = shared_ ? file_.Lock(kOpenLockOffset, 1, false) : file_.Lock(0, 0, true);
  if (!gotShare) {
    file_.Close();
    Fail(ctx_, gen::Open, "open",
         shared_ ? "table is open exclusively by another program (sharing violation)"
                 : "table is in use by another program (sharing violation)",
         kSharingViolation);
  }

  std::uint8_t first[kFixedHeaderSize] = {};
  const std::uint64_t size = file_.Size();
  const std::size_t got = file_.ReadSome(0, first, sizeof first);
  hdr_ = ParseFixedHeader(std::span(first, got), size, ctx_);
  family_ = o.family ? *o.family : hdr_.info.family;
  ctx_.subSystem = FamilyName(family_);
  file_.Context() = ctx_;
  std::vector<std::uint8_t> header(hdr_.headerLen);
  file_.ReadExact(0, header.data(), header.size(), "table header");
  ParseFields(hdr_, header, size, ctx_);
  locks_ = LockScheme::For(family_);

  std::string cpName = o.codePage;
  if (cpName.empty()) {
    const CodePageInfo info = CodePageForLdid(hdr_.ldid);
    if (info.number != 0 && *info.iconv == '\0') {
      const std::string id = "0x" + HexText(hdr_.ldid, 2);
      Fail(ctx_, gen::Unsupported, "open",
           "code page " + ToText(info.number) + " (language driver " + id +
               ") is not supported; open it with an explicit code page");
    }
    cpName = info.number ? info.iconv : o.defaultCodePage;
  }
  try {
    cp_ = std::make_unique<CodePage>(cpName);
  } catch (const std::invalid_argument&) {
    Fail(ctx_, gen::Unsupported, "open", "code page " + cpName + " is not supported");
  }

  OpenMemo(!readOnly_);
  rec_.assign(hdr_.recordLen, ' ');
  GoTo(1);
}

void Table::OpenMemo(bool write) {
  bool needsMemo = false;
  for (const Field& f : hdr_.fields) needsMemo |= f.IsMemo() && f.supported;
  if (!needsMemo) return;
  MemoKind kind = hdr_.info.memo;
  std::string path;
  auto find = [&](const char* ext) {
    for (const std::string& c : MemoCandidates(ctx_.fileName, ext))
      if (Exists(c)) return c;
    return std::string();
  };
  if (kind == MemoKind::Fpt) {
    path = find("fpt");
  } else if (kind != MemoKind::None) {
    path = find("dbt");
  } else {
    // A plain version byte with memo fields: go by the files present.
    if (!(path = find("fpt")).empty()) kind = MemoKind::Fpt;
    else if (!(path = find("dbt")).empty()) kind = family_ == Family::Mdx ? MemoKind::Dbt4 : MemoKind::Dbt3;
  }
  if (path.empty()) {
    const char* ext = kind == MemoKind::Fpt ? "fpt" : "dbt";
    Fail(ctx_, gen::Open, "open", "memo file " + MemoCandidates(ctx_.fileName, ext).front() + " not found", ENOENT);
  }
  memo_ = MemoFile::Open(path, kind, write, ctx_, locks_, shared_);
}

void Table::CreateImpl(const std::string& path, const Structure& s, const CreateOptions& o) {
  ctx_.fileName = path;
  ctx_.subSystem = FamilyName(o.family);
  family_ = o.family;
  shared_ = false;
  readOnly_ = false;
  locks_ = LockScheme::For(family_);
  hdr_ = LayoutStructure(s, o.family, ctx_);
  try {
    cp_ = std::make_unique<CodePage>(o.codePage);
  } catch (const std::invalid_argument&) {
    Fail(ctx_, gen::Arg, "create", "code page " + o.codePage + " is not supported");
  }
  hdr_.ldid = LdidForCodePage(cp_->Name());
  const Date today = Date::Today();
  hdr_.year = std::uint8_t(std::clamp(today.Year() - 1900, 0, 255));
  hdr_.month = std::uint8_t(today.Month());
  hdr_.day = std::uint8_t(today.Day());

  if (const int err = file_.OpenOrCreate(path)) FailOs(ctx_, gen::Create, "create", "cannot create the table", err);
  file_.Context() = ctx_;
  // Replacing a table someone still uses would pull it from under them.
  if (!file_.Lock(0, 0, true)) {
    file_.Close();
    Fail(ctx_, gen::Create, "create", "table is in use by another program (sharing violation)", kSharingViolation);
  }
  file_.Truncate(0);
  std::vector<std::uint8_t> bytes = BuildHeader(hdr_);
  bytes.push_back(kEofMarker);
  file_.Write(0, bytes.data(), bytes.size());

  if (hdr_.info.memo != MemoKind::None) {
    const char* ext = hdr_.info.memo == MemoKind::Fpt ? "fpt" : "dbt";
    memo_ = MemoFile::Create(MemoCandidates(path, ext).front(), hdr_.info.memo, o.memoBlockSize, BaseName(path), ctx_,
                             locks_);
  }
  rec_.assign(hdr_.recordLen, ' ');
  GoTo(1);
}

void Table::Close() {
  if (!file_.IsOpen()) return;
  try {
    Flush();
  } catch (...) {
    UnlockAll();
    memo_.reset();
    file_.Close();
    throw;
  }
  UnlockAll();
  memo_.reset();
  file_.Close();  // drops the sharing lock with the descriptor
}

Date Table::LastUpdate() const { return Date::FromYMD(1900 + hdr_.year, hdr_.month, hdr_.day); }

const Field& Table::FieldAt(std::size_t i) const {
  if (i >= hdr_.fields.size())
    Fail(ctx_, gen::Bound, "field", "field index " + ToText(i) + " out of range (" +
                                        ToText(hdr_.fields.size()) + " fields)");
  return hdr_.fields[i];
}

int Table::FieldIndex(std::string_view name) const {
  std::string up(name);
  for (char& c : up) c = text::AsciiUpper(c);
  for (std::size_t i = 0; i < hdr_.fields.size(); ++i)
    if (hdr_.fields[i].name == up) return int(i);
  return -1;
}

Structure Table::GetStructure() const {
  Structure s;
  for (const Field& f : hdr_.fields) s.push_back({f.name, f.type, f.length, f.decimals, f.flags});
  return s;
}

std::uint32_t Table::ReadCountFromDisk() {
  std::uint8_t b[4];
  file_.ReadExact(4, b, 4, "record count");
  const std::uint32_t count = Le32(b);
  // Another program may still be writing its appended record; count only
  // what the file holds.
  const std::uint64_t size = file_.Size();
  const std::uint64_t fits = size > hdr_.headerLen ? (size - hdr_.headerLen) / hdr_.recordLen : 0;
  return std::uint32_t(std::min<std::uint64_t>(count, fits));
}

std::uint32_t Table::Refresh() {
  if (shared_) hdr_.recCount = ReadCountFromDisk();
  return hdr_.recCount;
}

void Table::SetReadAhead(bool on) {
  readAhead_ = on;
  InvalidateCache();
}

void Table::ReadRecord(std::uint32_t recNo, std::uint8_t* out, bool fresh) {
  const std::uint64_t at = hdr_.headerLen + std::uint64_t(recNo - 1) * hdr_.recordLen;
  if (fresh || (shared_ && !readAhead_ && !fileLocked_)) {
    // Others change records: always read the current bytes.
    file_.ReadExact(at, out, hdr_.recordLen, ("record " + ToText(recNo)).c_str());
    return;
  }
  if (at < pageStart_ || at + hdr_.recordLen > pageStart_ + pageLen_) {
    // A window only pays when records are read in sequence: a jump (a walk
    // in index order) reads one small block instead of a whole window.
    const std::uint64_t nextAfterWindow = pageStart_ + (pageLen_ / hdr_.recordLen) * hdr_.recordLen;
    const bool sequential = pageLen_ == 0 || at == nextAfterWindow;
    if (!sequential && ReadFromBlocks(at, out, recNo)) return;
    page_.resize(std::max<std::size_t>(kPageSize, hdr_.recordLen));
    pageLen_ = 0;
    pageStart_ = at;
    pageLen_ = file_.ReadSome(at, page_.data(), page_.size());
    if (pageLen_ < hdr_.recordLen)
      Fail(ctx_, gen::Corruption, "read", "record " + ToText(recNo) + " lies beyond the end of the file");
  }
  std::memcpy(out, page_.data() + (at - pageStart_), hdr_.recordLen);
}

bool Table::ReadFromBlocks(std::uint64_t at, std::uint8_t* out, std::uint32_t recNo) {
  const std::uint64_t first = at / kBlockSize;
  if ((at + hdr_.recordLen - 1) / kBlockSize != first) return false;
  if (blocks_.empty()) blocks_.resize(kBlockCount);
  Block& b = blocks_[std::size_t(first % kBlockCount)];
  const std::size_t offset = std::size_t(at - first * kBlockSize);
  // A block read before the table grew may end short of the record: read again.
  if (b.index != first || b.length < offset + hdr_.recordLen) {
    b.data.resize(kBlockSize);
    b.index = kNoBlock;
    b.length = file_.ReadSome(first * kBlockSize, b.data.data(), kBlockSize);
    b.index = first;
  }
  if (b.length < offset + hdr_.recordLen)
    Fail(ctx_, gen::Corruption, "read", "record " + ToText(recNo) + " lies beyond the end of the file");
  std::memcpy(out, b.data.data() + offset, hdr_.recordLen);
  return true;
}

void Table::BlankBuffer() {
  rec_.assign(hdr_.recordLen, ' ');
  for (const Field& f : hdr_.fields) BlankField(f, rec_.data());
  if (hdr_.nullFlags) BlankField(*hdr_.nullFlags, rec_.data());
}

bool Table::GoTo(std::uint32_t recNo) {
  FlushRecord();
  if (recNo > hdr_.recCount) Refresh();
  if (recNo < 1 || recNo > hdr_.recCount) {
    recNo_ = hdr_.recCount + 1;
    eof_ = true;
    BlankBuffer();
    return false;
  }
  ReadRecord(recNo, rec_.data());
  recNo_ = recNo;
  eof_ = false;
  return true;
}

const Field& Table::CheckedField(std::size_t i, const char* operation) const {
  const Field& f = FieldAt(i);
  if (!f.supported)
    Fail(ctx_, gen::Unsupported, operation,
         "field " + f.name + " has type '" + std::string(1, f.type) + "' with length " + ToText(f.length) +
             ", which this driver cannot read or write");
  return f;
}

bool Table::IsNull(std::size_t i) const {
  const Field& f = FieldAt(i);
  if (f.nullBit < 0 || !hdr_.nullFlags) return false;
  const std::uint8_t byte = rec_[hdr_.nullFlags->offset + std::size_t(f.nullBit / 8)];
  return (byte >> (f.nullBit % 8)) & 1;
}

Usual Table::Get(std::size_t i) const {
  const Field& f = CheckedField(i, "field get");
  if (IsNull(i)) return Usual();
  if (f.IsMemo()) return Usual(GetMemo(i).bytes);
  return DecodeField(f, rec_.data(), *cp_);
}

MemoValue Table::GetMemo(std::size_t i) const {
  const Field& f = CheckedField(i, "memo get");
  if (!f.IsMemo()) Fail(ctx_, gen::DataType, "memo get", "field " + f.name + " is not a memo field");
  MemoValue v;
  v.binary = f.Binary();
  const std::uint32_t block = DecodeMemoRef(f, rec_.data(), ctx_);
  if (block == 0 || !memo_) return v;
  MemoData d = memo_->Read(block);
  if (d.type != memotype::kText) v.binary = true;
  v.bytes = v.binary ? std::move(d.bytes) : cp_->ToUtf8(d.bytes);
  return v;
}

std::string Table::BlobGet(std::size_t i, std::uint64_t offset, std::uint64_t length) const {
  const Field& f = CheckedField(i, "blob get");
  if (!f.IsMemo()) Fail(ctx_, gen::DataType, "blob get", "field " + f.name + " is not a memo field");
  const std::uint32_t block = DecodeMemoRef(f, rec_.data(), ctx_);
  if (block == 0 || !memo_) return {};
  return memo_->ReadPart(block, offset, length);
}

}  // namespace kt::dbf
