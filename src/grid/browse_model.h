#pragma once
// BrowseModel: any DataServer as a QAbstractTableModel, so that the
// platform's own QTableView can show the same data as a kTable ("browse
// view"). Row r is the r-th record in the server's order, column c its
// field c. The model reads one record at a time and keeps the values of the
// last record read; it moves the server with its notifications suspended
// and puts it back, so that other clients of the server never notice.
// Row numbers follow the server's natural order (GoTop + Skip); orders and
// filters whose positions the server cannot give directly are walked.
#include <QAbstractTableModel>
#include <vector>

#include "platform/db/dataserver.h"

namespace kt {

class BrowseModel : public QAbstractTableModel {
 public:
  explicit BrowseModel(Ref<DataServer> server, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  const Ref<DataServer>& Server() const { return server_; }
  // Re-reads the record count and forgets the cached record.
  void Reset();

 private:
  bool Fetch(int row) const;

  Ref<DataServer> server_;
  int rows_ = 0;
  std::vector<QString> headers_;
  // The last record read: its row, its server position and its values.
  mutable int cachedRow_ = -1;
  mutable std::int64_t cachedRecNo_ = 0;
  mutable std::vector<QVariant> values_;
};

}  // namespace kt
