#include <QMessageBox>
#include <QTimer>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>

#include "core/AppPaths.h"
#include "core/IniFile.h"
#include "app/TApplication.h"
#include "app/TfrmCover.h"
#include "app/TfrmMain.h"
#include "jobs/PathText.h"

namespace {

bool constructingApplication = false;
QtMessageHandler previousHandler = nullptr;

// Without a platform plugin Qt aborts; a user deserves a sentence and a plain exit status.
void StartupMessageHandler(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
  if (type == QtFatalMsg && constructingApplication) {
    std::fprintf(stderr, "qarvo: cannot open the display: %s\n", qPrintable(message));
    std::_Exit(1);
  }
  if (previousHandler) {
    previousHandler(type, context, message);
  }
}

// Qt picks X11 or Wayland from these unless a platform is named explicitly.
bool DisplayNamed() {
  const auto isSet = [](const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
  };
  return isSet("QT_QPA_PLATFORM") || isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char** argv) {
  if (!DisplayNamed()) {
    std::fprintf(stderr,
                 "qarvo: cannot open the display: neither DISPLAY nor WAYLAND_DISPLAY is set\n");
    return 1;
  }
  previousHandler = qInstallMessageHandler(StartupMessageHandler);
  constructingApplication = true;
  qarvo::TApplication application(argc, argv);
  constructingApplication = false;
  qInstallMessageHandler(previousHandler);

  // Desktop shells match the windows to data/qarvo.desktop by this name.
  QGuiApplication::setDesktopFileName(QStringLiteral("qarvo"));

  qarvo::TfrmCover frmCover(qarvo::ExecutableFolder());
  frmCover.show();
  frmCover.repaint();

  qarvo::TfrmMain frmMain;
  frmCover.WatchMainWindow(&frmMain);
  // The files named on the command line (a desktop file's %F), added once the window shows.
  // Their bytes as given: Qt's own list of the arguments would replace what is not UTF-8.
  QStringList files;
  for (int i = 1; i < argc; ++i) files << qarvo::PathText(argv[i]);
  frmMain.SetStartupFiles(files);
  // A refused file is named once the main window stands alone, not over the splash.
  frmMain.HoldWarningsWhileShown(&frmCover);
  frmMain.show();
  // A device, a pipe or a huge file in the settings file's place is neither read nor written.
  const std::string problem = qarvo::TIniFile(frmMain.GlobalObject().SettingsFile()).Problem();
  if (!problem.empty()) {
    QTimer::singleShot(0, &frmMain, [&frmMain, problem] {
      QMessageBox::warning(&frmMain, QObject::tr("Warning"),
                           QObject::tr("The settings are not read and cannot be saved: %1.")
                               .arg(QString::fromStdString(problem)));
    });
  }
  return application.exec();
}
