// The main window's Preferences and Settings commands and the news check of the first show.
#include <utility>

#include "core/IniFile.h"
#include "core/SettingsKeys.h"
#include "app/IMainDialogs.h"
#include "app/IShellOpener.h"
#include "app/TUpdateCheck.h"
#include "app/TfrmMain.h"
#include "app/TfrmPreference.h"
#include "jobs/EncoderAvailability.h"
#include "jobs/TConversionRun.h"
#include "profiles/TFormatSelector.h"
#include "profiles/TfrmSettings.h"

namespace qarvo {

void TfrmMain::mnuToolsPreferenceClick() {
  if (!frmPreference_)
    frmPreference_ = new TfrmPreference(*globalObject_, *dialogs_, *shell_, this);
  frmPreference_->exec();
}

void TfrmMain::mnuFileSettingsClick() {
  if (!frmSettings_) {
    frmSettings_ = new TfrmSettings(*globalObject_, this);
    frmSettings_->SetEncoderAvailability(LoadedLibrariesHaveEncoder);
  }
  // The dialog starts from the list as this window shows it.
  formatSelector_->SaveCollapseState();
  if (frmSettings_->exec() == QDialog::Accepted) formatSelector_->Build();
}

void TfrmMain::StartUpdateCheck() {
  const TIniFile settings(globalObject_->SettingsFile());
  const QString address = QString::fromStdString(
      settings.ReadString(settings::kSection, settings::kNewsUrl, settings::kNewsUrlDefault));
  updateCheck_ = new TUpdateCheck(
      address, TUpdateCheck::DefaultCacheFolder(), globalObject_->AppTitle(),
      globalObject_->VersionText(),
      [this](const QString& question) {
        // Over a run's modal window, a Yes would close this window beneath it: the question
        // waits for the end of the run.
        if (conversionRun_->Running()) {
          deferredUpgradeQuestion_ = question;
          return false;
        }
        return dialogs_->AskUpgrade(this, question);
      },
      this);
  connect(updateCheck_, &TUpdateCheck::Finished, this, &TfrmMain::UpdateCheckFinished);
  connect(updateCheck_, &TUpdateCheck::UpgradeAccepted, this, &TfrmMain::UpgradeAccepted);
  updateCheck_->Start();
}

void TfrmMain::UpdateCheckFinished() {
  conversionRun_->SetNews(updateCheck_->Rows(), updateCheck_->Latest());
}

void TfrmMain::AskDeferredUpgrade() {
  if (deferredUpgradeQuestion_.isEmpty()) return;
  const QString question = std::exchange(deferredUpgradeQuestion_, QString());
  if (dialogs_->AskUpgrade(this, question)) UpgradeAccepted();
}

void TfrmMain::UpgradeAccepted() {
  OpenWebAddress(QString::fromStdString(globalObject_->DownloadUrl()));
  CloseWithoutQuestion();
}

}  // namespace qarvo
