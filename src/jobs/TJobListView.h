// The job list on screen (`lvFiles`): whole-row single selection that stays visible without
// the focus, rows painted by the list rules, files and folders taken by drag and drop, the
// Delete and Space keys, and a hint while it is empty.
#pragma once

#include <QStringList>
#include <QTreeView>

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

 private:
  void CreateColumns();
  void SelectRow(int row);
  void CurrentRowChanged(const QModelIndex& current);

  TJobListModel* model_ = nullptr;
};

}  // namespace qarvo
