#include "jobs/TJobListModel.h"

#include <QColor>

namespace qarvo {
namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

Qt::Alignment AlignmentOf(TColumnAlignment alignment) {
  switch (alignment) {
    case TColumnAlignment::Right:
      return Qt::AlignRight | Qt::AlignVCenter;
    case TColumnAlignment::Center:
      return Qt::AlignCenter;
    case TColumnAlignment::Left:
      break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace

TJobListModel::TJobListModel(QObject* parent) : QAbstractTableModel(parent) {}

int TJobListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : list_.Count();
}

int TJobListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(kJobColumns.size());
}

QVariant TJobListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= list_.Count()) return {};
  const int row = index.row();
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
      return Text(list_.Cell(row, column));
    case Qt::ToolTipRole: {
      const std::string tip = list_.ToolTip(row, column);
      return tip.empty() ? QVariant() : QVariant(Text(tip));
    }
    case Qt::CheckStateRole:
      if (column != kColSource) return {};
      return list_.Rows()[row].Checked ? Qt::Checked : Qt::Unchecked;
    case Qt::TextAlignmentRole:
      return static_cast<int>(AlignmentOf(kJobColumns[column].Alignment));
    case Qt::BackgroundRole:
      return QColor::fromRgb(JobRowBackground(row, schemeIndex_));
    default:
      return {};
  }
}

bool TJobListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::CheckStateRole || index.column() != kColSource) return false;
  list_.SetChecked(index.row(), value.toInt() == Qt::Checked);
  RowChanged(index.row());
  emit JobsChanged();
  return true;
}

QVariant TJobListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  if (role == Qt::DisplayRole) return QString::fromLatin1(kJobColumns[section].Caption);
  // Captions start at the left, so one wider than its column is cut at its end.
  if (role == Qt::TextAlignmentRole) return static_cast<int>(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

Qt::ItemFlags TJobListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::ItemIsDropEnabled;
  Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.column() == kColSource) result |= Qt::ItemIsUserCheckable;
  return result;
}

TAddResult TJobListModel::Add(const QStringList& files, IJobProber& prober, TIniFile& settings,
                              const TIniFile& definitions) {
  std::vector<std::string> paths;
  paths.reserve(files.size());
  for (const QString& file : files) paths.push_back(file.toStdString());
  // Probing may let events through; the rows appear only once they are complete.
  std::vector<TJobRow> newRows;
  TAddResult result = list_.ProbeFiles(paths, prober, settings, definitions, newRows);
  Append(std::move(newRows), settings, definitions);
  return result;
}

void TJobListModel::Append(std::vector<TJobRow> newRows, TIniFile& settings,
                           const TIniFile& definitions) {
  if (newRows.empty()) return;
  const int first = list_.Count();
  beginInsertRows({}, first, first + static_cast<int>(newRows.size()) - 1);
  list_.Append(std::move(newRows), settings, definitions);
  endInsertRows();
  if (first > 0) emit dataChanged(index(0, kColDestination), index(first - 1, kColDestination));
  emit SelectionMoved(list_.Selected());
  emit JobsChanged();
}

bool TJobListModel::Remove() {
  const int row = list_.Selected();
  if (row < 0) return false;
  beginRemoveRows({}, row, row);
  list_.Remove();
  endRemoveRows();
  emit SelectionMoved(list_.Selected());
  emit JobsChanged();
  return true;
}

bool TJobListModel::Clear(IJobProber& prober) {
  if (list_.Empty()) return false;
  beginResetModel();
  list_.Clear(prober);
  endResetModel();
  emit SelectionMoved(-1);
  emit JobsChanged();
  return true;
}

void TJobListModel::CheckAll(bool checked) {
  list_.CheckAll(checked);
  AllRowsChanged();
}

void TJobListModel::ReverseCheck() {
  list_.ReverseCheck();
  AllRowsChanged();
}

bool TJobListModel::CheckSelected(bool checked) {
  if (!list_.CheckSelected(checked)) return false;
  RowChanged(list_.Selected());
  emit JobsChanged();
  return true;
}

bool TJobListModel::ToggleSelected() {
  if (!list_.ToggleSelected()) return false;
  RowChanged(list_.Selected());
  emit JobsChanged();
  return true;
}

void TJobListModel::RefreshDestinations(TIniFile& settings, const TIniFile& definitions) {
  list_.RefreshDestinations(settings, definitions);
  if (!list_.Empty())
    emit dataChanged(index(0, kColDestination), index(list_.Count() - 1, kColDestination));
}

void TJobListModel::RowChanged(int row) {
  if (row < 0 || row >= list_.Count()) return;
  emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void TJobListModel::SetSchemeIndex(int index) {
  if (index == schemeIndex_) return;
  schemeIndex_ = index;
  if (!list_.Empty())
    emit dataChanged(this->index(0, 0), this->index(list_.Count() - 1, columnCount() - 1));
}

void TJobListModel::AllRowsChanged() {
  if (list_.Empty()) return;
  emit dataChanged(index(0, 0), index(list_.Count() - 1, columnCount() - 1));
  emit JobsChanged();
}

}  // namespace qarvo
