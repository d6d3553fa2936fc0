// The output format selector: the edit box showing the current format, its drop button and
// the catalogue list with its category rows.
#pragma once

#include <QWidget>

#include "core/GlobalObject.h"

namespace qarvo {

class TFormatSelector : public QWidget {
  Q_OBJECT

 public:
  explicit TFormatSelector(const TGlobalObject& global, QWidget* parent = nullptr);

  // Reads the catalogue, the categories' collapse state and the current format.
  void Build();
  // Writes the categories' collapse state (at teardown).
  void SaveCollapseState();
  int CurrentCode() const { return currentCode_; }

 signals:
  void FormatChanged(int code);

 private:
  const TGlobalObject& global_;
  int currentCode_ = -1;
};

}  // namespace qarvo
