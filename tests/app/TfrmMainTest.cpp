#include "app/TfrmMain.h"

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "app/TApplication.h"
#include "base/EngineError.h"
#include "support/ScratchFolder.h"

namespace qarvo {
namespace {

// Settings live in a folder of their own, removed when the program ends.
const std::string& SettingsFile() {
  static const test::TScratchFolder folder("app");
  static const std::string file = folder.File("sub/settings.ini");
  return file;
}

// One application object for the whole test program.
TApplication& Application() {
  static int argc = 1;
  static char name[] = "qarvo_app_tests";
  static char* argv[] = {name, nullptr};
  static TApplication* application = [] {
    ::setenv("QARVO_SETTINGS_FILE", SettingsFile().c_str(), 1);
    return new TApplication(argc, argv);
  }();
  return *application;
}

struct TShownError {
  QMessageBox::Icon Icon;
  QString Caption;
  QString Text;
};

TEST(TfrmMain, CreateAndFirstShowPrepareTheWindow) {
  Application();
  TfrmMain frmMain;
  EXPECT_EQ(frmMain.objectName(), "frmMain");
  EXPECT_EQ(frmMain.windowTitle(), "Qarvo 3GP Video Converter");
  EXPECT_EQ(frmMain.GlobalObject().SettingsFile(), SettingsFile());
  // Ready for the first write although the folder did not exist.
  EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(SettingsFile()).parent_path()));
  EXPECT_EQ(frmMain.SkinIndex(), 0);  // no settings file: default scheme
  auto* mmoLog = frmMain.findChild<QPlainTextEdit*>("mmoLog");
  ASSERT_NE(mmoLog, nullptr);

  frmMain.show();
  EXPECT_EQ(frmMain.windowTitle(), "Qarvo 3GP Video Converter 3.300 ");
  EXPECT_EQ(frmMain.size(), QSize(786, 522));
  EXPECT_FALSE(mmoLog->isVisible());
}

TEST(TApplication, ExceptionsInEventHandlersAreShownAndTheLoopGoesOn) {
  TApplication& application = Application();
  std::vector<TShownError> shown;
  application.SetErrorPresenter(
      [&](QMessageBox::Icon icon, const QString& caption, const QString& text) {
        shown.push_back({icon, caption, text});
      });
  application.SetErrorCaption("Qarvo 3GP Video Converter");

  QTimer::singleShot(0, [] { throw EEngineError("Unknown encoder"); });
  QTimer::singleShot(0, [] { throw std::runtime_error("Unable to write to /x/s.ini"); });
  QTimer::singleShot(0, [] { throw std::runtime_error("Stop!"); });
  QTimer::singleShot(10, &application, &QCoreApplication::quit);
  application.exec();

  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].Icon, QMessageBox::Warning);
  EXPECT_EQ(shown[0].Text, "Unknown encoder.");
  EXPECT_EQ(shown[0].Caption, "Qarvo 3GP Video Converter");
  EXPECT_EQ(shown[1].Icon, QMessageBox::Critical);
  EXPECT_EQ(shown[1].Text, "Unable to write to /x/s.ini.");
  EXPECT_EQ(shown[2].Text, "Stop!");
}

}  // namespace
}  // namespace qarvo
