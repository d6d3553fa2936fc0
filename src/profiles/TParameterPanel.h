// The format's parameters in the main window: the "Video Options" and "Audio Options" boxes,
// filled from the definition and the user's profile, every accepted change written at once.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "core/GlobalObject.h"

namespace qarvo {

class TParameterPanel : public QWidget {
  Q_OBJECT

 public:
  using TEncoderAvailable = std::function<bool(const std::string& encoder)>;

  explicit TParameterPanel(const TGlobalObject& global, QWidget* parent = nullptr);

  // Fills the boxes for the format with this code.
  void LoadFormat(int code);
  // Commits a typed frame size before a run; false (after the message) when it is refused.
  bool CommitFrameSize();
  // Which encoders the loaded libraries provide; the others are shown as unavailable.
  void SetEncoderAvailability(TEncoderAvailable available) { available_ = std::move(available); }

 signals:
  void ProfileChanged();

 private:
  const TGlobalObject& global_;
  TEncoderAvailable available_;
};

}  // namespace qarvo
