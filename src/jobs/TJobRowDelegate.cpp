#include "jobs/TJobRowDelegate.h"

#include <QMouseEvent>
#include <QPainter>

#include "core/JobList.h"

namespace qarvo {
namespace {

constexpr int kCheckBoxWidth = 16;
constexpr int kTextInset = 3;

void DrawCheckBox(QPainter& painter, const QRect& cell, bool checked) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(QPen(Qt::black, 2));
  painter.setBrush(Qt::NoBrush);
  const int left = cell.left();
  const int top = cell.top();
  painter.drawRect(QRect(QPoint(left + 2, top + 2), QPoint(left + 14, cell.bottom() - 2)));
  if (checked) {
    const QPoint tick[] = {{left + 4, top + 6}, {left + 6, top + 11}, {left + 11, top + 5}};
    painter.drawPolyline(tick, 3);
  }
  painter.restore();
}

}  // namespace

QString TJobRowDelegate::ElidedPath(const QFontMetrics& metrics, const QString& path, int width) {
  if (metrics.horizontalAdvance(path) <= width) return path;
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  const QString name = path.mid(slash + 1);
  const int nameWidth = metrics.horizontalAdvance(name);
  const QString ellipsis(QChar(0x2026));
  if (slash >= 0 && nameWidth + metrics.horizontalAdvance(ellipsis + QLatin1Char('/')) <= width) {
    const QString folder = path.left(slash + 1);  // with its slash, so the name keeps it
    return metrics.elidedText(folder, Qt::ElideMiddle, width - nameWidth) + name;
  }
  return metrics.elidedText(name, Qt::ElideMiddle, width);
}

QRect TJobRowDelegate::CheckBoxRect(const QRect& cell) {
  return QRect(cell.left(), cell.top(), kCheckBoxWidth, cell.height());
}

void TJobRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
  QRect textRect = option.rect.adjusted(kTextInset, 0, -kTextInset, 0);
  if (index.column() == kColSource) {
    DrawCheckBox(*painter, option.rect, index.data(Qt::CheckStateRole).toInt() == Qt::Checked);
    textRect.setLeft(option.rect.left() + kCheckBoxWidth + kTextInset);
  }
  const QString text = index.data(Qt::DisplayRole).toString();
  const auto alignment = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt());
  const bool path = index.column() == kColSource || index.column() == kColDestination;
  const QString shown = path
                            ? ElidedPath(option.fontMetrics, text, textRect.width())
                            : option.fontMetrics.elidedText(text, Qt::ElideRight, textRect.width());
  painter->save();
  // The row colours are always light, whatever the scheme's window colour.
  painter->setPen(option.palette.color(QPalette::Active, QPalette::Text));
  painter->drawText(textRect, int(alignment | Qt::AlignVCenter) | Qt::TextSingleLine, shown);
  painter->restore();
}

QSize TJobRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
  QSize size = QStyledItemDelegate::sizeHint(option, index);
  size.setHeight(std::max(size.height(), 18));
  return size;
}

bool TJobRowDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                  const QStyleOptionViewItem& option, const QModelIndex& index) {
  if (index.column() != kColSource || event->type() != QEvent::MouseButtonRelease) return false;
  const auto* mouse = static_cast<QMouseEvent*>(event);
  if (mouse->button() != Qt::LeftButton ||
      !CheckBoxRect(option.rect).contains(mouse->position().toPoint()))
    return false;
  const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
  return model->setData(index, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

}  // namespace qarvo
