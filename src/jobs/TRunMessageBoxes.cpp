#include "jobs/TRunMessageBoxes.h"

#include <QMessageBox>

namespace qarvo {

bool TRunMessageBoxes::UseDefaultSize() {
  return QMessageBox::question(parent_, QStringLiteral("Warning"),
                               QString::fromUtf8(kSizeQuestionText),
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void TRunMessageBoxes::ShowWarning(const std::string& text) {
  QMessageBox::warning(parent_, QStringLiteral("Warning"), QString::fromStdString(text));
}

}  // namespace qarvo
