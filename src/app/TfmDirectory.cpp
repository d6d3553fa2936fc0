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

  promptLabel_ = new QLabel(QStringLiteral("Please select an output directory:"), this);
  promptLabel_->setObjectName(QStringLiteral("lblPrompt"));
  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
  model_->setRootPath(QDir::rootPath());
  folderTree_ = new QTreeView(this);
  folderTree_->setObjectName(QStringLiteral("tvFolders"));
  folderTree_->setModel(model_);
  folderTree_->setRootIndex(model_->index(QDir::rootPath()));
  folderTree_->setHeaderHidden(true);
  for (int column = 1; column < model_->columnCount(); ++column) folderTree_->hideColumn(column);
  folderTree_->setSelectionMode(QAbstractItemView::SingleSelection);
  connect(folderTree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &TfmDirectory::UpdateOk);

  okButton_ = new QPushButton(QStringLiteral("Ok"), this);
  okButton_->setObjectName(QStringLiteral("btnOk"));
  okButton_->setDefault(true);
  cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancelButton_->setObjectName(QStringLiteral("btnCancel"));
  cancelButton_->setAutoDefault(false);
  connect(okButton_, &QPushButton::clicked, this, &TfmDirectory::btnOkClick);
  connect(cancelButton_, &QPushButton::clicked, this, &TfmDirectory::btnCancelClick);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(6);
  layout->addWidget(promptLabel_);
  layout->addWidget(folderTree_, 1);
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
  folderTree_->setCurrentIndex(index);
  folderTree_->scrollTo(index, QAbstractItemView::PositionAtCenter);
  folderTree_->expand(index);
  UpdateOk();
}

QString TfmDirectory::SelectedFolder() const {
  const QModelIndex index = folderTree_->currentIndex();
  return index.isValid() ? model_->filePath(index) : QString();
}

void TfmDirectory::UpdateOk() { okButton_->setEnabled(!SelectedFolder().isEmpty()); }

QString TfmDirectory::NotWritableMessage(const QString& folder) {
  return tr("No files can be written to %1. Please select another folder.").arg(folder);
}

void TfmDirectory::btnOkClick() {
  const QString folder = SelectedFolder();
  if (folder.isEmpty()) return;
  const TFolderMedium medium = probe_(folder);
  if (IsReadOnlyMedium(medium)) {
    result_.clear();
    messenger_(appTitle_, QString::fromLatin1(kCdRomMessage));
    return;
  }
  if (!medium.Writable) {
    // Every job would fail there.
    result_.clear();
    messenger_(appTitle_, NotWritableMessage(folder));
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
