#include "editing/DialogControls.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

namespace qarvo {

QToolButton* MakePlayerButton(QWidget* parent, const char* name, const char* hint,
                              TPlayerIconEngine::TShape shape) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setToolTip(QString::fromLatin1(hint));
  button->setAutoRaise(true);
  button->setIconSize(QSize(16, 16));
  button->setFixedSize(24, 24);
  button->setIcon(TPlayerIconEngine::Icon(shape, parent->palette()));
  return button;
}

QLabel* MakeNamedLabel(QWidget* parent, const char* name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  return label;
}

QPushButton* MakeNamedButton(QWidget* parent, const char* name, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

QHBoxLayout* MakePlayRow(QToolButton* play, QToolButton* pause, QWidget* bar, QLabel* position) {
  auto* row = new QHBoxLayout;
  row->setSpacing(2);
  row->addWidget(play);
  row->addWidget(pause);
  row->addWidget(bar, 1);
  if (position) {
    row->addSpacing(6);
    row->addWidget(position);
  }
  return row;
}

QHBoxLayout* MakeClosingRow(QPushButton* left, QPushButton* ok, QPushButton* cancel) {
  ok->setDefault(true);
  auto* row = new QHBoxLayout;
  if (left) row->addWidget(left);
  row->addStretch(1);
  row->addWidget(ok);
  row->addWidget(cancel);
  return row;
}

}  // namespace qarvo
