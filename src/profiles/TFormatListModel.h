// The selector's rows (TFormatList) as a Qt list model for the drop-down list.
#pragma once

#include <QAbstractListModel>

#include "core/FormatList.h"

namespace qarvo {

class TFormatListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  enum TRole { IsCategoryRole = Qt::UserRole + 1, CollapsedRole, CodeRole };

  explicit TFormatListModel(const TFormatList& list, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  // The rows changed in the list (build, expand, collapse).
  void Refresh();

 private:
  const TFormatList& list_;
};

}  // namespace qarvo
