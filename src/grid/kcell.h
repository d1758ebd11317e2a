#pragma once
// kCell: a cell address handed around by reference: a column of the open
// column list (0 = the whole row), a row number in the server's order and
// the record number.
#include <cstdint>

#include "platform/runtime/object.h"

namespace kt {

class kCell : public Object {
 public:
  kCell() = default;
  kCell(int column, std::int64_t row, std::int64_t recNo) : column_(column), row_(row), recNo_(recNo) {}

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  // Stores each argument that is not NIL.
  void Init(const Usual& column, const Usual& row = NIL, const Usual& recNo = NIL);

  int Column() const { return column_; }
  void Column(int v) { column_ = v; }
  std::int64_t Row() const { return row_; }
  void Row(std::int64_t v) { row_ = v; }
  std::int64_t RecNo() const { return recNo_; }
  void RecNo(std::int64_t v) { recNo_ = v; }

 private:
  int column_ = 0;
  std::int64_t row_ = 0;
  std::int64_t recNo_ = 0;
};

}  // namespace kt
