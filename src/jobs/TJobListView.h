// The job list on screen (`lvFiles`): whole-row single selection that stays visible without
// the focus, rows painted by the list rules, files and folders taken by drag and drop, the
// Delete and Space keys, and a hint while it is empty. The "Source" and "Destination File"
// columns share the width the others leave; every column is wide enough for its caption.
#pragma once

#include <QStringList>
#include <QTreeView>
#include <vector>

namespace qarvo {

class TJobListModel;

class TJobListView : public QTreeView {
  Q_OBJECT

 public:
  explicit TJobListView(QWidget* parent = nullptr);

  void SetJobModel(TJobListModel* model);
  TJobListModel* JobModel() const { return model_; }

  // The drop handler: what a drop of these local paths adds (folders expanded).
  void DropPaths(const QStringList& paths);

  static QString EmptyHint();

  // The columns' widths, to be kept between starts; and setting them back (a list of the
  // wrong length, or a width below a column's caption, falls back to that column's own).
  std::vector<int> ColumnWidths() const;
  void SetColumnWidths(const std::vector<int>& widths);
  // The narrowest a column may be: its caption whole.
  int MinimumColumnWidth(int column) const;

 signals:
  void FilesDropped(const QStringList& files);
  void DeletePressed();

 protected:
  void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  void CreateColumns();
  // The path columns take the viewport's width the other columns leave, shared as their
  // widths stand; `kept` (a path column the user just sized) keeps its width.
  void FitColumns(int kept = -1);
  void ColumnResized(int column);
  void SelectRow(int row);
  void CurrentRowChanged(const QModelIndex& current);

  TJobListModel* model_ = nullptr;
  std::vector<int> widths_;  // the columns' widths as last set or kept
  bool fitting_ = false;
};

}  // namespace qarvo
