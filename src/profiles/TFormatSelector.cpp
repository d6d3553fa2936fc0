#include "profiles/TFormatSelector.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/FormatCatalogue.h"
#include "core/IniFile.h"
#include "core/SettingsKeys.h"
#include "profiles/TFormatListModel.h"
#include "profiles/TFormatListView.h"
#include "profiles/TFormatRowDelegate.h"

namespace qarvo {
namespace {

// Rows the list keeps even when the screen above the field has less room.
constexpr int kFewestRows = 6;

int StoredFormatCode(const TIniFile& settings) {
  return ParseIniInteger(settings.ReadString(settings::kSection, settings::kFormatCode,
                                             settings::kFormatCodeDefault))
      .value_or(settings::kFormatCodeDefaultInt);
}

}  // namespace

TFormatSelector::TFormatSelector(const TGlobalObject& global, QWidget* parent)
    : QWidget(parent), global_(global) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  edt1_ = new QLineEdit(this);
  edt1_->setObjectName("edt1");
  edt1_->setReadOnly(true);
  edt1_->setFocusPolicy(Qt::StrongFocus);
  edt1_->installEventFilter(this);
  imgbtn1_ = new QToolButton(this);
  imgbtn1_->setObjectName("imgbtn1");
  imgbtn1_->setArrowType(Qt::DownArrow);
  imgbtn1_->setFocusPolicy(Qt::NoFocus);
  imgbtn1_->setToolTip("Choose the output format");
  row->addWidget(edt1_, 1);
  row->addWidget(imgbtn1_);
  // Kept for the settings it restores and stores; it takes no part in choosing a format.
  cbOutputFormat_ = new QComboBox(this);
  cbOutputFormat_->setObjectName("cbOutputFormat");
  cbOutputFormat_->hide();
  for (const TCatalogueFormat& format : AllCatalogueFormats())
    cbOutputFormat_->addItem(QString::fromStdString(format.Name));
  connect(cbOutputFormat_, &QComboBox::activated, this, [this](int index) {
    TIniFile(global_.SettingsFile())
        .WriteInteger(settings::kSection, settings::kOutPutFormat, index);
  });

  popup_ = new QFrame(this, Qt::Popup);
  popup_->setObjectName("lst1Popup");
  popup_->setFrameShape(QFrame::Box);
  // A press outside closes the list and goes no further: a press on the drop button then
  // closes the list instead of opening it again.
  popup_->setAttribute(Qt::WA_NoMouseReplay);
  popup_->installEventFilter(this);
  auto* frame = new QVBoxLayout(popup_);
  frame->setContentsMargins(1, 1, 1, 1);
  lst1_ = new TFormatListView(popup_);
  lst1_->setObjectName("lst1");
  model_ = new TFormatListModel(rows_, lst1_);
  lst1_->setModel(model_);
  lst1_->setItemDelegate(new TFormatRowDelegate(lst1_));
  frame->addWidget(lst1_);
  popup_->setFocusProxy(lst1_);

  connect(imgbtn1_, &QToolButton::clicked, this, &TFormatSelector::ToggleList);
  connect(lst1_, &TFormatListView::RowPressed, this, &TFormatSelector::OnRowPressed);
  connect(lst1_, &TFormatListView::RowDoubleClicked, this, &TFormatSelector::OnRowDoubleClicked);
  connect(lst1_, &TFormatListView::RowActivated, this, &TFormatSelector::OnRowActivated);
  connect(lst1_, &TFormatListView::CategoryKey, this, &TFormatSelector::OnCategoryKey);
}

TFormatSelector::~TFormatSelector() = default;

void TFormatSelector::Build() {
  HideList();
  const TIniFile settings(global_.SettingsFile());
  const std::string field = rows_.BuildFormatList(settings);
  currentCode_ = StoredFormatCode(settings);
  edt1_->setText(QString::fromStdString(field));
  edt1_->setToolTip(edt1_->text());
  edt1_->setCursorPosition(0);
  cbOutputFormat_->setCurrentIndex(settings.ReadInteger(settings::kSection, settings::kOutPutFormat,
                                                        settings::kOutPutFormatDefault));
  RefreshRows(rows_.SelectedRow().value_or(-1));
  emit FormatChanged(currentCode_);
}

void TFormatSelector::SaveCollapseState() {
  TIniFile settings(global_.SettingsFile());
  rows_.SaveFormatListState(settings);
}

QString TFormatSelector::FormatName() const { return edt1_->text(); }

bool TFormatSelector::ListShown() const { return popup_->isVisible(); }

void TFormatSelector::ShowList() {
  rows_.SelectByCode(currentCode_);
  RefreshRows(rows_.SelectedRow().value_or(-1));
  PlaceList();
  popup_->show();
  lst1_->setFocus(Qt::PopupFocusReason);
  if (lst1_->currentIndex().isValid()) lst1_->scrollTo(lst1_->currentIndex());
}

void TFormatSelector::HideList() { popup_->hide(); }

void TFormatSelector::ToggleList() {
  if (ListShown())
    HideList();
  else
    ShowList();
}

void TFormatSelector::PlaceList() {
  const int rowHeight = TFormatRowDelegate::RowHeight(QFontMetrics(lst1_->font()));
  const int content = static_cast<int>(rows_.Rows().size()) * rowHeight + 2;
  const QPoint fieldTop = edt1_->mapToGlobal(QPoint(0, 0));
  if (opensDownward_) {
    // Directly below the field, as tall as the rows and a little more, up to a fixed limit.
    const int below =
        std::min(static_cast<int>(rows_.Rows().size()) * rowHeight + 20, kDownwardMaxHeight);
    popup_->setGeometry(fieldTop.x(), fieldTop.y() + edt1_->height() - 1, width(), below);
    return;
  }
  const QScreen* screen = edt1_->screen();
  const int room = screen ? fieldTop.y() - screen->availableGeometry().top() : content;
  const int height = std::min(content, std::max(room, kFewestRows * rowHeight + 2));
  popup_->setGeometry(fieldTop.x(), fieldTop.y() - height, width(), height);
}

void TFormatSelector::RefreshRows(int currentRow) {
  model_->Refresh();
  if (currentRow >= 0) lst1_->setCurrentIndex(model_->index(currentRow));
  if (popup_->isVisible()) PlaceList();
}

void TFormatSelector::OnRowPressed(int row, int x) {
  TIniFile settings(global_.SettingsFile());
  if (const auto choice = rows_.PressRow(row, x, settings)) {
    Choose(*choice);
    return;
  }
  RefreshRows(row);
}

void TFormatSelector::OnRowDoubleClicked(int row, int x) {
  // Left of the glyph edge the press before this one has toggled the category already.
  if (x < kCategoryGlyphWidth) return;
  rows_.ToggleCategory(row);
  RefreshRows(row);
}

void TFormatSelector::OnRowActivated(int row) {
  if (row < 0 || row >= static_cast<int>(rows_.Rows().size())) return;
  if (rows_.Rows()[row].Info.IsCategory) {
    rows_.ToggleCategory(row);
    RefreshRows(row);
    return;
  }
  TIniFile settings(global_.SettingsFile());
  if (const auto choice = rows_.SelectFormat(row, settings)) Choose(*choice);
}

void TFormatSelector::OnCategoryKey(int row, bool expand) {
  if (row < 0 || row >= static_cast<int>(rows_.Rows().size())) return;
  const TFormatRow& current = rows_.Rows()[row];
  if (!current.Info.IsCategory) {
    // Left on a format row goes up to its category.
    if (!expand)
      for (int up = row - 1; up >= 0; --up)
        if (rows_.Rows()[up].Info.IsCategory) return RefreshRows(up);
    return;
  }
  if (current.Info.Collapsed == expand) rows_.ToggleCategory(row);
  RefreshRows(row);
}

void TFormatSelector::Choose(const TFormatList::TChoice& choice) {
  currentCode_ = choice.Code;
  edt1_->setText(QString::fromStdString(choice.Name));
  edt1_->setToolTip(edt1_->text());
  edt1_->setCursorPosition(0);
  HideList();
  emit FormatChanged(choice.Code);
}

bool TFormatSelector::eventFilter(QObject* watched, QEvent* event) {
  if (watched == popup_ && event->type() == QEvent::MouseButtonDblClick) {
    // The second press of a double click on the field: its first press opened the list.
    const QPoint at = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
    if (edt1_->rect().contains(edt1_->mapFromGlobal(at))) return true;
  }
  if (watched == edt1_) {
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
      ToggleList();
      return true;
    }
    if (event->type() == QEvent::MouseButtonDblClick) return true;
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      const bool opens = key->key() == Qt::Key_F4 || key->key() == Qt::Key_Space ||
                         key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
                         (key->key() == Qt::Key_Down && (key->modifiers() & Qt::AltModifier));
      if (opens) {
        ShowList();
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace qarvo
