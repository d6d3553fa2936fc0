// Controls the editing dialogs share: the preview's play and pause buttons and plain labels.
#pragma once

#include <QString>

#include "jobs/TPlayerIconEngine.h"

class QLabel;
class QToolButton;
class QWidget;

namespace qarvo {

QToolButton* MakePlayerButton(QWidget* parent, const char* name, const char* hint,
                              TPlayerIconEngine::TShape shape);
QLabel* MakeNamedLabel(QWidget* parent, const char* name, const QString& text = {});

}  // namespace qarvo
