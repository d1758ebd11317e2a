#pragma once
// NtxOrder: one open NTX order file. The layer above evaluates key and FOR
// expressions per record and hands this class key bytes (see ntx_key.h);
// the order keeps them sorted with their record numbers.
//
// Shared mode follows the conventions of other xBase programs: every
// operation locks the index byte (shared to read, exclusive to write),
// looks at the header's update counter and drops its caches when another
// process changed the file. Exclusive mode skips both.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/db/ntx/ntx_build.h"
#include "platform/db/ntx/ntx_file.h"
#include "platform/db/ntx/ntx_key.h"
#include "platform/db/ntx/ntx_store.h"
#include "platform/db/ntx/ntx_tree.h"

namespace kt::ntx {

class NtxCursor;

struct NtxOpenOptions {
  bool shared = false;
  bool readOnly = false;
  int lockTimeoutMs = 5000;
  std::size_t cachePages = 4096;
  // Key type when the caller knows it ('C', 'N', 'D', 'L'); the file does
  // not store it. 0: numeric when the header has decimals, else character.
  char keyType = 0;
};

// What a full check of the file found.
struct NtxCheckReport {
  std::uint64_t keys = 0;
  std::uint64_t pages = 0;      // tree pages
  std::uint64_t freePages = 0;  // pages on the free list
  int depth = 0;
};

class NtxOrder {
 public:
  static std::unique_ptr<NtxOrder> Open(const std::string& path, const NtxOpenOptions& options = {});
  // Builds a new file (replacing an existing one when complete) and opens
  // it. Null when the progress callback cancelled the build.
  static std::unique_ptr<NtxOrder> Create(const std::string& path, const NtxCreateSpec& spec,
                                          const NtxKeySource& source, const NtxProgressFn& progress = {},
                                          const NtxOpenOptions& options = {});
  ~NtxOrder();
  NtxOrder(const NtxOrder&) = delete;
  NtxOrder& operator=(const NtxOrder&) = delete;

  const std::string& FileName() const { return file_.Path(); }
  const std::string& KeyExpr() const { return store_.Header().keyExpr; }
  const std::string& ForExpr() const { return store_.Header().forExpr; }
  const std::string& TagName() const { return store_.Header().tagName; }
  bool HasFor() const { return store_.Header().HasFor(); }
  bool Unique() const { return store_.Header().unique; }
  bool Descending() const { return store_.Header().descending; }
  int KeySize() const { return store_.Header().keySize; }
  int KeyDecimals() const { return store_.Header().keyDecimals; }
  char KeyType() const { return keyType_; }
  void SetKeyType(char type) { keyType_ = type; }
  KeySpec Spec() const { return {keyType_, KeySize(), KeyDecimals()}; }
  bool Shared() const { return options_.shared; }
  bool ReadOnly() const { return !file_.Writable(); }

  // Maintenance. Keys must be exactly KeySize() bytes. Insert is false when
  // the entry exists already or, in a unique order, the key does; Delete
  // when the entry is not there; Update moves a record's entry to its new
  // key (false when the new key is refused by a unique order: the old
  // entry is then gone, as the record no longer has that key).
  bool Insert(std::string_view key, std::uint32_t recNo);
  bool Delete(std::string_view key, std::uint32_t recNo);
  bool Update(std::string_view oldKey, std::string_view newKey, std::uint32_t recNo);
  // Removes every key.
  void Zap();

  std::uint64_t KeyCount();
  // Writes the file through to the disk.
  void Commit();
  // Walks the whole file and throws a corruption error on the first fault.
  NtxCheckReport Check();

 private:
  friend class NtxCursor;
  NtxOrder(const NtxOpenOptions& options);
  void Init(const std::string& path);
  void CheckKey(std::string_view key, const char* what) const;

  // Lock, foreign-change check and cache trimming around one operation.
  class Session {
   public:
    Session(NtxOrder& order, bool write);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

   private:
    NtxOrder& order_;
    bool locked_ = false;
    bool outer_ = false;
  };
  template <class F>
  auto Change(F&& f);

  NtxOpenOptions options_;
  NtxFile file_;
  PageStore store_;
  NtxTree tree_;
  char keyType_ = 'C';
  int sessionDepth_ = 0;
};

}  // namespace kt::ntx
