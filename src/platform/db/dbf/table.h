#pragma once
// A DBF table: the storage layer under the work areas and DBServer.
//
// One Table is one open table file with its memo file. It keeps one current
// record in a buffer: GoTo reads it, Get/Put work on the buffer, and the
// buffer goes back to disk when the position changes, on Flush/Commit, on
// Unlock and on Close. Record numbers are 1-based; a position past the last
// record is the end-of-file phantom (RecCount() + 1) whose buffer holds
// blank values. Field indexes are 0-based.
//
// Every failure throws kt::RuntimeError carrying an Error with SubSystem
// (the driver family's name), FileName, GenCode, OsCode and a description
// naming the file and the problem.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/dbf/codepage.h"
#include "platform/db/dbf/file.h"
#include "platform/db/dbf/header.h"
#include "platform/db/dbf/lock.h"
#include "platform/db/dbf/memo.h"
#include "platform/runtime/date.h"
#include "platform/runtime/usual.h"

namespace kt::dbf {

struct OpenOptions {
  bool shared = true;
  bool readOnly = false;
  // Lock scheme and error subsystem; by default the family that writes the
  // table's version byte (DBFNTX for plain 0x03 tables).
  std::optional<Family> family;
  // Forces a code page (iconv name or number) whatever the table says.
  std::string codePage;
  // Code page of tables whose language-driver byte is 0.
  std::string defaultCodePage = "CP1252";
};

struct CreateOptions {
  Family family = Family::Ntx;
  // Code page of the new table; its language-driver byte is written when
  // one exists for it.
  std::string codePage = "CP1252";
  // Memo block size; 0 takes the flavour's default (512 DBT, 64 FPT).
  std::uint32_t memoBlockSize = 0;
};

// A memo value as stored: text memos come converted to UTF-8, pictures,
// objects and binary fields as the raw bytes.
struct MemoValue {
  std::string bytes;
  bool binary = false;
};

// Called during Pack with records visited so far and the total.
using ProgressFn = std::function<void(std::uint32_t done, std::uint32_t total)>;

class Table {
 public:
  static std::unique_ptr<Table> Open(const std::string& path, const OpenOptions& options = {});
  // Creates the table (and its memo file when it has memo fields), replacing
  // an existing file unless another program has it open. The result is open
  // exclusively.
  static std::unique_ptr<Table> Create(const std::string& path, const Structure& structure,
                                       const CreateOptions& options = {});
  ~Table();  // closes; errors while closing are lost, so call Close() to see them
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  // Writes pending changes, releases all locks and closes the files.
  void Close();
  bool IsOpen() const { return file_.IsOpen(); }

  // --- structure ---------------------------------------------------------
  const std::string& Path() const { return ctx_.fileName; }
  Family GetFamily() const { return family_; }
  std::uint8_t Version() const { return hdr_.version; }
  std::uint8_t LanguageDriver() const { return hdr_.ldid; }
  const std::string& CodePageName() const { return cp_->Name(); }
  const CodePage& Codec() const { return *cp_; }
  std::uint16_t HeaderLength() const { return hdr_.headerLen; }
  std::uint16_t RecordLength() const { return hdr_.recordLen; }
  Date LastUpdate() const;
  const TableHeader& Header() const { return hdr_; }
  std::size_t FieldCount() const { return hdr_.fields.size(); }
  const Field& FieldAt(std::size_t i) const;
  // Index of a field by name (any case), -1 when there is none.
  int FieldIndex(std::string_view name) const;
  Structure GetStructure() const;
  MemoKind Memo() const { return memo_ ? memo_->Kind() : MemoKind::None; }
  const MemoFile* MemoFilePtr() const { return memo_.get(); }

  // --- position ----------------------------------------------------------
  // Records the table holds (deleted ones included) as last read.
  std::uint32_t RecCount() const { return hdr_.recCount; }
  // Re-reads the record count from disk (other stations append) and returns it.
  std::uint32_t Refresh();
  // Reads record recNo into the buffer; outside 1..RecCount() (after a
  // refresh in shared mode) the table goes to the end-of-file phantom and
  // the result is false.
  bool GoTo(std::uint32_t recNo);
  std::uint32_t RecNo() const { return recNo_; }
  bool Eof() const { return eof_; }

  // --- record buffer -----------------------------------------------------
  Usual Get(std::size_t field) const;
  void Put(std::size_t field, const Usual& value);
  MemoValue GetMemo(std::size_t field) const;
  // Raw bytes of a memo field, from offset, at most length of them.
  std::string BlobGet(std::size_t field, std::uint64_t offset = 0, std::uint64_t length = UINT64_MAX) const;
  // Stores raw bytes in a memo field (FoxPro marks them as a picture, so
  // they read back as bytes, not text).
  void BlobPut(std::size_t field, std::string_view bytes);
  // Visual FoxPro nullable fields.
  bool IsNull(std::size_t field) const;
  bool Deleted() const { return !rec_.empty() && rec_[0] == '*'; }
  void Delete();
  void Recall();
  std::span<const std::uint8_t> Record() const { return rec_; }
  bool Dirty() const { return dirty_; }

  // Appends a blank record and makes it current (and locked, in shared
  // mode); returns its number. Throws gen::Lock when the append lock or the
  // new record's lock cannot be had.
  std::uint32_t Append();
  // Writes the buffer and the header's date; Commit also forces both files
  // to disk.
  void Flush();
  void Commit();
  // Removes deleted records (exclusive use only). Memo blocks of removed
  // records stay as dead space.
  void Pack(const ProgressFn& progress = {});
  // Removes all records and empties the memo file (exclusive use only).
  void Zap();

  // --- sharing -----------------------------------------------------------
  bool Shared() const { return shared_; }
  bool ReadOnly() const { return readOnly_; }
  // Shared tables read every record from the file, since others may change
  // it. A caller scanning the whole table (index build, export, check) may
  // allow read-ahead instead and accept that a record changed by another
  // station during the scan can be seen as it was moments before. Locking a
  // record always reads it afresh.
  void SetReadAhead(bool on);
  // Record and file locks; false when another station holds a conflicting
  // lock. Without sharing every lock succeeds at once.
  bool RLock(std::uint32_t recNo);
  bool FLock();
  // Writes the buffer first, so nothing is left unwritten without a lock.
  void Unlock(std::uint32_t recNo);
  void UnlockAll();
  bool IsLocked(std::uint32_t recNo) const;
  bool HasFileLock() const { return fileLocked_; }
  std::vector<std::uint32_t> Locks() const { return {locked_.begin(), locked_.end()}; }

 private:
  Table() = default;
  void OpenImpl(const std::string& path, const OpenOptions& o);
  void CreateImpl(const std::string& path, const Structure& s, const CreateOptions& o);
  void OpenMemo(bool write);
  void ReadRecord(std::uint32_t recNo, std::uint8_t* out, bool fresh = false);
  void WriteRecord(std::uint32_t recNo, const std::uint8_t* data, std::size_t length);
  void FlushRecord();
  void BlankBuffer();
  void CheckWrite(const char* operation) const;
  void CheckExclusive(const char* operation) const;
  std::uint32_t ReadCountFromDisk();
  void WriteCountAndDate(std::uint32_t count);
  void FillAutoIncrement();
  const Field& CheckedField(std::size_t i, const char* operation) const;
  void SetNull(const Field& f, bool null);
  void InvalidateCache() {
    pageLen_ = 0;
    for (Block& b : blocks_) b.index = kNoBlock;
  }
  // Serves a record from the block cache; false when it straddles blocks.
  bool ReadFromBlocks(std::uint64_t at, std::uint8_t* out, std::uint32_t recNo);

  ErrorContext ctx_;
  File file_;
  TableHeader hdr_;
  Family family_ = Family::Ntx;
  LockScheme locks_;
  std::unique_ptr<CodePage> cp_;
  std::unique_ptr<MemoFile> memo_;
  bool shared_ = true;
  bool readOnly_ = false;

  std::uint32_t recNo_ = 0;
  bool eof_ = true;
  std::vector<std::uint8_t> rec_;
  bool dirty_ = false;
  bool headerDirty_ = false;

  // Read-ahead window, used without sharing (nobody else changes the file),
  // under a file lock, or when the caller allows it.
  bool readAhead_ = false;
  std::vector<std::uint8_t> page_;
  std::uint64_t pageStart_ = 0;
  std::size_t pageLen_ = 0;

  // Small blocks read after jumps (a walk in index order comes back to the
  // same stretches of the table), direct-mapped by block number.
  static constexpr std::uint64_t kNoBlock = ~std::uint64_t(0);
  static constexpr std::size_t kBlockSize = 4 * 1024;
  static constexpr std::size_t kBlockCount = 256;
  struct Block {
    std::uint64_t index = kNoBlock;
    std::size_t length = 0;
    std::vector<std::uint8_t> data;
  };
  std::vector<Block> blocks_;

  std::set<std::uint32_t> locked_;
  bool fileLocked_ = false;
};

}  // namespace kt::dbf
