#include "jobs/TAddProgressLine.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>

namespace qarvo {

TAddProgressLine::TAddProgressLine(QWidget* window, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("pnlAdding"));
  label_ = new QLabel(this);
  label_->setObjectName(QStringLiteral("lblAdding"));
  bar_ = new QProgressBar(this);
  bar_->setObjectName(QStringLiteral("progbarAdding"));
  bar_->setTextVisible(false);
  bar_->setMaximumHeight(label_->sizeHint().height());
  stopButton_ = new QPushButton(tr("Stop"), this);
  stopButton_->setObjectName(QStringLiteral("btnAddStop"));
  stopButton_->setAutoDefault(false);
  stopButton_->setToolTip(tr("Stop adding files (Esc)"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(label_);
  layout->addWidget(bar_, 1);
  layout->addWidget(stopButton_);
  escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), window);
  escape_->setContext(Qt::WindowShortcut);
  escape_->setEnabled(false);
  connect(stopButton_, &QPushButton::clicked, this, &TAddProgressLine::StopRequested);
  connect(escape_, &QShortcut::activated, this, &TAddProgressLine::StopRequested);
  hide();
}

void TAddProgressLine::ShowProgress(int done, int total) {
  label_->setText(tr("Adding files: %1 of %2").arg(done).arg(total));
  bar_->setRange(0, std::max(total, 1));
  bar_->setValue(done);
  escape_->setEnabled(true);
  show();
}

void TAddProgressLine::Finish() {
  escape_->setEnabled(false);
  hide();
}

}  // namespace qarvo
