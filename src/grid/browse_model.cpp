// BrowseModel: a DataServer behind a QAbstractTableModel.
#include "grid/browse_model.h"

#include <limits>

#include "platform/runtime/convert.h"

namespace kt {
namespace {

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

// Notifications stay with the model while it walks the server.
struct Quiet {
  DataServer& s;
  std::int64_t recNo;
  bool eof;
  explicit Quiet(DataServer& server) : s(server), recNo(server.RecNo()), eof(server.EoF()) { s.SuspendNotification(); }
  ~Quiet() {
    if (s.RecNo() != recNo || s.EoF() != eof) s.GoTo(eof ? s.LastRec() + 1 : recNo);
    s.ResetNotification();
  }
};

}  // namespace

BrowseModel::BrowseModel(Ref<DataServer> server, QObject* parent)
    : QAbstractTableModel(parent), server_(std::move(server)) {
  Reset();
}

void BrowseModel::Reset() {
  beginResetModel();
  headers_.clear();
  rows_ = 0;
  if (server_) {
    // A view cannot show more rows than an int counts.
    rows_ = int(std::min<std::int64_t>(server_->LastRec(), std::numeric_limits<int>::max()));
    for (std::size_t i = 1; i <= server_->FCount(); ++i) {
      const Usual name = server_->FieldName(Usual(std::int64_t(i)));
      headers_.push_back(name.IsString() ? QString::fromUtf8(name.AsStringView().data(), qsizetype(name.AsStringView().size()))
                                         : QString::number(i));
    }
  }
  cachedRow_ = -1;
  endResetModel();
}

int BrowseModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }
int BrowseModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(headers_.size()); }

bool BrowseModel::Fetch(int row) const {
  if (row == cachedRow_) return true;
  if (!server_ || row < 0 || row >= rows_) return false;
  Quiet quiet(*server_);
  // From the last record read when it is near, else from the top.
  if (cachedRow_ >= 0 && std::abs(row - cachedRow_) < row) {
    server_->GoTo(cachedRecNo_);
    server_->Skip(row - cachedRow_);
  } else {
    server_->GoTop();
    if (row > 0) server_->Skip(row);
  }
  if (server_->EoF()) return false;
  values_.resize(headers_.size());
  for (std::size_t i = 0; i < values_.size(); ++i) values_[i] = ToVariant(server_->FieldGet(Usual(std::int64_t(i + 1))));
  cachedRow_ = row;
  cachedRecNo_ = server_->RecNo();
  return true;
}

QVariant BrowseModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || !Fetch(index.row())) return {};
  return values_[std::size_t(index.column())];
}

QVariant BrowseModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal)
    return section >= 0 && section < int(headers_.size()) ? QVariant(headers_[std::size_t(section)]) : QVariant();
  return section + 1;
}

}  // namespace kt
