// The run's questions and warnings as message boxes over a parent window.
#pragma once

#include "jobs/IRunMessages.h"

class QWidget;

namespace qarvo {

class TRunMessageBoxes : public IRunMessages {
 public:
  explicit TRunMessageBoxes(QWidget* parent) : parent_(parent) {}

  // "Warning", Yes and No, question icon; Yes uses 320x240.
  bool UseDefaultSize() override;
  void ShowWarning(const std::string& text) override;

 private:
  QWidget* parent_;
};

}  // namespace qarvo
