#include "app/TMainDialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace qarvo {

bool TMainDialogs::AskExit(QWidget* parent) {
  return QMessageBox::question(parent, QStringLiteral("Warning"),
                               QStringLiteral("Do you really want to exit?"),
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
  return QFileDialog::getExistingDirectory(parent, QString(), current);
}

}  // namespace qarvo
