#include "jobs/TJobListView.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

#include "core/JobList.h"
#include "jobs/TJobListModel.h"
#include "jobs/TJobRowDelegate.h"

namespace qarvo {
namespace {

QColor Colour(uint32_t rgb) { return QColor::fromRgb(rgb); }

QStringList LocalPaths(const QMimeData* mime) {
  QStringList paths;
  if (!mime || !mime->hasUrls()) return paths;
  for (const QUrl& url : mime->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  return paths;
}

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
}

void TJobListView::SetJobModel(TJobListModel* model) {
  model_ = model;
  setModel(model);
  CreateColumns();
  connect(model, &QAbstractItemModel::modelReset, this, [this] {
    // The columns are made again when the list refills, with their widths.
    CreateColumns();
    SelectRow(model_->List().Selected());
  });
  connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first) {
    // The first rows of an empty list get the columns made again.
    if (first == 0) CreateColumns();
  });
  connect(model, &TJobListModel::SelectionMoved, this, &TJobListView::SelectRow);
  connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) { CurrentRowChanged(current); });
}

void TJobListView::CreateColumns() {
  for (int column = 0; column < static_cast<int>(kJobColumns.size()); ++column)
    header()->resizeSection(column, kJobColumns[column].Width);
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
  if (LocalPaths(event->mimeData()).isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

void TJobListView::dragMoveEvent(QDragMoveEvent* event) {
  if (LocalPaths(event->mimeData()).isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

void TJobListView::dropEvent(QDropEvent* event) {
  const QStringList paths = LocalPaths(event->mimeData());
  if (paths.isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  DropPaths(paths);
}

void TJobListView::DropPaths(const QStringList& paths) {
  std::vector<std::string> dropped;
  for (const QString& path : paths) dropped.push_back(path.toStdString());
  QStringList files;
  for (const std::string& file : ExpandDroppedPaths(dropped)) files << QString::fromStdString(file);
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
