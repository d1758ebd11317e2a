#pragma once
// BrowseModel: any DataServer as a QAbstractTableModel, so that the
// platform's own QTableView can show the same data as a kTable ("browse
// view"). Row r is the r-th record the server's navigation walks (active
// order, hidden records left out), column c its field c.
//
// The model never moves the server it shows: moving it would commit another
// client's pending edit and pass by its veto. A kArrayServer is read in
// place; any other server is read through a cursor, a second server opened
// on the same data, which only the model moves. The model is a client of the
// shown server and learns of its changes through the notifications it
// receives. Read in place, the rows follow the shown server's filter, order,
// appends and deletes, and an edit of its current record re-reads that
// record's row alone. Through a cursor, the cursor's own filter and order
// decide the rows; the shown server's notifications only say when to read
// them again. A new structure resets the model.
#include <QAbstractTableModel>
#include <memory>
#include <vector>

#include "platform/db/dataserver.h"

namespace kt {

class kArrayServer;

class BrowseModel : public QAbstractTableModel {
 public:
  // Without a cursor, a server other than a kArrayServer shows no rows.
  explicit BrowseModel(Ref<DataServer> server, Ref<DataServer> cursor = {}, QObject* parent = nullptr);
  ~BrowseModel() override;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  const Ref<DataServer>& Server() const { return server_; }
  // Re-reads fields and rows.
  void Reset();

 private:
  class Client;
  struct Rows {
    int count = 0;
    bool listed = false;               // records below name the rows
    std::vector<std::int64_t> records;
    std::uint64_t changes = 0;         // the array server's change count read
    // The record of the last edit handled and its index in records (npos:
    // not a row), so that repeated edits find it at once.
    std::int64_t editedRecord = 0;
    std::size_t editedIndex = 0;
  };

  bool Notify(int code);
  std::vector<QString> ReadHeaders() const;
  Rows ReadRows() const;
  // Reads the rows again; a new structure resets the whole model.
  void Reload();
  // Takes new rows: a reset when their number changed, else a repaint.
  void Take(Rows rows);
  // The array server's current record was edited: its row is re-read, and
  // moved, removed or added when the edit changed its key or visibility.
  void CurrentRecordEdited();
  bool Fetch(int row) const;

  Ref<DataServer> server_;
  Ref<DataServer> cursor_;
  kArrayServer* array_ = nullptr;  // server_, when it is read in place
  std::unique_ptr<Client> client_;
  Rows rows_;
  std::vector<QString> headers_;
  // Through a cursor: the last record read, its row, position and values.
  mutable int cachedRow_ = -1;
  mutable std::int64_t cachedRecNo_ = 0;
  mutable std::vector<QVariant> values_;
};

}  // namespace kt
