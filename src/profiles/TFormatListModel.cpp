#include "profiles/TFormatListModel.h"

namespace qarvo {

TFormatListModel::TFormatListModel(const TFormatList& list, QObject* parent)
    : QAbstractListModel(parent), list_(list) {}

int TFormatListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(list_.Rows().size());
}

QVariant TFormatListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const TFormatRow& row = list_.Rows()[index.row()];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return QString::fromStdString(row.Text);
    case IsCategoryRole:
      return row.Info.IsCategory != 0;
    case CollapsedRole:
      return row.Info.Collapsed;
    case CodeRole:
      return row.Info.Code;
    default:
      return {};
  }
}

void TFormatListModel::Refresh() {
  beginResetModel();
  endResetModel();
}

}  // namespace qarvo
