// BrowseModel: a DataServer behind a QAbstractTableModel.
#include "grid/browse_model.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "platform/gui/guard.h"
#include "platform/runtime/convert.h"
#include "servers/karrayserver.h"

namespace kt {
namespace {

const Symbol kError("Error");
constexpr std::size_t kMaxRows = std::size_t(std::numeric_limits<int>::max());  // what a view counts
constexpr std::size_t kNoRow = std::numeric_limits<std::size_t>::max();

QVariant ToVariant(const Usual& v) {
  if (v.IsString()) {
    const std::string_view s = v.AsStringView();
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
  }
  if (v.IsInteger()) return QVariant::fromValue(qlonglong(v.AsInteger()));
  if (v.IsFloat()) return v.AsFloat();
  if (v.IsLogic()) return v.AsLogic();
  if (v.IsDate()) return QString::fromStdString(DToC(v.AsDate()));
  return QVariant();
}

}  // namespace

// The model as a client of the shown server.
class BrowseModel::Client : public Object {
 public:
  explicit Client(BrowseModel& model) : model_(model) {}

  const ClassInfo& Class() const override {
    static ClassInfo info("BrowseModelClient", &Object::StaticClass());
    static const bool once = [] {
      // Called from inside the server's broadcast: a failure while reading
      // is reported here, so that it neither reaches the caller that changed
      // the server nor keeps the other clients from being told.
      info.Method<Client>("Notify", [](Client& c, Args a) {
        const int code = a.empty() ? 0 : int(a[0].AsInteger());
        bool answer = true;
        GuardedCall([&] { answer = c.model_.Notify(code); });
        return Usual(answer);
      });
      // A server hands its errors to its first client; the model passes them
      // on to the next client that handles them, so registering the model
      // first does not take the errors away from a grid.
      info.Method<Client>("Error", [](Client& c, Args a) {
        c.PassOn(a);
        return Usual();
      });
      return true;
    }();
    (void)once;
    return info;
  }

 private:
  void PassOn(Args a) {
    const Usual error = a.empty() ? Usual() : a[0];
    if (model_.server_) {
      const std::vector<Object*> clients = model_.server_->Clients();
      auto it = std::find(clients.begin(), clients.end(), this);
      for (it = it == clients.end() ? it : it + 1; it != clients.end(); ++it) {
        if ((*it)->HasMethod(kError)) {
          (*it)->Send(kError, Args(&error, 1));
          return;
        }
      }
    }
    if (auto* e = dynamic_cast<kt::Error*>(error.AsObject())) Raise(ErrorRef(e));
  }

  BrowseModel& model_;
};

BrowseModel::BrowseModel(Ref<DataServer> server, Ref<DataServer> cursor, QObject* parent)
    : QAbstractTableModel(parent),
      server_(std::move(server)),
      cursor_(std::move(cursor)),
      client_(std::make_unique<Client>(*this)) {
  if (!cursor_) array_ = dynamic_cast<kArrayServer*>(server_.get());
  if (server_) server_->RegisterClient(client_.get());
  Reset();
}

BrowseModel::~BrowseModel() {
  if (server_) server_->UnRegisterClient(client_.get());
}

std::vector<QString> BrowseModel::ReadHeaders() const {
  std::vector<QString> headers;
  if (!server_) return headers;
  for (std::size_t i = 1; i <= server_->FCount(); ++i) {
    const Usual name = server_->FieldName(Usual(std::int64_t(i)));
    headers.push_back(name.IsString() ? QString::fromUtf8(name.AsStringView().data(), qsizetype(name.AsStringView().size()))
                                      : QString::number(i));
  }
  return headers;
}

void BrowseModel::Reset() {
  beginResetModel();
  headers_ = ReadHeaders();
  rows_ = ReadRows();
  cachedRow_ = -1;
  endResetModel();
}

void BrowseModel::Reload() {
  if (ReadHeaders() != headers_) {
    Reset();
    return;
  }
  Take(ReadRows());
}

BrowseModel::Rows BrowseModel::ReadRows() const {
  Rows rows;
  if (array_) {
    rows.changes = array_->ChangeCount();
    if (!array_->Used()) return rows;
    // Natural order with nothing hidden needs no list: row n is record n.
    // An order without hidden records is read from the order itself.
    if (array_->HidesRecords()) {
      rows.listed = true;
      rows.records = array_->VisibleRecords();
      rows.count = int(std::min(rows.records.size(), kMaxRows));
    } else {
      rows.count = int(std::min(array_->RowCount(), kMaxRows));
    }
    return rows;
  }
  if (!cursor_ || !cursor_->Used()) return rows;
  // A cursor can only tell its rows by walking them.
  std::size_t n = 0;
  for (cursor_->GoTop(); !cursor_->EoF() && n < kMaxRows; ++n)
    if (!cursor_->Skip(1)) break;
  rows.count = int(n);
  return rows;
}

void BrowseModel::Take(Rows rows) {
  if (rows.count != rows_.count) {
    beginResetModel();
    rows_ = std::move(rows);
    cachedRow_ = -1;
    endResetModel();
    return;
  }
  rows_ = std::move(rows);
  cachedRow_ = -1;
  if (rows_.count > 0 && !headers_.empty())
    emit dataChanged(index(0, 0), index(rows_.count - 1, int(headers_.size()) - 1), {Qt::DisplayRole});
}

bool BrowseModel::Notify(int code) {
  switch (code) {
    case notify::IntentToMove:
      return true;  // the model never holds anything that could refuse
    case notify::Close:
      Take(Rows{});
      return true;
    default:
      break;
  }
  if (array_) {
    // Moves change nothing the model shows; any other change counts, except
    // the edit of the current record announced by this very notification.
    // The count also moves when a client told earlier has taken the server
    // off the edited record, so the current record is the edited one here.
    if (array_->ChangeCount() != rows_.changes) Reload();
    else if (code == notify::FieldChange) CurrentRecordEdited();
    return true;
  }
  switch (code) {
    case notify::Delete:
    case notify::Append:
    case notify::FileChange:
      Reload();
      break;
    case notify::FieldChange:
    case notify::Completed:
    case notify::RecordChange: {
      // Values may have changed (an edit, a commit on the way); the rows stay.
      Rows same = rows_;
      Take(std::move(same));
      break;
    }
    default:
      break;
  }
  return true;
}

void BrowseModel::CurrentRecordEdited() {
  const std::int64_t rec = array_->RecNo();
  // An edit at the end of file is no row (and is dropped on commit).
  if (array_->EoF() || rec < 1 || rec > array_->LastRec()) return;
  const int lastColumn = int(headers_.size()) - 1;
  if (!rows_.listed) {
    // Nothing hidden: the rows are read from the data or the order itself.
    const int count = int(std::min(array_->RowCount(), kMaxRows));
    if (count != rows_.count) {
      Take(ReadRows());  // the record left or joined an order's FOR condition
      return;
    }
    if (count == 0 || lastColumn < 0) return;
    if (array_->IndexOrd() == 0) {
      emit dataChanged(index(int(rec - 1), 0), index(int(rec - 1), lastColumn), {Qt::DisplayRole});
      return;
    }
    // A new key may have moved the record: the rows between its old and new
    // place show other records now.
    emit dataChanged(index(0, 0), index(count - 1, lastColumn), {Qt::DisplayRole});
    return;
  }

  // The listed rows stand in the order's key positions (record numbers in
  // natural order). Only the edited record may be out of place now.
  std::vector<std::int64_t>& records = rows_.records;
  const std::size_t order = std::size_t(array_->IndexOrd());
  const auto place = [&](std::int64_t r) {
    return order ? array_->OrderKeyNoToRecord(order, r) : std::size_t(r);
  };
  const bool shown = array_->ShowsRecord(rec);
  const std::size_t target = shown ? place(rec) : 0;
  // The first index whose record does not stand before `p`.
  const auto lowerBound = [&](std::size_t p) {
    std::size_t lo = 0, hi = records.size();
    while (lo < hi) {
      const std::size_t mid = lo + (hi - lo) / 2;
      if (place(records[mid]) < p) lo = mid + 1;
      else hi = mid;
    }
    return lo;
  };
  const auto inPlace = [&](std::size_t i) {
    return (i == 0 || place(records[i - 1]) < target) && (i + 1 == records.size() || place(records[i + 1]) > target);
  };

  std::size_t old = kNoRow;
  if (rows_.editedRecord == rec && (rows_.editedIndex == kNoRow || rows_.editedIndex < records.size())) {
    old = rows_.editedIndex;
  } else {
    const std::size_t at = lowerBound(shown ? target : place(rec));
    if (at < records.size() && records[at] == rec) {
      old = at;
    } else if (order) {
      // Moved in the order or not a row before: only a search can tell.
      const auto it = std::find(records.begin(), records.end(), rec);
      if (it != records.end()) old = std::size_t(it - records.begin());
    }
  }
  rows_.editedRecord = rec;
  if (old != kNoRow && shown && inPlace(old)) {
    rows_.editedIndex = old;
    if (lastColumn >= 0) emit dataChanged(index(int(old), 0), index(int(old), lastColumn), {Qt::DisplayRole});
    return;
  }
  if (old != kNoRow) {
    beginRemoveRows(QModelIndex(), int(old), int(old));
    records.erase(records.begin() + std::ptrdiff_t(old));
    rows_.count = int(records.size());
    endRemoveRows();
  }
  rows_.editedIndex = kNoRow;
  if (shown && records.size() < kMaxRows) {
    const std::size_t at = lowerBound(target);
    beginInsertRows(QModelIndex(), int(at), int(at));
    records.insert(records.begin() + std::ptrdiff_t(at), rec);
    rows_.count = int(records.size());
    endInsertRows();
    rows_.editedIndex = at;
  }
}

int BrowseModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_.count; }
int BrowseModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(headers_.size()); }

bool BrowseModel::Fetch(int row) const {
  if (row == cachedRow_) return true;
  if (!cursor_ || row < 0 || row >= rows_.count) return false;
  // From the last record read when it is near, else from the top.
  if (cachedRow_ >= 0 && std::abs(row - cachedRow_) < row) {
    cursor_->GoTo(cachedRecNo_);
    cursor_->Skip(row - cachedRow_);
  } else {
    cursor_->GoTop();
    if (row > 0) cursor_->Skip(row);
  }
  if (cursor_->EoF()) return false;
  values_.resize(headers_.size());
  for (std::size_t i = 0; i < values_.size(); ++i) values_[i] = ToVariant(cursor_->FieldGet(Usual(std::int64_t(i + 1))));
  cachedRow_ = row;
  cachedRecNo_ = cursor_->RecNo();
  return true;
}

QVariant BrowseModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rows_.count ||
      index.column() >= int(headers_.size()))
    return {};
  if (array_) {
    const std::size_t row = std::size_t(index.row());
    const std::int64_t recNo = rows_.listed ? (row < rows_.records.size() ? rows_.records[row] : 0)
                                            : array_->RowRecord(row + 1);
    return ToVariant(array_->FieldGetAt(recNo, std::size_t(index.column()) + 1));
  }
  if (!Fetch(index.row())) return {};
  return values_[std::size_t(index.column())];
}

QVariant BrowseModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal)
    return section >= 0 && section < int(headers_.size()) ? QVariant(headers_[std::size_t(section)]) : QVariant();
  return section + 1;
}

}  // namespace kt
