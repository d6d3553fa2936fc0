// The main window's questions and choosers as the platform's modal boxes and dialogs.
#pragma once

#include "app/IMainDialogs.h"

namespace qarvo {

class TMainDialogs : public IMainDialogs {
 public:
  bool AskExit(QWidget* parent) override;
  void ShowWarning(QWidget* parent, const QString& text) override;
  QStringList ChooseFiles(QWidget* parent, const QStringList& filters) override;
  QString ChooseFolder(QWidget* parent, const QString& current) override;
};

}  // namespace qarvo
