// The job list as a Qt table: five columns, a check box in front of each row, colours and
// tooltips from the list rules. Every command goes through here so the view hears of it.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include "core/JobList.h"

namespace qarvo {

class TJobListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit TJobListModel(QObject* parent = nullptr);

  TJobList& List() { return list_; }
  const TJobList& List() const { return list_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // The commands; each tells the views what changed and leaves the list's selection set.
  TAddResult Add(const QStringList& files, IJobProber& prober, TIniFile& settings,
                 const TIniFile& definitions);
  // Appends rows made elsewhere (a background Add), telling the views.
  void Append(std::vector<TJobRow> newRows, TIniFile& settings, const TIniFile& definitions);
  bool Remove();
  bool Clear(IJobProber& prober);
  void CheckAll(bool checked);
  void ReverseCheck();
  bool CheckSelected(bool checked);
  bool ToggleSelected();
  void RefreshDestinations(TIniFile& settings, const TIniFile& definitions);

  // Row `row` was changed from outside (the run's progress column).
  void RowChanged(int row);
  // The scheme whose odd-row colour the rows take.
  void SetSchemeIndex(int index);

 signals:
  // The list's selection moved (Add, Remove, Clear).
  void SelectionMoved(int row);
  // Checks or rows changed: totals shown elsewhere need a refresh.
  void JobsChanged();

 private:
  void AllRowsChanged();

  TJobList list_;
  int schemeIndex_ = 0;
};

}  // namespace qarvo
