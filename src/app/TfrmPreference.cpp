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

  okButton_ = Button(this, "btnOk", QStringLiteral("&Ok"));
  okButton_->setDefault(true);
  cancelButton_ = Button(this, "btnCancel", QStringLiteral("&Cancel"));
  defaultButton_ = Button(this, "btnDefault", QStringLiteral("&Default"));
  connect(okButton_, &QPushButton::clicked, this, &TfrmPreference::btnOkClick);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
  connect(defaultButton_, &QPushButton::clicked, this, &TfrmPreference::btnDefaultClick);

  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(6);
  buttons->addWidget(defaultButton_);
  buttons->addStretch(1);
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
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
  snapshotFolderEdit_ = Named(new QLineEdit(group), "edtSnapDirectory");
  snapshotFolderEdit_->setReadOnly(true);
  openFolderButton_ = Button(group, "btnOpen", QStringLiteral("&Open"));
  browseButton_ = Button(group, "btnBrows", QStringLiteral("&Brows"));
  smallSizeCheck_ = Named(new QCheckBox(QStringLiteral("Small Size"), group), "chkSmallSize");
  fullSizeCheck_ = Named(new QCheckBox(QStringLiteral("Full Size"), group), "chkFullSize");
  bmpCheck_ = Named(new QCheckBox(QStringLiteral("BMP"), group), "chkBmp");
  jpegCheck_ = Named(new QCheckBox(QStringLiteral("JPG"), group), "chkJpg");
  jpegQualitySpin_ = Named(new QSpinBox(group), "spedCmp");
  jpegQualitySlider_ = Named(new QSlider(Qt::Horizontal, group), "trcCmp");
  jpegQualitySpin_->setRange(kJpgQualityMin, kJpgQualityMax);
  jpegQualitySlider_->setRange(kJpgQualityMin, kJpgQualityMax);
  QStringList hint;
  for (const char* line : kQualityHint) hint << QString::fromLatin1(line);
  jpegQualitySpin_->setToolTip(hint.join(QLatin1Char('\n')));
  auto* note = Named(
      new QLabel(QStringLiteral("(The higher the value, the better the image quality.)"), group),
      "lblCmpNote");
  keepEverySnapshotCheck_ =
      Named(new QCheckBox(QStringLiteral("Keep every snapshot"), group), "chkKeepEverySnapshot");
  keepEverySnapshotCheck_->setToolTip(QStringLiteral(
      "Name each snapshot with the date and time instead of replacing the last one"));

  connect(openFolderButton_, &QPushButton::clicked, this, &TfrmPreference::btnOpenClick);
  connect(browseButton_, &QPushButton::clicked, this, &TfrmPreference::btnBrowsClick);
  connect(fullSizeCheck_, &QCheckBox::clicked, this,
          [this] { PairClick(fullSizeCheck_, smallSizeCheck_); });
  connect(smallSizeCheck_, &QCheckBox::clicked, this,
          [this] { PairClick(smallSizeCheck_, fullSizeCheck_); });
  connect(bmpCheck_, &QCheckBox::clicked, this, [this] { PairClick(bmpCheck_, jpegCheck_); });
  connect(jpegCheck_, &QCheckBox::clicked, this, &TfrmPreference::chkJpgClick);
  connect(jpegQualitySlider_, &QSlider::valueChanged, this, [this](int value) {
    if (const auto quality = FollowedQuality(value)) jpegQualitySpin_->setValue(*quality);
  });
  connect(jpegQualitySpin_, &QSpinBox::valueChanged, this, [this](int value) {
    if (const auto quality = FollowedQuality(value)) jpegQualitySlider_->setValue(*quality);
  });

  auto* grid = new QGridLayout(group);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(6);
  grid->addWidget(Label(group, QStringLiteral("Snapshot folder:")), 0, 0);
  grid->addWidget(snapshotFolderEdit_, 0, 1, 1, 3);
  auto* folderButtons = new QHBoxLayout;
  folderButtons->addStretch(1);
  folderButtons->addWidget(openFolderButton_);
  folderButtons->addWidget(browseButton_);
  grid->addLayout(folderButtons, 1, 1, 1, 3);
  grid->addWidget(Label(group, QStringLiteral("Snapshot size:")), 2, 0);
  grid->addWidget(smallSizeCheck_, 2, 1);
  grid->addWidget(fullSizeCheck_, 2, 2);
  grid->addWidget(Label(group, QStringLiteral("Snapshot format:")), 3, 0);
  grid->addWidget(bmpCheck_, 3, 1);
  grid->addWidget(jpegCheck_, 3, 2);
  grid->addWidget(Label(group, QStringLiteral("Jpg Compression Quality:")), 4, 0);
  auto* qualityRow = new QHBoxLayout;
  qualityRow->addWidget(jpegQualitySpin_);
  qualityRow->addWidget(jpegQualitySlider_, 1);
  grid->addLayout(qualityRow, 4, 1, 1, 3);
  grid->addWidget(note, 5, 0, 1, 4, Qt::AlignRight);
  grid->addWidget(keepEverySnapshotCheck_, 6, 1, 1, 3);

  grid->setColumnStretch(3, 1);
  return group;
}

QWidget* TfrmPreference::CreatePriorityGroup() {
  auto* group = Named(new QGroupBox(QStringLiteral("Work priority"), this), "rgPriorityBox");
  priorityGroup_ = new QButtonGroup(group);
  priorityGroup_->setObjectName(QStringLiteral("rgPriority"));
  auto* row = new QHBoxLayout(group);
  row->setSpacing(10);
  for (int index = 0; index < static_cast<int>(kPriorityCaptions.size()); ++index) {
    auto* radio = Named(new QRadioButton(QString::fromLatin1(kPriorityCaptions[index]), group),
                        kPriorityNames[index]);
    priorityGroup_->addButton(radio, index);
    row->addWidget(radio);
  }
  row->addStretch(1);
  return group;
}

QWidget* TfrmPreference::CreateProcessorGroup() {
  auto* group = Named(new QGroupBox(QStringLiteral("Processor"), this), "grpProcessor");
  useAllCoresCheck_ =
      Named(new QCheckBox(QStringLiteral("Use all processor cores"), group), "chkUseAllCores");
  simultaneousJobsCombo_ = Named(new QComboBox(group), "cmbSimultaneousJobs");
  simultaneousJobsCombo_->addItem(QStringLiteral("Automatic"));
  for (int jobs = 1; jobs <= settings::kSimultaneousJobsMax; ++jobs)
    simultaneousJobsCombo_->addItem(QString::number(jobs));
  auto* label = Label(group, QStringLiteral("Simultaneous conversions:"));
  label->setBuddy(simultaneousJobsCombo_);
  auto* grid = new QGridLayout(group);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(6);
  grid->addWidget(useAllCoresCheck_, 0, 0, 1, 3);
  grid->addWidget(label, 1, 0);
  grid->addWidget(simultaneousJobsCombo_, 1, 1);
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
  snapshotFolderEdit_->setText(QString::fromStdString(values.SnapFolder));
  fullSizeCheck_->setChecked(values.FullSize);
  smallSizeCheck_->setChecked(values.SmallSize);
  bmpCheck_->setChecked(values.Bmp);
  jpegCheck_->setChecked(values.Jpg);
  jpegQualitySpin_->setValue(values.JpgQuality);
  jpegQualitySlider_->setValue(values.JpgQuality);
  if (QAbstractButton* radio = priorityGroup_->button(values.Priority)) radio->setChecked(true);
  keepEverySnapshotCheck_->setChecked(values.KeepEverySnapshot);
  useAllCoresCheck_->setChecked(values.UseAllCores);
  simultaneousJobsCombo_->setCurrentIndex(values.SimultaneousJobs);
  EnableQuality();
}

TPreferences TfrmPreference::Shown() const {
  TPreferences values;
  values.SnapFolder = snapshotFolderEdit_->text().toStdString();
  values.FullSize = fullSizeCheck_->isChecked();
  values.SmallSize = smallSizeCheck_->isChecked();
  values.Bmp = bmpCheck_->isChecked();
  values.Jpg = jpegCheck_->isChecked();
  values.JpgQuality = jpegQualitySpin_->value();
  values.Priority = std::max(0, priorityGroup_->checkedId());
  values.KeepEverySnapshot = keepEverySnapshotCheck_->isChecked();
  values.UseAllCores = useAllCoresCheck_->isChecked();
  values.SimultaneousJobs = simultaneousJobsCombo_->currentIndex();
  return values;
}

void TfrmPreference::PairClick(QCheckBox* clicked, QCheckBox* other) {
  clicked->setChecked(PairRuleState(clicked->isChecked(), other->isChecked()));
}

void TfrmPreference::chkJpgClick() {
  PairClick(jpegCheck_, bmpCheck_);
  EnableQuality();
}

void TfrmPreference::EnableQuality() {
  jpegQualitySpin_->setEnabled(jpegCheck_->isChecked());
  jpegQualitySlider_->setEnabled(jpegCheck_->isChecked());
}

void TfrmPreference::btnOpenClick() {
  const std::string folder =
      TIniFile(global_.SettingsFile())
          .ReadString(settings::kSection, settings::kSnapOutPutDir, DefaultOutputFolder());
  if (snapshotFolderEdit_->text().size() > 2) shell_.OpenFolder(QString::fromStdString(folder));
}

void TfrmPreference::btnBrowsClick() {
  const QString folder = dialogs_.ChooseFolder(this, snapshotFolderEdit_->text());
  if (folder.isEmpty() || folder == snapshotFolderEdit_->text()) return;
  TIniFile settings(global_.SettingsFile());
  settings.WriteString(settings::kSection, settings::kSnapOutPutDir, folder.toStdString());
  snapshotFolderEdit_->setText(folder);
}

void TfrmPreference::btnDefaultClick() { ShowValues(DefaultPreferences()); }

void TfrmPreference::btnOkClick() {
  TIniFile settings(global_.SettingsFile());
  StorePreferences(settings, Shown());
  accept();
}

}  // namespace qarvo
