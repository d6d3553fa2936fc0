#include "app/TfrmPreference.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <array>

#include "core/AppPaths.h"
#include "core/IniFile.h"
#include "core/SettingsKeys.h"
#include "app/IMainDialogs.h"
#include "app/IShellOpener.h"

namespace qarvo {

namespace {

constexpr std::array<const char*, 4> kPriorityCaptions{"Idle", "Normal", "Lower", "Lowest"};
constexpr std::array<const char*, 4> kPriorityNames{"rbIdle", "rbNormal", "rbLower", "rbLowest"};

const char* const kQualityHint[] = {
    "Use Compression Quality to set the compression quality of the ",
    "JPEG image when writing out a snapshot jpeg image. Higher compression ",
    "results in a poorer picture quality, but a smaller file size. ",
    "",
    " The higher the Compression Quality value (up to a maximum of 100), ",
    "the better the image quality, but the larger the file size. ",
    "The lower the Compression Quality value (to a minimum of 1),",
    " the smaller the resulting file size, but at the expense of picture quality."};

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
  auto* button = Named(new QPushButton(caption, parent), name);
  button->setAutoDefault(false);
  return button;
}

QLabel* Label(QWidget* parent, const QString& caption) {
  auto* label = new QLabel(caption, parent);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return label;
}

}  // namespace

TfrmPreference::TfrmPreference(const TGlobalObject& global, IMainDialogs& dialogs,
                               IShellOpener& shell, QWidget* parent)
    : QDialog(parent), global_(global), dialogs_(dialogs), shell_(shell) {
  setObjectName(QStringLiteral("frmPreference"));
  setWindowTitle(QStringLiteral("Preference"));
  setModal(true);

  btnOk = Button(this, "btnOk", QStringLiteral("&Ok"));
  btnOk->setDefault(true);
  btnCancel = Button(this, "btnCancel", QStringLiteral("&Cancel"));
  btnDefault = Button(this, "btnDefault", QStringLiteral("&Default"));
  connect(btnOk, &QPushButton::clicked, this, &TfrmPreference::btnOkClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(btnDefault, &QPushButton::clicked, this, &TfrmPreference::btnDefaultClick);

  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(6);
  buttons->addWidget(btnDefault);
  buttons->addStretch(1);
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(10);
  layout->addWidget(CreateSnapshotGroup());
  layout->addWidget(CreatePriorityGroup());
  layout->addWidget(CreateProcessorGroup());
  layout->addStretch(1);
  layout->addLayout(buttons);
}

QWidget* TfrmPreference::CreateSnapshotGroup() {
  auto* group = Named(new QGroupBox(QStringLiteral("Snapshot"), this), "grpSnapshot");
  edtSnapDirectory = Named(new QLineEdit(group), "edtSnapDirectory");
  edtSnapDirectory->setReadOnly(true);
  btnOpen = Button(group, "btnOpen", QStringLiteral("&Open"));
  btnBrows = Button(group, "btnBrows", QStringLiteral("&Brows"));
  chkSmallSize = Named(new QCheckBox(QStringLiteral("Small Size"), group), "chkSmallSize");
  chkFullSize = Named(new QCheckBox(QStringLiteral("Full Size"), group), "chkFullSize");
  chkBmp = Named(new QCheckBox(QStringLiteral("BMP"), group), "chkBmp");
  chkJpg = Named(new QCheckBox(QStringLiteral("JPG"), group), "chkJpg");
  spedCmp = Named(new QSpinBox(group), "spedCmp");
  trcCmp = Named(new QSlider(Qt::Horizontal, group), "trcCmp");
  spedCmp->setRange(kJpgQualityMin, kJpgQualityMax);
  trcCmp->setRange(kJpgQualityMin, kJpgQualityMax);
  QStringList hint;
  for (const char* line : kQualityHint) hint << QString::fromLatin1(line);
  spedCmp->setToolTip(hint.join(QLatin1Char('\n')));
  auto* note = Named(
      new QLabel(QStringLiteral("(The higher the value, the better the image quality.)"), group),
      "lblCmpNote");
  chkKeepEverySnapshot =
      Named(new QCheckBox(QStringLiteral("Keep every snapshot"), group), "chkKeepEverySnapshot");
  chkKeepEverySnapshot->setToolTip(QStringLiteral(
      "Name each snapshot with the date and time instead of replacing the last one"));

  connect(btnOpen, &QPushButton::clicked, this, &TfrmPreference::btnOpenClick);
  connect(btnBrows, &QPushButton::clicked, this, &TfrmPreference::btnBrowsClick);
  connect(chkFullSize, &QCheckBox::clicked, this, [this] { PairClick(chkFullSize, chkSmallSize); });
  connect(chkSmallSize, &QCheckBox::clicked, this,
          [this] { PairClick(chkSmallSize, chkFullSize); });
  connect(chkBmp, &QCheckBox::clicked, this, [this] { PairClick(chkBmp, chkJpg); });
  connect(chkJpg, &QCheckBox::clicked, this, &TfrmPreference::chkJpgClick);
  connect(trcCmp, &QSlider::valueChanged, this, [this](int value) {
    if (const auto quality = FollowedQuality(value)) spedCmp->setValue(*quality);
  });
  connect(spedCmp, &QSpinBox::valueChanged, this, [this](int value) {
    if (const auto quality = FollowedQuality(value)) trcCmp->setValue(*quality);
  });

  auto* grid = new QGridLayout(group);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(6);
  grid->addWidget(Label(group, QStringLiteral("Snapshot folder:")), 0, 0);
  grid->addWidget(edtSnapDirectory, 0, 1, 1, 3);
  auto* folderButtons = new QHBoxLayout;
  folderButtons->addStretch(1);
  folderButtons->addWidget(btnOpen);
  folderButtons->addWidget(btnBrows);
  grid->addLayout(folderButtons, 1, 1, 1, 3);
  grid->addWidget(Label(group, QStringLiteral("Snapshot size:")), 2, 0);
  grid->addWidget(chkSmallSize, 2, 1);
  grid->addWidget(chkFullSize, 2, 2);
  grid->addWidget(Label(group, QStringLiteral("Snapshot format:")), 3, 0);
  grid->addWidget(chkBmp, 3, 1);
  grid->addWidget(chkJpg, 3, 2);
  grid->addWidget(Label(group, QStringLiteral("Jpg Compression Quality:")), 4, 0);
  auto* qualityRow = new QHBoxLayout;
  qualityRow->addWidget(spedCmp);
  qualityRow->addWidget(trcCmp, 1);
  grid->addLayout(qualityRow, 4, 1, 1, 3);
  grid->addWidget(note, 5, 0, 1, 4, Qt::AlignRight);
  grid->addWidget(chkKeepEverySnapshot, 6, 1, 1, 3);

  grid->setColumnStretch(3, 1);
  return group;
}

QWidget* TfrmPreference::CreatePriorityGroup() {
  auto* group = Named(new QGroupBox(QStringLiteral("Work priority"), this), "rgPriorityBox");
  rgPriority = new QButtonGroup(group);
  rgPriority->setObjectName(QStringLiteral("rgPriority"));
  auto* row = new QHBoxLayout(group);
  row->setSpacing(10);
  for (int index = 0; index < static_cast<int>(kPriorityCaptions.size()); ++index) {
    auto* radio = Named(new QRadioButton(QString::fromLatin1(kPriorityCaptions[index]), group),
                        kPriorityNames[index]);
    rgPriority->addButton(radio, index);
    row->addWidget(radio);
  }
  row->addStretch(1);
  return group;
}

QWidget* TfrmPreference::CreateProcessorGroup() {
  auto* group = Named(new QGroupBox(QStringLiteral("Processor"), this), "grpProcessor");
  chkUseAllCores =
      Named(new QCheckBox(QStringLiteral("Use all processor cores"), group), "chkUseAllCores");
  cmbSimultaneousJobs = Named(new QComboBox(group), "cmbSimultaneousJobs");
  cmbSimultaneousJobs->addItem(QStringLiteral("Automatic"));
  for (int jobs = 1; jobs <= settings::kSimultaneousJobsMax; ++jobs)
    cmbSimultaneousJobs->addItem(QString::number(jobs));
  auto* label = Label(group, QStringLiteral("Simultaneous conversions:"));
  label->setBuddy(cmbSimultaneousJobs);
  auto* grid = new QGridLayout(group);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(6);
  grid->addWidget(chkUseAllCores, 0, 0, 1, 3);
  grid->addWidget(label, 1, 0);
  grid->addWidget(cmbSimultaneousJobs, 1, 1);
  grid->setColumnStretch(2, 1);
  return group;
}

void TfrmPreference::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) FormShow();
  QDialog::showEvent(event);
}

void TfrmPreference::FormShow() {
  // The starting size, taller where the processor controls need the room.
  resize(QSize(kWidth, kHeight).expandedTo(minimumSizeHint()));
  if (QWidget* owner = parentWidget()) move(owner->window()->geometry().center() - rect().center());
  ShowValues(ReadPreferences(TIniFile(global_.SettingsFile())));
}

void TfrmPreference::ShowValues(const TPreferences& values) {
  edtSnapDirectory->setText(QString::fromStdString(values.SnapFolder));
  chkFullSize->setChecked(values.FullSize);
  chkSmallSize->setChecked(values.SmallSize);
  chkBmp->setChecked(values.Bmp);
  chkJpg->setChecked(values.Jpg);
  spedCmp->setValue(values.JpgQuality);
  trcCmp->setValue(values.JpgQuality);
  if (QAbstractButton* radio = rgPriority->button(values.Priority)) radio->setChecked(true);
  chkKeepEverySnapshot->setChecked(values.KeepEverySnapshot);
  chkUseAllCores->setChecked(values.UseAllCores);
  cmbSimultaneousJobs->setCurrentIndex(values.SimultaneousJobs);
  EnableQuality();
}

TPreferences TfrmPreference::Shown() const {
  TPreferences values;
  values.SnapFolder = edtSnapDirectory->text().toStdString();
  values.FullSize = chkFullSize->isChecked();
  values.SmallSize = chkSmallSize->isChecked();
  values.Bmp = chkBmp->isChecked();
  values.Jpg = chkJpg->isChecked();
  values.JpgQuality = spedCmp->value();
  values.Priority = std::max(0, rgPriority->checkedId());
  values.KeepEverySnapshot = chkKeepEverySnapshot->isChecked();
  values.UseAllCores = chkUseAllCores->isChecked();
  values.SimultaneousJobs = cmbSimultaneousJobs->currentIndex();
  return values;
}

void TfrmPreference::PairClick(QCheckBox* clicked, QCheckBox* other) {
  clicked->setChecked(PairRuleState(clicked->isChecked(), other->isChecked()));
}

void TfrmPreference::chkJpgClick() {
  PairClick(chkJpg, chkBmp);
  EnableQuality();
}

void TfrmPreference::EnableQuality() {
  spedCmp->setEnabled(chkJpg->isChecked());
  trcCmp->setEnabled(chkJpg->isChecked());
}

void TfrmPreference::btnOpenClick() {
  const std::string folder =
      TIniFile(global_.SettingsFile())
          .ReadString(settings::kSection, settings::kSnapOutPutDir, DefaultOutputFolder());
  if (edtSnapDirectory->text().size() > 2) shell_.OpenFolder(QString::fromStdString(folder));
}

void TfrmPreference::btnBrowsClick() {
  const QString folder = dialogs_.ChooseFolder(this, edtSnapDirectory->text());
  if (folder.isEmpty() || folder == edtSnapDirectory->text()) return;
  TIniFile settings(global_.SettingsFile());
  settings.WriteString(settings::kSection, settings::kSnapOutPutDir, folder.toStdString());
  edtSnapDirectory->setText(folder);
}

void TfrmPreference::btnDefaultClick() { ShowValues(DefaultPreferences()); }

void TfrmPreference::btnOkClick() {
  TIniFile settings(global_.SettingsFile());
  StorePreferences(settings, Shown());
  accept();
}

}  // namespace qarvo
