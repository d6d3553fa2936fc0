// What the tests of conversions through the application's run and its conversion hook share:
// the run's settings and format files in a scratch folder, and a run that cannot hang a test.
#pragma once

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTimer>
#include <string>
#include <vector>

#include "engine/TConvertEngine.h"
#include "core/GlobalObject.h"
#include "editing/TConversionFrameHook.h"
#include "jobs/IRunMessages.h"
#include "jobs/TConversionRun.h"
#include "jobs/TfrmProgress.h"

#include "support/ScratchFolder.h"

namespace qarvo::test {

class TNoActions : public IAfterRunActions {
 public:
  void OpenFolder(const std::string&) override {}
  void PowerOff() override {}
};

class TRecordedMessages : public IRunMessages {
 public:
  bool UseDefaultSize() override { return true; }
  void ShowWarning(const std::string& text) override { warnings.push_back(text); }
  std::vector<std::string> warnings;
};

// Points `global` at settings and format files written in `folder`: output into folder/out in
// format `code`, whose section holds the key=value lines `format`; `settings` adds lines to
// the settings section.
inline void WriteRunFiles(TGlobalObject& global, const TScratchFolder& folder, int code,
                          const std::string& format, const std::string& settings = {}) {
  WriteText(folder.File("s.ini"), "[settings]\nOutPutDir=" + folder.File("out") +
                                      "\nFormatCode=" + std::to_string(code) + "\n" + settings);
  WriteText(folder.File("d.ini"), "[formatInfo" + std::to_string(code) + "]\n" + format);
  global.SetSettingsFile(folder.File("s.ini"));
  global.SetFormatFile(folder.File("d.ini"));
}

// Converts `rows` through a run as the application starts it, every picture through `hook`;
// the run's warnings go to `messages`. Returns what the run's start returned.
inline bool RunThroughHook(TGlobalObject& global, TConversionFrameHook& hook,
                           std::vector<TJobRow>& rows, TRecordedMessages& messages) {
  TConvertEngine engine;
  TConversionRun run(engine, global, nullptr);
  TNoActions actions;
  run.SetConversionHook(&hook);
  run.SetAfterRunActions(&actions);
  run.SetMessages(&messages);
  QTimer guard;  // a safety net only: a hanging run fails the test
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [&] {
    ADD_FAILURE() << "the run did not end";
    if (run.ProgressWindow()) run.ProgressWindow()->findChild<QPushButton*>("btnCancel")->click();
  });
  guard.start(240000);
  const bool started = run.Start(rows, {});
  guard.stop();
  return started;
}

}  // namespace qarvo::test
