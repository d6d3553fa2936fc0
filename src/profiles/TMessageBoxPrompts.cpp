#include "profiles/TMessageBoxPrompts.h"

#include <QApplication>
#include <QMessageBox>

#include "core/ParameterRules.h"

namespace qarvo {

TMessageBoxPrompts::TMessageBoxPrompts(QWidget* parent, std::string plainCaption)
    : parent_(parent), plainCaption_(std::move(plainCaption)) {}

void TMessageBoxPrompts::ShowMessage(const TParamMessage& message) {
  using TKind = TParamMessage::TKind;
  const QString text = QString::fromStdString(message.Text);
  switch (message.Kind) {
    case TKind::InputError:
      QMessageBox::information(parent_, parameter_messages::kInputErrorCaption, text);
      break;
    case TKind::Warning:
      QMessageBox::warning(parent_, parameter_messages::kWarningCaption, text);
      break;
    case TKind::Error:
      QMessageBox::critical(parent_, QString::fromStdString(plainCaption_), text);
      break;
    case TKind::Information:
      QMessageBox::information(parent_, QString::fromStdString(plainCaption_), text);
      break;
  }
}

void TMessageBoxPrompts::Beep() { QApplication::beep(); }

}  // namespace qarvo
