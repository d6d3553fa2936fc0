#include "app/TfrmAbout.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/IShellOpener.h"
#include "app/ProgramIcon.h"

namespace qarvo {

TfrmAbout::TfrmAbout(const TGlobalObject& global, IShellOpener& shell, QWidget* parent)
    : QDialog(parent), shell_(shell), homeUrl_(QString::fromStdString(global.HomeUrl())) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("About"));
  setModal(true);
  resize(360, 190);

  iconLabel_ = new QLabel(this);
  iconLabel_->setObjectName(QStringLiteral("imgIcon"));
  iconLabel_->setPixmap(ProgramIconPixmap(64));
  iconLabel_->setAlignment(Qt::AlignTop);

  nameVersionLabel_ = new QLabel(QString::fromStdString(global.AppTitle()), this);
  nameVersionLabel_->setObjectName(QStringLiteral("lblAppNameVer"));
  QFont titleFont = nameVersionLabel_->font();
  titleFont.setBold(true);
  titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
  nameVersionLabel_->setFont(titleFont);
  nameVersionLabel_->setWordWrap(true);

  homeLinkLabel_ = new QLabel(this);
  homeLinkLabel_->setObjectName(QStringLiteral("lblHomeUrl"));
  homeLinkLabel_->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(homeUrl_.toHtmlEscaped()));
  homeLinkLabel_->setTextInteractionFlags(Qt::LinksAccessibleByMouse |
                                          Qt::LinksAccessibleByKeyboard);
  homeLinkLabel_->setCursor(Qt::PointingHandCursor);
  homeLinkLabel_->setOpenExternalLinks(false);
  connect(homeLinkLabel_, &QLabel::linkActivated, this, [this] { lblHomeUrlClick(); });

  okButton_ = new QPushButton(QStringLiteral("&Ok"), this);
  okButton_->setObjectName(QStringLiteral("btnOk"));
  okButton_->setDefault(true);
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

  auto* text = new QVBoxLayout;
  text->setSpacing(6);
  text->addWidget(nameVersionLabel_);
  text->addWidget(homeLinkLabel_);
  text->addStretch(1);
  auto* top = new QHBoxLayout;
  top->setSpacing(10);
  top->addWidget(iconLabel_);
  top->addLayout(text, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->addLayout(top, 1);
  layout->addLayout(buttons);
}

void TfrmAbout::lblHomeUrlClick() { shell_.OpenWebAddress(homeUrl_); }

}  // namespace qarvo
