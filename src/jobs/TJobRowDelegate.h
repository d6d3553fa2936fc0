// Paints one cell of a job row: the check box of the first column and the cell's text on one
// line, elided at its end; the row's background is painted by the view.
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
};

}  // namespace qarvo
