// Draws the rows of the format list: category rows bold with their collapse glyph and
// picture, format rows indented; the highlighted row filled and framed in the scheme's
// highlight colour.
#pragma once

#include <QHash>
#include <QPixmap>
#include <QStyledItemDelegate>

namespace qarvo {

class TFormatRowDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  // Row height: 20 pixels, more when the font needs it.
  static int RowHeight(const QFontMetrics& metrics);

 private:
  void PaintGlyph(QPainter* painter, const QRect& area, bool collapsed, const QColor& colour) const;
  const QPixmap& Icon(int number, const QString& name, qreal devicePixelRatio) const;

  mutable QHash<int, QPixmap> icons_;
};

// Left edge of a format row's text and of a category row's picture and name.
inline constexpr int kFormatTextIndent = 25;
inline constexpr int kCategoryIconX = 20;
inline constexpr int kCategoryTextX = 45;

}  // namespace qarvo
