// The main window's questions and choosers; tests answer them without a modal box.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace qarvo {

class IMainDialogs {
 public:
  virtual ~IMainDialogs() = default;
  // "Do you really want to exit?"; true only for Yes.
  virtual bool AskExit(QWidget* parent) = 0;
  // A question with the caption "Warning", Yes and No (No the default); true only for Yes.
  virtual bool AskYesNo(QWidget* parent, const QString& question) = 0;
  // A message box with the caption "Warning".
  virtual void ShowWarning(QWidget* parent, const QString& text) = 0;
  // The open dialog; empty when cancelled. `filters` in the dialog's own filter syntax.
  virtual QStringList ChooseFiles(QWidget* parent, const QStringList& filters) = 0;
  // A folder, or empty when cancelled.
  virtual QString ChooseFolder(QWidget* parent, const QString& current) = 0;
  // The upgrade question (caption "Warning - New Version Available for Download."); true
  // only for Yes.
  virtual bool AskUpgrade(QWidget* parent, const QString& question) = 0;
};

}  // namespace qarvo
