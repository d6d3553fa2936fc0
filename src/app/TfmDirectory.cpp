#include "app/TfmDirectory.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace qarvo {

namespace {

constexpr int kWidth = 322;
constexpr int kHeight = 351;

}  // namespace

TfmDirectory::TfmDirectory(QString appTitle, QWidget* parent)
    : QDialog(parent), appTitle_(std::move(appTitle)), probe_(MediumOf) {
  setObjectName(QStringLiteral("fmDirectory"));
  setWindowTitle(QStringLiteral("Brows"));
  setModal(true);
  resize(kWidth, kHeight);
  messenger_ = [this](const QString& caption, const QString& text) {
    QMessageBox::information(this, caption, text);
  };

  lblPrompt = new QLabel(QStringLiteral("Please select an output directory:"), this);
  lblPrompt->setObjectName(QStringLiteral("lblPrompt"));
  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
  model_->setRootPath(QDir::rootPath());
  tvFolders = new QTreeView(this);
  tvFolders->setObjectName(QStringLiteral("tvFolders"));
  tvFolders->setModel(model_);
  tvFolders->setRootIndex(model_->index(QDir::rootPath()));
  tvFolders->setHeaderHidden(true);
  for (int column = 1; column < model_->columnCount(); ++column) tvFolders->hideColumn(column);
  tvFolders->setSelectionMode(QAbstractItemView::SingleSelection);
  connect(tvFolders->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &TfmDirectory::UpdateOk);

  btnOk = new QPushButton(QStringLiteral("Ok"), this);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnOk->setDefault(true);
  btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnCancel->setAutoDefault(false);
  connect(btnOk, &QPushButton::clicked, this, &TfmDirectory::btnOkClick);
  connect(btnCancel, &QPushButton::clicked, this, &TfmDirectory::btnCancelClick);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(6);
  layout->addWidget(lblPrompt);
  layout->addWidget(tvFolders, 1);
  layout->addLayout(buttons);
  UpdateOk();
}

void TfmDirectory::Prepare(const QString& current) {
  resize(kWidth, kHeight);
  result_.clear();
  const QFileInfo start(current);
  SelectFolder(!current.isEmpty() && start.isDir() ? start.absoluteFilePath() : QDir::homePath());
}

QString TfmDirectory::Choose(const QString& current) {
  Prepare(current);
  exec();
  return result_;
}

void TfmDirectory::SelectFolder(const QString& folder) {
  const QModelIndex index = model_->index(folder);
  if (!index.isValid()) return;
  tvFolders->setCurrentIndex(index);
  tvFolders->scrollTo(index, QAbstractItemView::PositionAtCenter);
  tvFolders->expand(index);
  UpdateOk();
}

QString TfmDirectory::SelectedFolder() const {
  const QModelIndex index = tvFolders->currentIndex();
  return index.isValid() ? model_->filePath(index) : QString();
}

void TfmDirectory::UpdateOk() { btnOk->setEnabled(!SelectedFolder().isEmpty()); }

void TfmDirectory::btnOkClick() {
  const QString folder = SelectedFolder();
  if (folder.isEmpty()) return;
  if (IsReadOnlyMedium(probe_(folder))) {
    result_.clear();
    messenger_(appTitle_, QString::fromLatin1(kCdRomMessage));
    return;
  }
  result_ = folder;
  accept();
}

void TfmDirectory::btnCancelClick() {
  result_.clear();
  reject();
}

}  // namespace qarvo
