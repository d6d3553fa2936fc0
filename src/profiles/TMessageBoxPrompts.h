// The prompts on screen: modal message boxes over a parent window and the system beep.
#pragma once

#include <string>

#include "profiles/IUserPrompts.h"

class QWidget;

namespace qarvo {

class TMessageBoxPrompts : public IUserPrompts {
 public:
  // `plainCaption` is the caption of the information boxes (the application title).
  TMessageBoxPrompts(QWidget* parent, std::string plainCaption);

  void ShowMessage(const TParamMessage& message) override;
  void Beep() override;

 private:
  QWidget* parent_;
  std::string plainCaption_;
};

}  // namespace qarvo
