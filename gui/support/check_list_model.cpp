#include "gui/support/check_list_model.h"

namespace vorlisk::window {

CheckListModel::CheckListModel(const CheckRows& list, CheckFunction check, QObject* parent)
    : QAbstractListModel(parent), list_(list), check_(std::move(check)), count_(list.Count()) {}

int CheckListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : count_;
}

QVariant CheckListModel::data(const QModelIndex& index, int role) const {
  const int row = index.row();
  if (!index.isValid() || row >= count_ || row >= list_.Count()) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return QString::fromStdString(list_.Text(row));
    case Qt::CheckStateRole:
      return list_.Checked(row) ? Qt::Checked : Qt::Unchecked;
    case Qt::ForegroundRole:
      if (colour_)
        if (const auto colour = colour_(row)) return *colour;
      return {};
    default:
      return {};
  }
}

bool CheckListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::CheckStateRole || !check_) return false;
  check_(index.row(), value.toInt() == Qt::Checked);
  return true;
}

Qt::ItemFlags CheckListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (check_) f |= Qt::ItemIsUserCheckable;
  return f;
}

void CheckListModel::Reset() {
  beginResetModel();
  count_ = list_.Count();
  endResetModel();
}

void CheckListModel::Changed(int32_t first, int32_t last) {
  if (count_ == 0) return;
  emit dataChanged(index(first), index(std::min(last, count_ - 1)));
}

void CheckListModel::Inserted(int32_t first, int32_t last) {
  beginInsertRows(QModelIndex(), first, last);
  count_ = list_.Count();
  endInsertRows();
}

void CheckListModel::Removed(int32_t first, int32_t last) {
  beginRemoveRows(QModelIndex(), first, last);
  count_ = list_.Count();
  endRemoveRows();
}

void CheckListModel::Moved(int32_t from, int32_t to) {
  // Qt numbers the destination as before the move: one further down when moving down.
  if (!beginMoveRows(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to)) {
    Reset();
    return;
  }
  endMoveRows();
}

}  // namespace vorlisk::window
