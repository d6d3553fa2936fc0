#include "profiles/TFormatRowDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

#include "profiles/CategoryIcons.h"
#include "profiles/TFormatListModel.h"

namespace qarvo {

int TFormatRowDelegate::RowHeight(const QFontMetrics& metrics) {
  return std::max(20, metrics.height() + 6);
}

QSize TFormatRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
  QFont font = option.font;
  font.setBold(index.data(TFormatListModel::IsCategoryRole).toBool());
  const QFontMetrics metrics(font);
  const int indent =
      index.data(TFormatListModel::IsCategoryRole).toBool() ? kCategoryTextX : kFormatTextIndent;
  return {indent + metrics.horizontalAdvance(index.data().toString()) + 8, RowHeight(metrics)};
}

void TFormatRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
  const QRect row = option.rect;
  const QPalette& palette = option.palette;
  const bool highlighted = option.state & QStyle::State_Selected;
  painter->save();
  painter->fillRect(row, palette.color(QPalette::Base));
  if (highlighted) {
    painter->fillRect(row.adjusted(2, 2, -2, -2), palette.color(QPalette::Highlight));
    painter->setPen(palette.color(QPalette::Highlight).darker(125));
    painter->drawRect(row.adjusted(1, 1, -2, -2));
  }
  const QColor text = palette.color(highlighted ? QPalette::HighlightedText : QPalette::Text);
  const bool category = index.data(TFormatListModel::IsCategoryRole).toBool();
  QFont font = option.font;
  font.setBold(category);
  painter->setFont(font);
  painter->setPen(text);
  int x = row.left() + kFormatTextIndent;
  if (category) {
    PaintGlyph(painter, QRect(row.left(), row.top(), kCategoryIconX, row.height()),
               index.data(TFormatListModel::CollapsedRole).toBool(), text);
    const QPixmap& icon = Icon(index.data(TFormatListModel::CodeRole).toInt(),
                               index.data().toString(), painter->device()->devicePixelRatioF());
    painter->drawPixmap(row.left() + kCategoryIconX,
                        row.top() + (row.height() - kCategoryIconSize) / 2, icon);
    x = row.left() + kCategoryTextX;
  }
  const QRect textArea(x, row.top(), row.right() - x - 3, row.height());
  const QString elided =
      QFontMetrics(font).elidedText(index.data().toString(), Qt::ElideRight, textArea.width());
  painter->drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, elided);
  painter->restore();
}

void TFormatRowDelegate::PaintGlyph(QPainter* painter, const QRect& area, bool collapsed,
                                    const QColor& colour) const {
  const QPointF centre = QRectF(area).center();
  QPainterPath triangle;
  if (collapsed) {
    triangle.moveTo(centre + QPointF(-2.5, -4.5));
    triangle.lineTo(centre + QPointF(3, 0));
    triangle.lineTo(centre + QPointF(-2.5, 4.5));
  } else {
    triangle.moveTo(centre + QPointF(-4.5, -2.5));
    triangle.lineTo(centre + QPointF(4.5, -2.5));
    triangle.lineTo(centre + QPointF(0, 3));
  }
  triangle.closeSubpath();
  painter->setRenderHint(QPainter::Antialiasing);
  painter->fillPath(triangle, colour);
}

const QPixmap& TFormatRowDelegate::Icon(int number, const QString& name,
                                        qreal devicePixelRatio) const {
  auto found = icons_.find(number);
  if (found == icons_.end() || found->devicePixelRatio() != devicePixelRatio)
    found = icons_.insert(number, CategoryIcon(number, name, devicePixelRatio));
  return *found;
}

}  // namespace qarvo
