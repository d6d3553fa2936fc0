// Paints one cell of a job row: the check box of the first column and the cell's text on one
// line; paths and file names are shortened in their middle so the file name stays in view,
// other texts at their end. The row's background is painted by the view.
#pragma once

#include <QStyledItemDelegate>

namespace qarvo {

class TJobRowDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

  // Where the check box of a row drawn in `cell` lies; clicks inside toggle it.
  static QRect CheckBoxRect(const QRect& cell);
  // A path made to fit `width`: whole when it fits; else its folder shortened in the middle
  // before the whole file name; else the file name itself shortened in the middle.
  static QString ElidedPath(const QFontMetrics& metrics, const QString& path, int width);
};

}  // namespace qarvo
