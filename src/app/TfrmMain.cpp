#include "app/TfrmMain.h"

#include <QPlainTextEdit>
#include <QShowEvent>

#include "app/TApplication.h"
#include "core/AppPaths.h"
#include "core/IniFile.h"
#include "core/SettingsReaders.h"
#include "core/VersionText.h"
#include "media/LibraryLoader.h"

namespace qarvo {

namespace {

constexpr int kInitialWidth = 786;
constexpr int kInitialHeight = 522;

}  // namespace

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("frmMain"));
  mmoLog = new QPlainTextEdit(this);
  mmoLog->setObjectName(QStringLiteral("mmoLog"));
  mmoLog->setReadOnly(true);
  mmoLog->hide();
  FormCreate();
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::FormCreate() {
  globalObject_ = std::make_unique<TGlobalObject>();
  const TPathEnvironment environment = CurrentPathEnvironment();
  ApplyProductConfigurations(*globalObject_, environment);
  // A settings file outside the executable folder needs its folder before the first write.
  PrepareSettingsFolder(globalObject_->SettingsFile());
  setWindowTitle(QString::fromStdString(globalObject_->AppTitle()));

  skinIndex_ = ReadSkinIndex(TIniFile(globalObject_->SettingsFile()));

  if (auto* application = qobject_cast<TApplication*>(QCoreApplication::instance())) {
    application->SetErrorCaption(QString::fromStdString(globalObject_->AppTitle()));
  }
  LoadMediaLibraries();
}

void TfrmMain::LoadMediaLibraries() {
  TLibraryLoader& loader = TLibraryLoader::Instance();
  if (loader.Loaded(kPlayerLibraries)) {
    return;
  }
  loader.SetLibPath(ExecutableFolder() + "LibAV");
  // Two steps, so that conversion still works without SDL: only the preview then reports
  // the missing library.
  for (TLibrarySet set : {kEngineLibraries, kPlayerLibraries}) {
    if (!loader.Load(set)) {
      mmoLog->appendPlainText(QString::fromStdString(loader.LastError()));
      return;
    }
  }
}

void TfrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shown_ && !event->spontaneous()) {
    shown_ = true;
    FormShow();
  }
}

void TfrmMain::FormShow() {
  resize(kInitialWidth, kInitialHeight);
  globalObject_->SetVersionText(BuildVersionText());
  setWindowTitle(QString::fromStdString(globalObject_->AppTitle() + globalObject_->VersionText()));
}

}  // namespace qarvo
