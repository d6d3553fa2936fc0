// Controls the editing dialogs share: the preview's play and pause buttons, plain labels and
// buttons, and the rows they stand in.
#pragma once

#include <QString>

#include "jobs/TPlayerIconEngine.h"

class QHBoxLayout;
class QLabel;
class QPushButton;
class QToolButton;
class QWidget;

namespace qarvo {

QToolButton* MakePlayerButton(QWidget* parent, const char* name, const char* hint,
                              TPlayerIconEngine::TShape shape);
QLabel* MakeNamedLabel(QWidget* parent, const char* name, const QString& text = {});
QPushButton* MakeNamedButton(QWidget* parent, const char* name, const QString& caption);

// The preview's row: play, pause, the position bar taking the room, then `position` if given.
QHBoxLayout* MakePlayRow(QToolButton* play, QToolButton* pause, QWidget* bar,
                         QLabel* position = nullptr);
// The closing row: `left` (if given) at the left edge, Ok and Cancel at the right; Ok is the
// default button.
QHBoxLayout* MakeClosingRow(QPushButton* left, QPushButton* ok, QPushButton* cancel);

}  // namespace qarvo
