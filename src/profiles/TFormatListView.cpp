#include "profiles/TFormatListView.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace qarvo {

TFormatListView::TFormatListView(QWidget* parent) : QListView(parent) {
  setMouseTracking(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setUniformItemSizes(true);
  setFrameShape(QFrame::NoFrame);
}

void TFormatListView::mouseMoveEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  if (index.isValid() && index != currentIndex()) setCurrentIndex(index);
}

void TFormatListView::mousePressEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  if (event->button() != Qt::LeftButton || !index.isValid()) return;
  setCurrentIndex(index);
  emit RowPressed(index.row(), event->position().toPoint().x() - visualRect(index).left());
}

void TFormatListView::mouseReleaseEvent(QMouseEvent*) {}

void TFormatListView::mouseDoubleClickEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  if (event->button() != Qt::LeftButton || !index.isValid()) return;
  emit RowDoubleClicked(index.row(), event->position().toPoint().x() - visualRect(index).left());
}

void TFormatListView::keyPressEvent(QKeyEvent* event) {
  const QModelIndex index = currentIndex();
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      if (index.isValid()) emit RowActivated(index.row());
      return;
    case Qt::Key_Right:
    case Qt::Key_Left:
      if (index.isValid()) emit CategoryKey(index.row(), event->key() == Qt::Key_Right);
      return;
    default:
      QListView::keyPressEvent(event);
  }
}

}  // namespace qarvo
