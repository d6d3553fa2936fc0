// Checks of a rendered window: every caption readable against its background and wide
// enough for its text.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace qarvo::screens {

struct TScreenFindings {
  QStringList Problems;
  double LowestContrast = 21.0;
};

// Looks at every visible, enabled caption of the window and its children.
void CheckWindow(QWidget& window, const QString& shot, TScreenFindings& findings);

}  // namespace qarvo::screens
