#include "profiles/TfrmSettings.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "core/IniFile.h"
#include "core/SettingsError.h"
#include "core/SettingsKeys.h"
#include "profiles/TFormatSelector.h"
#include "profiles/TParameterPanel.h"

namespace qarvo {

TfrmSettings::TfrmSettings(const TGlobalObject& global, QWidget* parent)
    : QDialog(parent), global_(global), work_(global) {
  setObjectName(QStringLiteral("frmSettings"));
  setWindowTitle(QStringLiteral("Settings"));
  setModal(true);
  resize(DefaultSize());
  if (!workFolder_.isValid())
    throw ESettingsError("Unable to write to " + QDir::tempPath().toStdString());
  work_.SetSettingsFile(workFolder_.filePath(QStringLiteral("settings.ini")).toStdString());

  selector_ = new TFormatSelector(work_, this);
  selector_->setObjectName(QStringLiteral("pnlFormatSelector"));
  selector_->SetOpensDownward(true);
  panel_ = new TParameterPanel(work_, this);
  panel_->setObjectName(QStringLiteral("pnlParameters"));
  panel_->SetChecksOnLeave(true);
  connect(selector_, &TFormatSelector::FormatChanged, panel_, &TParameterPanel::LoadFormat);

  okButton_ = new QPushButton(QStringLiteral("&Ok"), this);
  okButton_->setObjectName(QStringLiteral("btnOk"));
  okButton_->setAutoDefault(false);
  cancelButton_ = new QPushButton(QStringLiteral("&Cancel"), this);
  cancelButton_->setObjectName(QStringLiteral("btnCancel"));
  cancelButton_->setAutoDefault(false);
  connect(okButton_, &QPushButton::clicked, this, &TfrmSettings::btnOkClick);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

  auto* format = new QHBoxLayout;
  format->setSpacing(6);
  auto* label = new QLabel(QStringLiteral("Output Format:"), this);
  label->setObjectName(QStringLiteral("lblOutputFormat"));
  format->addWidget(label);
  format->addWidget(selector_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(6);
  buttons->addWidget(panel_->DefaultButton());
  buttons->addStretch(1);
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(10);
  layout->addLayout(format);
  layout->addWidget(panel_, 1);
  layout->addLayout(buttons);
}

TfrmSettings::~TfrmSettings() = default;

void TfrmSettings::SetEncoderAvailability(std::function<bool(const std::string&)> available) {
  panel_->SetEncoderAvailability(std::move(available));
}

void TfrmSettings::SetPrompts(IUserPrompts* prompts) { panel_->SetPrompts(prompts); }

void TfrmSettings::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) FormShow();
  QDialog::showEvent(event);
}

QSize TfrmSettings::DefaultSize() const {
  const double scale =
      std::max(1.0, static_cast<double>(fontMetrics().height()) / kDesignFontHeight);
  return QSize(qRound(kWidth * scale), qRound(kHeight * scale)).expandedTo(minimumSizeHint());
}

void TfrmSettings::FormShow() {
  resize(DefaultSize());
  namespace fs = std::filesystem;
  const fs::path real(global_.SettingsFile());
  const fs::path copy(work_.SettingsFile());
  std::error_code error;
  fs::remove(copy, error);
  if (fs::exists(real, error) && !fs::copy_file(real, copy, error))
    throw ESettingsError("Unable to write to " + copy.string());
  // Every opening starts again from the real file.
  selector_->Build();
}

void TfrmSettings::btnOkClick() {
  if (!panel_->CommitTypedValues()) return;
  Apply();
  accept();
}

void TfrmSettings::Apply() {
  selector_->SaveCollapseState();
  const TIniFile copy(work_.SettingsFile());
  TIniFile settings(global_.SettingsFile());
  const int code = selector_->CurrentCode();
  const std::string section = settings::kFormatSectionPrefix + std::to_string(code);
  TIniValues profile = copy.ReadSection(section);
  profile.emplace_back("Description", selector_->FormatName().toStdString());
  settings.WriteValues(section, profile);
  settings.WriteValues(settings::kCatalogueSection, copy.ReadSection(settings::kCatalogueSection));
  settings.WriteValues(settings::kSection,
                       {{settings::kFormatName, selector_->FormatName().toStdString()},
                        {settings::kFormatCode, std::to_string(code)}});
}

}  // namespace qarvo
