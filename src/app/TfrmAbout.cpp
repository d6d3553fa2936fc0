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

  imgIcon = new QLabel(this);
  imgIcon->setObjectName(QStringLiteral("imgIcon"));
  imgIcon->setPixmap(ProgramIconPixmap(64));
  imgIcon->setAlignment(Qt::AlignTop);

  lblAppNameVer = new QLabel(QString::fromStdString(global.AppTitle()), this);
  lblAppNameVer->setObjectName(QStringLiteral("lblAppNameVer"));
  QFont titleFont = lblAppNameVer->font();
  titleFont.setBold(true);
  titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
  lblAppNameVer->setFont(titleFont);
  lblAppNameVer->setWordWrap(true);

  lblHomeUrl = new QLabel(this);
  lblHomeUrl->setObjectName(QStringLiteral("lblHomeUrl"));
  lblHomeUrl->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(homeUrl_.toHtmlEscaped()));
  lblHomeUrl->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  lblHomeUrl->setCursor(Qt::PointingHandCursor);
  lblHomeUrl->setOpenExternalLinks(false);
  connect(lblHomeUrl, &QLabel::linkActivated, this, [this] { lblHomeUrlClick(); });

  btnOk = new QPushButton(QStringLiteral("&Ok"), this);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnOk->setDefault(true);
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);

  auto* text = new QVBoxLayout;
  text->setSpacing(6);
  text->addWidget(lblAppNameVer);
  text->addWidget(lblHomeUrl);
  text->addStretch(1);
  auto* top = new QHBoxLayout;
  top->setSpacing(10);
  top->addWidget(imgIcon);
  top->addLayout(text, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOk);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->addLayout(top, 1);
  layout->addLayout(buttons);
}

void TfrmAbout::lblHomeUrlClick() { shell_.OpenWebAddress(homeUrl_); }

}  // namespace qarvo
