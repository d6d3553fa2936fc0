#include "app/TMainDialogs.h"

#include <QFileDialog>
#include <QMessageBox>

#include "app/TfmDirectory.h"

namespace qarvo {

TMainDialogs::TMainDialogs(QString appTitle) : appTitle_(std::move(appTitle)) {}
TMainDialogs::~TMainDialogs() = default;

bool TMainDialogs::AskExit(QWidget* parent) {
  return QMessageBox::question(
             parent, QStringLiteral("Warning"), QStringLiteral("Do you really want to exit?"),
             QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

bool TMainDialogs::AskYesNo(QWidget* parent, const QString& question) {
  return QMessageBox::question(parent, QStringLiteral("Warning"), question,
                               QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

void TMainDialogs::ShowWarning(QWidget* parent, const QString& text) {
  QMessageBox::warning(parent, QStringLiteral("Warning"), text);
}

QStringList TMainDialogs::ChooseFiles(QWidget* parent, const QStringList& filters) {
  QFileDialog dialog(parent);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setNameFilters(filters);
  dialog.setSizeGripEnabled(true);
  return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
}

QString TMainDialogs::ChooseFolder(QWidget* parent, const QString& current) {
  if (!fmDirectory_) {
    if (parent) {
      fmDirectory_ = new TfmDirectory(appTitle_, parent->window());
    } else {
      ownDirectory_ = std::make_unique<TfmDirectory>(appTitle_);
      fmDirectory_ = ownDirectory_.get();
    }
  }
  return fmDirectory_->Choose(current);
}

std::unique_ptr<QMessageBox> TMainDialogs::UpgradeQuestionBox(QWidget* parent,
                                                              const QString& question) {
  auto box = std::make_unique<QMessageBox>(
      QMessageBox::Question, QStringLiteral("Warning - New Version Available for Download."),
      question, QMessageBox::Yes | QMessageBox::No, parent);
  box->setObjectName(QStringLiteral("msgUpgrade"));
  box->setDefaultButton(QMessageBox::No);
  return box;
}

bool TMainDialogs::AskUpgrade(QWidget* parent, const QString& question) {
  return UpgradeQuestionBox(parent, question)->exec() == QMessageBox::Yes;
}

}  // namespace qarvo
