#include "jobs/TJobListView.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "core/JobList.h"
#include "jobs/PathText.h"
#include "jobs/TJobListModel.h"
#include "jobs/TJobRowDelegate.h"

namespace qarvo {
namespace {

QColor Colour(uint32_t rgb) { return QColor::fromRgb(rgb); }

}  // namespace

TJobListView::TJobListView(QWidget* parent) : QTreeView(parent) {
  setObjectName(QStringLiteral("lvFiles"));
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSortingEnabled(false);
  setTextElideMode(Qt::ElideRight);
  setContextMenuPolicy(Qt::CustomContextMenu);
  setAcceptDrops(true);
  setDropIndicatorShown(false);
  setDragDropMode(QAbstractItemView::DropOnly);
  setItemDelegate(new TJobRowDelegate(this));
  header()->setSectionsMovable(false);
  header()->setStretchLastSection(false);
  header()->setSectionsClickable(false);
  connect(header(), &QHeaderView::sectionResized, this,
          [this](int column) { ColumnResized(column); });
}

void TJobListView::SetJobModel(TJobListModel* model) {
  model_ = model;
  setModel(model);
  CreateColumns();
  connect(model, &QAbstractItemModel::modelReset, this,
          [this] { SelectRow(model_->List().Selected()); });
  connect(model, &TJobListModel::SelectionMoved, this, &TJobListView::SelectRow);
  connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) { CurrentRowChanged(current); });
}

int TJobListView::MinimumColumnWidth(int column) const { return header()->sectionSizeHint(column); }

std::vector<int> TJobListView::ColumnWidths() const {
  std::vector<int> widths;
  widths.reserve(kJobColumns.size());
  for (int column = 0; column < static_cast<int>(kJobColumns.size()); ++column)
    widths.push_back(header()->sectionSize(column));
  return widths;
}

void TJobListView::SetColumnWidths(const std::vector<int>& widths) {
  widths_ = widths;
  CreateColumns();
}

// The widths kept (or the first ones), each at least its caption's.
void TJobListView::CreateColumns() {
  const int count = static_cast<int>(kJobColumns.size());
  const bool kept = static_cast<int>(widths_.size()) == count;
  fitting_ = true;  // no column is the user's own choice here
  for (int column = 0; column < count; ++column)
    header()->resizeSection(column, std::max(kept ? widths_[column] : kJobColumns[column].Width,
                                             MinimumColumnWidth(column)));
  fitting_ = false;
  FitColumns();
}

void TJobListView::FitColumns(int kept) {
  const int available = viewport()->width();
  if (available <= 0 || !model() || fitting_) return;
  fitting_ = true;
  int fixed = 0;
  for (int column : {kColLength, kColTrimmed, kColProgress}) fixed += header()->sectionSize(column);
  const int spare = available - fixed;
  const int source = header()->sectionSize(kColSource);
  const int destination = header()->sectionSize(kColDestination);
  int newSource = source;
  if (kept == kColSource)
    newSource = source;
  else if (kept == kColDestination)
    newSource = spare - destination;
  else if (source + destination > 0)
    newSource =
        static_cast<int>(std::lround(static_cast<double>(spare) * source / (source + destination)));
  newSource = std::max(newSource, MinimumColumnWidth(kColSource));
  const int newDestination = kept == kColDestination
                                 ? destination
                                 : std::max(spare - newSource, MinimumColumnWidth(kColDestination));
  header()->resizeSection(kColSource, newSource);
  header()->resizeSection(kColDestination, newDestination);
  fitting_ = false;
  widths_ = ColumnWidths();
}

void TJobListView::ColumnResized(int column) {
  if (fitting_) return;
  FitColumns(column);
}

bool TJobListView::viewportEvent(QEvent* event) {
  const bool handled = QTreeView::viewportEvent(event);
  if (event->type() == QEvent::Resize) FitColumns();
  return handled;
}

void TJobListView::SelectRow(int row) {
  if (!model_) return;
  if (row < 0 || row >= model_->rowCount()) {
    selectionModel()->clearSelection();
    return;
  }
  const QModelIndex index = model_->index(row, 0);
  selectionModel()->setCurrentIndex(
      index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  scrollTo(index);
}

void TJobListView::CurrentRowChanged(const QModelIndex& current) {
  if (model_) model_->List().Select(current.isValid() ? current.row() : -1);
}

QString TJobListView::EmptyHint() {
  return tr("Drop video or audio files or folders here, or press Add");
}

void TJobListView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const {
  QRect row = option.rect;
  row.setLeft(0);
  row.setRight(viewport()->width() - 1);
  const bool focused = model_ && index.row() == model_->List().Selected();
  if (focused) {
    const TFocusColours colours = JobFocusColours(hasFocus());
    painter->fillRect(row, Colour(colours.Fill));
    painter->save();
    painter->setPen(QPen(Colour(colours.Frame), 1));
    painter->drawRect(row.adjusted(0, 0, -1, -1));
    painter->restore();
  } else {
    painter->fillRect(row, index.data(Qt::BackgroundRole).value<QColor>());
  }
  // The delegate paints the cells' content only; selection and focus are painted above.
  QStyleOptionViewItem plain = option;
  plain.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
  for (int column = 0; column < header()->count(); ++column) {
    const QModelIndex cell = index.siblingAtColumn(column);
    QStyleOptionViewItem cellOption = plain;
    cellOption.rect = QRect(columnViewportPosition(column), option.rect.top(),
                            header()->sectionSize(column), option.rect.height());
    itemDelegate()->paint(painter, cellOption, cell);
  }
}

void TJobListView::paintEvent(QPaintEvent* event) {
  QTreeView::paintEvent(event);
  if (model_ && model_->rowCount() > 0) return;
  QPainter painter(viewport());
  painter.setPen(palette().color(QPalette::PlaceholderText));
  painter.drawText(viewport()->rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap,
                   EmptyHint());
}

void TJobListView::keyPressEvent(QKeyEvent* event) {
  if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
    if (event->key() == Qt::Key_Delete) {
      emit DeletePressed();
      return;
    }
    if (event->key() == Qt::Key_Space) {
      if (model_) model_->ToggleSelected();
      return;
    }
  }
  QTreeView::keyPressEvent(event);
}

void TJobListView::dragEnterEvent(QDragEnterEvent* event) {
  if (DroppedLocalPaths(event->mimeData()).isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

void TJobListView::dragMoveEvent(QDragMoveEvent* event) {
  if (DroppedLocalPaths(event->mimeData()).isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

void TJobListView::dropEvent(QDropEvent* event) {
  const QStringList paths = DroppedLocalPaths(event->mimeData());
  if (paths.isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  DropPaths(paths);
}

void TJobListView::DropPaths(const QStringList& paths) {
  std::vector<std::string> dropped;
  for (const QString& path : paths) dropped.push_back(PathBytes(path));
  QStringList files;
  for (const std::string& file : ExpandDroppedPaths(dropped)) files << PathText(file);
  if (!files.isEmpty()) emit FilesDropped(files);
}

void TJobListView::focusInEvent(QFocusEvent* event) {
  QTreeView::focusInEvent(event);
  viewport()->update();  // the focused row's colours follow the list's focus
}

void TJobListView::focusOutEvent(QFocusEvent* event) {
  QTreeView::focusOutEvent(event);
  viewport()->update();
}

}  // namespace qarvo
