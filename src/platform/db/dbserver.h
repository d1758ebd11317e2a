#pragma once
// DBServer: a data server over a table file in a work area, through the
// drivers "DBFNTX", "DBFCDX" and "DBFMDX". It speaks the same protocol as
// every data server (navigation, fields, notifications, the Error
// protocol) and adds what tables have: sharing and locks, index orders,
// seek, a filter by expression, pack and zap.
#include <string>

#include "platform/db/dataserver.h"
#include "platform/db/workarea.h"

namespace kt {

class DBServer : public DataServer {
 public:
  // cFile: the table's path (".dbf" is added when it has no extension).
  // lShared NIL follows the runtime's exclusive setting; cDriver NIL is
  // "DBFNTX". A table that cannot be opened leaves the server unused
  // (Used() FALSE) after reporting through the Error protocol.
  explicit DBServer(const Usual& cFile, const Usual& lShared = NIL, const Usual& lReadOnly = NIL,
                    const Usual& cDriver = NIL);
  ~DBServer() override;

  // Creates a table from {{name, type, length, decimals}, ...}; FALSE (with
  // the error raised) when it cannot.
  static bool DBCreate(const std::string& path, const Usual& aStruct, const Usual& cDriver = NIL,
                       const std::string& codePage = "CP1252");

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  int Area() const { return area_; }
  Symbol AliasSym() const;
  const std::string& Driver() const { return driver_; }
  const std::string& FileSpec() const { return fileName_; }
  bool Shared() const;
  bool ReadOnly() const;

  // --- DataServer protocol -------------------------------------------
  Usual FieldGet(const Usual& field) override;
  Usual FieldPut(const Usual& field, const Usual& value) override;
  bool GoTop() override;
  bool GoBottom() override;
  bool GoTo(std::int64_t recNo) override;
  bool Skip(std::int64_t records = 1) override;
  std::int64_t RecNo() const override;
  bool EoF() const override;
  bool BoF() const override;
  std::int64_t LastRec() const override;
  bool Used() const override { return area_ != 0; }
  bool Deleted() const override;
  bool Found() const;
  bool Append(const Usual& position = NIL) override;
  // Marks the record deleted (tables keep deleted records until Pack).
  bool Delete(const Usual& remove = NIL) override;
  bool Recall() override;
  bool Commit() override;
  bool Close() override;
  bool Pack();
  bool Zap();

  // --- sharing -------------------------------------------------------
  bool RLock(const Usual& recNo = NIL);
  bool FLock();
  bool Unlock(const Usual& recNo = NIL);

  // --- filter --------------------------------------------------------
  // A text (compiled in the table's work area, so bare field names work)
  // or a codeblock; the optional second argument gives the text shown.
  bool SetFilter(const Usual& uFilter, const Usual& cFilterText = NIL);
  bool ClearFilter();
  std::string Filter() const;

  // --- orders --------------------------------------------------------
  bool SetIndex(const Usual& cIndexFile);
  bool ClearIndex();
  // cOrderFile: the order file's path (".ntx" added); cKey, cFor: texts.
  bool CreateOrder(const Usual& cOrderFile, const Usual& cKey, const Usual& cFor = NIL, const Usual& lUnique = NIL,
                   const Usual& lDescending = NIL, const Usual& cbProgress = NIL);
  bool SetOrder(const Usual& nOrder);
  int IndexOrd() const;
  std::string IndexKey(const Usual& nOrder = NIL) const;
  bool Seek(const Usual& uKey, const Usual& lSoftSeek = NIL, const Usual& lLast = NIL);
  Usual OrderKeyNo();
  bool OrderKeyNo(const Usual& position);
  std::uint64_t OrderKeyCount(const Usual& nOrder = NIL);
  Usual OrderKeyVal();
  Usual OrderInfo(int kind, const Usual& oFSIndexFile = NIL, const Usual& uOrder = NIL, const Usual& uOrdSpec = NIL);

 protected:
  WorkArea* Table() const;


 private:
  void BuildFields();

  int area_ = 0;
  std::string driver_ = "DBFNTX";
  std::string fileName_;
};

}  // namespace kt
