// The window: start-up until the main window is shown (splash included), and adding 100
// generated files through the job list model with the engine's probe.
#include <QGuiApplication>
#include <QStringList>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "engine/TConvertEngine.h"
#include "core/AppPaths.h"
#include "core/IniFile.h"
#include "app/TApplication.h"
#include "app/TfrmCover.h"
#include "app/TfrmMain.h"
#include "jobs/TEngineJobProber.h"
#include "jobs/TJobListModel.h"

#include "support/TestMedia.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace qarvo;
  const fs::path scratch =
      fs::temp_directory_path() / ("qarvo-window-bench-" + std::to_string(::getpid()));
  fs::create_directories(scratch / "in");
  const std::string settingsFile = (scratch / "settings.ini").string();
  setenv("QARVO_SETTINGS_FILE", settingsFile.c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  TIniFile(settingsFile).WriteString("settings", "OutPutDir", (scratch / "out").string());
  // The clip is made before the clock starts: generating it is not start-up.
  const std::string clip = EnsureClip("short3s");
  QStringList files;
  for (int i = 0; i < 100; ++i) {
    const fs::path copy = scratch / "in" / ("clip" + std::to_string(1000 + i) + ".avi");
    fs::copy_file(clip, copy, fs::copy_options::overwrite_existing);
    files << QString::fromStdString(copy.string());
  }

  const Clock::time_point start = Clock::now();
  TApplication application(argc, argv);
  TfrmCover frmCover(ExecutableFolder());
  frmCover.show();
  frmCover.repaint();
  TfrmMain frmMain;
  frmCover.WatchMainWindow(&frmMain);
  frmMain.show();
  while (!frmMain.windowHandle() || !frmMain.windowHandle()->isExposed())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  const double startupMs = MillisecondsSince(start);

  TIniFile settings(frmMain.GlobalObject().SettingsFile());
  const TIniFile definitions(frmMain.GlobalObject().FormatFile());
  TEngineJobProber prober(frmMain.Engine(), ExecutableFolder() + "LibAV");
  const Clock::time_point adding = Clock::now();
  const TAddResult result = frmMain.JobModel().Add(files, prober, settings, definitions);
  const double addMs = MillisecondsSince(adding);

  std::printf("%-44s %10s\n", "figure", "ms");
  std::printf("%-44s %10.1f\n", "start-up until the main window is shown", startupMs);
  std::printf("%-44s %10.1f\n", "add 100 generated files (engine probe)", addMs);
  std::printf("%-44s %10.2f\n", "  per file", addMs / 100);
  std::printf("rows added: %d, refused: %zu\n", result.Added, result.Refused.size());
  frmMain.CloseWithoutQuestion();
  std::error_code ignored;
  fs::remove_all(scratch, ignored);
  return result.Added == 100 ? 0 : 1;
}
