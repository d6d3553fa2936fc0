// The About box: program icon, title, the home page as a link, and "&Ok".
#pragma once

#include <QDialog>

#include "core/GlobalObject.h"

class QLabel;
class QPushButton;

namespace qarvo {

class IShellOpener;

class TfrmAbout : public QDialog {
  Q_OBJECT

 public:
  TfrmAbout(const TGlobalObject& global, IShellOpener& shell, QWidget* parent = nullptr);

  // The link's click (also for tests).
  void lblHomeUrlClick();

 private:
  IShellOpener& shell_;
  QString homeUrl_;
  QLabel* iconLabel_ = nullptr;
  QLabel* nameVersionLabel_ = nullptr;
  QLabel* homeLinkLabel_ = nullptr;
  QPushButton* okButton_ = nullptr;
};

}  // namespace qarvo
