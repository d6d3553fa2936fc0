// The window side of a batch run: starts the checked jobs on the engine, shows the progress
// window until the run ends and keeps each row's "Progress" column current.
#pragma once

#include <QObject>
#include <functional>
#include <vector>

#include "core/BatchRun.h"
#include "core/GlobalObject.h"

class QWidget;

namespace qarvo {

class TConvertEngine;

class TConversionRun : public QObject {
  Q_OBJECT

 public:
  using TRowChanged = std::function<void(int row)>;

  TConversionRun(TConvertEngine& engine, const TGlobalObject& global, QWidget* mainWindow);

  // Shows the modal progress window and returns once the run has ended and the window has
  // closed; false, after its message, when nothing could be started.
  bool Start(std::vector<TJobRow>& rows, TRowChanged rowChanged);
  // Replaces opening the folder and powering off (tests).
  void SetAfterRunActions(IAfterRunActions* actions) { actions_ = actions; }

 private:
  TConvertEngine& engine_;
  const TGlobalObject& global_;
  QWidget* mainWindow_;
  IAfterRunActions* actions_ = nullptr;
};

}  // namespace qarvo
