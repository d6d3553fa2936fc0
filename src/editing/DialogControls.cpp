#include "editing/DialogControls.h"

#include <QLabel>
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

}  // namespace qarvo
