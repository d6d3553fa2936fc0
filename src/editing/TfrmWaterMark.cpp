#include "editing/TfrmWaterMark.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFontComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "base/TBitmap.h"
#include "core/CropFrame.h"
#include "core/PreviewText.h"
#include "editing/DialogControls.h"
#include "editing/TDialogPlayer.h"
#include "editing/TSelectionSlider.h"
#include "jobs/TVideoSurfaceWidget.h"

namespace qarvo {
namespace {

struct TNamedColour {
  const char* Name;
  uint32_t Rgb;
};

constexpr TNamedColour kColours[] = {
    {"Black", 0x000000},  {"Maroon", 0x800000},  {"Green", 0x008000}, {"Olive", 0x808000},
    {"Navy", 0x000080},   {"Purple", 0x800080},  {"Teal", 0x008080},  {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0xFF0000},     {"Lime", 0x00FF00},  {"Yellow", 0xFFFF00},
    {"Blue", 0x0000FF},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0x00FFFF},  {"White", 0xFFFFFF},
};

QString DefaultChooser(QWidget* parent) {
  // Any picture the watermark reader takes; bitmaps first.
  return QFileDialog::getOpenFileName(
      parent, QString(), QString(),
      QStringLiteral("Bitmap files (*.bmp);;Pictures (*.bmp *.png *.jpg *.jpeg)"));
}

QSlider* MakeBar(QWidget* parent, const char* name, TValueRange range) {
  auto* bar = new QSlider(Qt::Horizontal, parent);
  bar->setObjectName(QString::fromLatin1(name));
  bar->setRange(range.Minimum, range.Maximum);
  return bar;
}

QCheckBox* MakeCheck(QWidget* parent, const char* name, const char* caption) {
  auto* check = new QCheckBox(QString::fromLatin1(caption), parent);
  check->setObjectName(QString::fromLatin1(name));
  return check;
}

}  // namespace

TfrmWaterMark::TfrmWaterMark(std::string libraryFolder, QWidget* parent)
    : QDialog(parent), chooseFile_(DefaultChooser) {
  setObjectName(QStringLiteral("frmWaterMark"));
  setWindowTitle(QStringLiteral("Watermark"));
  setModal(true);
  player_ = std::make_unique<TDialogPlayer>(this, std::move(libraryFolder), "imgPreview");
  player_->SetEvents({
      .FileOpened = [this](int64_t duration, int, int) { PlayerFileOpen(duration); },
      .Position = [this](int64_t pts) { PlayerPosition(pts); },
      .Ended = [this] { PlayerEnded(); },
      .Hook = [this](TBitmap& bitmap, const TlvFilesRecord&) { PlayerHook(bitmap); },
  });
  CreateControls();
  resize(kWidth, kHeight);
}

// imgPreview goes with the dialog: the player lets go of it first.
TfrmWaterMark::~TfrmWaterMark() { player_->Close(); }

TMediaPlayer& TfrmWaterMark::Player() { return player_->Player(); }

// ---- Controls ------------------------------------------------------------------------------

QSlider* TfrmWaterMark::AddEffectRow(QGridLayout* grid, int row, const char* caption,
                                     const char* bar, const char* box, TValueRange range,
                                     QSpinBox*& spin) {
  QWidget* page = grid->parentWidget();
  QSlider* slider = MakeBar(page, bar, range);
  spin = new QSpinBox(page);
  spin->setObjectName(QString::fromLatin1(box));
  spin->setRange(range.Minimum, range.Maximum);
  grid->addWidget(new QLabel(QString::fromLatin1(caption), page), row, 0, Qt::AlignRight);
  grid->addWidget(slider, row, 1);
  grid->addWidget(spin, row, 2);
  // The bar and its box mirror each other.
  connect(slider, &QSlider::valueChanged, spin, &QSpinBox::setValue);
  connect(spin, &QSpinBox::valueChanged, slider, &QSlider::setValue);
  connect(slider, &QSlider::valueChanged, this, &TfrmWaterMark::ValuesChanged);
  return slider;
}

QSlider* TfrmWaterMark::AddPositionRow(QGridLayout* grid, int row, const char* caption,
                                       const char* bar, const char* box, TValueRange range,
                                       const char* unit) {
  QWidget* page = grid->parentWidget();
  QSlider* slider = MakeBar(page, bar, range);
  QLabel* value = MakeNamedLabel(page, box, QStringLiteral("0"));
  value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("000")));
  value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  grid->addWidget(new QLabel(QString::fromLatin1(caption), page), row, 0, Qt::AlignRight);
  grid->addWidget(slider, row, 1);
  grid->addWidget(value, row, 2);
  grid->addWidget(new QLabel(QString::fromLatin1(unit), page), row, 3);
  connect(slider, &QSlider::valueChanged, value, [value](int v) { value->setNum(v); });
  connect(slider, &QSlider::valueChanged, this, &TfrmWaterMark::ValuesChanged);
  return slider;
}

QWidget* TfrmWaterMark::CreateEffectTab() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(8);
  brightnessSlider_ = AddEffectRow(grid, 0, "Brightness:", "trcBrightness", "spedtBrightness",
                                   kBrightnessRange, brightnessSpin_);
  contrastSlider_ = AddEffectRow(grid, 1, "Contrast:", "trcContrast", "spedtContrast",
                                 kContrastRange, contrastSpin_);
  saturationSlider_ = AddEffectRow(grid, 2, "Saturation:", "trcSaturation", "spedtSaturation",
                                   kSaturationRange, saturationSpin_);
  exposureSlider_ = AddEffectRow(grid, 3, "Exposure:", "trcExposure", "spedtExposure",
                                 kExposureRange, exposureSpin_);
  autoadjustSlider_ = AddEffectRow(grid, 4, "Auto adjust:", "trcAutoadjust", "spedtAutoadjust",
                                   kAutoAdjustRange, autoadjustSpin_);
  autoAdjustRadio_ = new QRadioButton(QStringLiteral("Audio adjust"), page);
  autoAdjustRadio_->setObjectName(QStringLiteral("rbAudioAdjust"));
  textCheck_ = MakeCheck(page, "chkProcessText", "Process  Added Text");
  pictureCheck_ = MakeCheck(page, "chkProcessImage", "Process  Added Image");
  resetButton_ = MakeNamedButton(page, "btnReset", QStringLiteral("Reset"));
  grid->addWidget(autoAdjustRadio_, 5, 1);
  grid->addWidget(textCheck_, 6, 1);
  grid->addWidget(pictureCheck_, 7, 1);
  grid->addWidget(resetButton_, 8, 2);
  grid->setRowStretch(9, 1);
  grid->setColumnStretch(1, 1);
  connect(textCheck_, &QCheckBox::toggled, this, &TfrmWaterMark::ValuesChanged);
  connect(pictureCheck_, &QCheckBox::toggled, this, &TfrmWaterMark::ValuesChanged);
  connect(resetButton_, &QPushButton::clicked, this, &TfrmWaterMark::btnResetClick);
  return page;
}

QWidget* TfrmWaterMark::CreateTextTab() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(8);
  fontEdit_ = new QLineEdit(page);
  fontEdit_->setObjectName(QStringLiteral("edtFont"));
  fontCombo_ = new QFontComboBox(page);
  fontCombo_->setObjectName(QStringLiteral("suiFontCmb"));
  fontSizeCombo_ = new QComboBox(page);
  fontSizeCombo_->setObjectName(QStringLiteral("suiFontSizeCmb"));
  textColourCombo_ = new QComboBox(page);
  textColourCombo_->setObjectName(QStringLiteral("suiColorBoxcmb"));
  FillColourBox();
  boldCheck_ = MakeCheck(page, "chkBold", "Bold");
  italicCheck_ = MakeCheck(page, "chkItalic", "Italic");
  underlineCheck_ = MakeCheck(page, "chkUnderline", "Underline");
  strikeOutCheck_ = MakeCheck(page, "chkStrikeOut", "StrikeOut");
  auto* styles = new QHBoxLayout;
  for (QCheckBox* check : {boldCheck_, italicCheck_, underlineCheck_, strikeOutCheck_})
    styles->addWidget(check);
  styles->addStretch(1);
  grid->addWidget(fontEdit_, 0, 0, 1, 4);
  grid->addWidget(new QLabel(QStringLiteral("Font:"), page), 1, 0, Qt::AlignRight);
  grid->addWidget(fontCombo_, 1, 1, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("Font Size:"), page), 2, 0, Qt::AlignRight);
  grid->addWidget(fontSizeCombo_, 2, 1, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("Font Color:"), page), 3, 0, Qt::AlignRight);
  grid->addWidget(textColourCombo_, 3, 1, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("Font Style:"), page), 4, 0, Qt::AlignRight);
  grid->addLayout(styles, 4, 1, 1, 3);
  textHorizontalSlider_ = AddPositionRow(grid, 5, "Horizontal Position:", "trcTextHoriz",
                                         "lblTextHoriz", kPositionRange, "%");
  textVerticalSlider_ = AddPositionRow(grid, 6, "Vertical Position:", "trcTextVert", "lblTextVert",
                                       kPositionRange, "%");
  textOpacitySlider_ = AddPositionRow(grid, 7, "Transparency:", "trcTextTran", "lblTextTran",
                                      kTextTransparencyRange, "%");
  clearTextButton_ = MakeNamedButton(page, "btnClearText", QStringLiteral("Clear Text"));
  grid->addWidget(clearTextButton_, 8, 1, 1, 3, Qt::AlignRight);
  grid->setRowStretch(9, 1);
  grid->setColumnStretch(1, 1);
  connect(fontEdit_, &QLineEdit::textChanged, this, &TfrmWaterMark::edtFontChange);
  connect(fontCombo_, &QFontComboBox::currentFontChanged, this, &TfrmWaterMark::UpdateTextFont);
  connect(fontSizeCombo_, &QComboBox::currentIndexChanged, this, &TfrmWaterMark::UpdateTextFont);
  connect(textColourCombo_, &QComboBox::currentIndexChanged, this, &TfrmWaterMark::UpdateTextFont);
  for (QCheckBox* check : {boldCheck_, italicCheck_, underlineCheck_, strikeOutCheck_})
    connect(check, &QCheckBox::toggled, this, &TfrmWaterMark::UpdateTextFont);
  connect(clearTextButton_, &QPushButton::clicked, this, &TfrmWaterMark::btnClearTextClick);
  return page;
}

QWidget* TfrmWaterMark::CreateImageTab() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(8);
  pictureFileEdit_ = new QLineEdit(page);
  pictureFileEdit_->setObjectName(QStringLiteral("edtAddImage"));
  browseButton_ = MakeNamedButton(page, "btnBrows", QStringLiteral("&Brows"));
  grid->addWidget(new QLabel(QStringLiteral("Image:"), page), 0, 0, Qt::AlignRight);
  grid->addWidget(pictureFileEdit_, 0, 1, 1, 2);
  grid->addWidget(browseButton_, 0, 3);
  pictureHorizontalSlider_ = AddPositionRow(grid, 1, "Horizontal Position:", "trcImageHoriz",
                                            "lblImageHoriz", kPositionRange, "%");
  pictureVerticalSlider_ = AddPositionRow(grid, 2, "Vertical Position:", "trcImageVert",
                                          "lblImageVert", kPositionRange, "%");
  pictureOpacitySlider_ = AddPositionRow(grid, 3, "Transparency:", "trcImageAlpha", "lblImageAlpha",
                                         kImageAlphaRange, "");
  textStyleRadio_ = new QRadioButton(QStringLiteral("Transparent style 1"), page);
  textStyleRadio_->setObjectName(QStringLiteral("rbStyle1"));
  pictureStyleRadio_ = new QRadioButton(QStringLiteral("Transparent style 2"), page);
  pictureStyleRadio_->setObjectName(QStringLiteral("rbStyle2"));
  auto* group = new QButtonGroup(page);
  group->addButton(textStyleRadio_);
  group->addButton(pictureStyleRadio_);
  grid->addWidget(textStyleRadio_, 4, 1);
  grid->addWidget(pictureStyleRadio_, 5, 1);
  clearPictureButton_ = MakeNamedButton(page, "btnClearImage", QStringLiteral("Clear Image"));
  grid->addWidget(clearPictureButton_, 6, 1, 1, 3, Qt::AlignRight);
  grid->setRowStretch(7, 1);
  grid->setColumnStretch(1, 1);
  connect(pictureFileEdit_, &QLineEdit::textChanged, this, &TfrmWaterMark::edtAddImageChange);
  connect(textStyleRadio_, &QRadioButton::toggled, this, &TfrmWaterMark::ValuesChanged);
  connect(browseButton_, &QPushButton::clicked, this, &TfrmWaterMark::btnBrowsClick);
  connect(clearPictureButton_, &QPushButton::clicked, this, &TfrmWaterMark::btnClearImageClick);
  return page;
}

QWidget* TfrmWaterMark::CreatePreviewGroups() {
  auto* column = new QWidget(this);
  auto* source = new QGroupBox(QStringLiteral("Source Preview"), column);
  source->setObjectName(QStringLiteral("grpSourcePreview"));
  TVideoSurfaceWidget* surface = player_->Surface();
  surface->setMinimumSize(320, 240);
  surface->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  positionLabel_ = MakeNamedLabel(source, "lblPTS", QStringLiteral("Play Time"));
  lengthLabel_ = MakeNamedLabel(source, "lblLength", QStringLiteral("Length"));
  QHBoxLayout* controls =
      MakePlayRow(player_->PlayButton(), player_->PauseButton(), player_->Bar());
  auto* times = new QHBoxLayout;
  times->addWidget(positionLabel_);
  times->addStretch(1);
  times->addWidget(lengthLabel_);
  auto* sourceLayout = new QVBoxLayout(source);
  sourceLayout->addWidget(surface, 1);
  sourceLayout->addLayout(controls);
  sourceLayout->addLayout(times);

  auto* output = new QGroupBox(QStringLiteral("Output Preview"), column);
  output->setObjectName(QStringLiteral("grpOutputPreview"));
  pictureLabel_ = new QLabel(output);
  pictureLabel_->setObjectName(QStringLiteral("imgOutput"));
  pictureLabel_->setMinimumSize(160, 90);
  // Black as the dialog opens, whatever size the area takes later.
  pictureLabel_->setScaledContents(true);
  pictureLabel_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  auto* outputLayout = new QVBoxLayout(output);
  outputLayout->addWidget(pictureLabel_);

  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(10);
  layout->addWidget(source, 3);
  layout->addWidget(output, 1);
  return column;
}

void TfrmWaterMark::CreateControls() {
  effectTabs_ = new QTabWidget(this);
  effectTabs_->setObjectName(QStringLiteral("pgcEffects"));
  effectTabs_->addTab(CreateEffectTab(), QStringLiteral("Effect"));
  effectTabs_->addTab(CreateTextTab(), QStringLiteral("Add Text"));
  effectTabs_->addTab(CreateImageTab(), QStringLiteral("Add Image"));
  okButton_ = MakeNamedButton(this, "btnOk", QStringLiteral("&Ok"));
  cancelButton_ = MakeNamedButton(this, "btnCancel", QStringLiteral("&Cancel"));
  auto* middle = new QHBoxLayout;
  middle->setSpacing(10);
  middle->addWidget(effectTabs_, 1);
  middle->addWidget(CreatePreviewGroups(), 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(8);
  layout->addLayout(middle, 1);
  layout->addLayout(MakeClosingRow(nullptr, okButton_, cancelButton_));
  connect(okButton_, &QPushButton::clicked, this, &TfrmWaterMark::btnOkClick);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmWaterMark::FillColourBox() {
  for (const TNamedColour& colour : kColours) {
    QPixmap swatch(14, 14);
    swatch.fill(QColor::fromRgb(colour.Rgb));
    textColourCombo_->addItem(QIcon(swatch), QString::fromLatin1(colour.Name),
                              QVariant::fromValue(colour.Rgb));
  }
}

void TfrmWaterMark::SelectColour(uint32_t colour) {
  int index = textColourCombo_->findData(QVariant::fromValue(colour));
  if (index < 0) {
    // A colour of its own (from another program's record) is kept, not rounded to a name.
    QPixmap swatch(14, 14);
    swatch.fill(QColor::fromRgb(colour));
    textColourCombo_->addItem(QIcon(swatch), QColor::fromRgb(colour).name(),
                              QVariant::fromValue(colour));
    index = textColourCombo_->count() - 1;
  }
  textColourCombo_->setCurrentIndex(index);
}

uint32_t TfrmWaterMark::SelectedColour() const {
  return textColourCombo_->currentIndex() < 0 ? 0 : textColourCombo_->currentData().toUInt();
}

// ---- Opening -------------------------------------------------------------------------------

int TfrmWaterMark::Execute(TlvFilesRecord* record) {
  show();
  Prepare(record);
  return exec();
}

void TfrmWaterMark::Prepare(TlvFilesRecord* record) {
  record_ = record;
  const TlvFilesRecord none;
  const TlvFilesRecord& source = record ? *record : none;
  player_->Close();
  // No hook runs once Close has returned.
  base_ = source;
  // Until a picture is previewed the stored positions stand: an Ok before the first picture
  // (or without a preview at all) must not move the watermarks to the corner.
  last_ = {source.TextX, source.TextY, source.ImageX, source.ImageY};
  processor_.Clear();
  ShowValues(EffectValuesOf(source));
  QPixmap black(pictureLabel_->size());
  black.fill(Qt::black);
  pictureLabel_->setPixmap(black);
  setWindowTitle(QString::fromStdString(WaterMarkCaption(source.SourceFile)));
  player_->Open(record);
}

void TfrmWaterMark::ShowValues(const TEffectValues& values) {
  showing_ = true;
  textHorizontalSlider_->setValue(values.TextHorizPos);
  textVerticalSlider_->setValue(values.TextVertPos);
  pictureHorizontalSlider_->setValue(values.ImageHorizPos);
  pictureVerticalSlider_->setValue(values.ImageVertPos);
  pictureOpacitySlider_->setValue(values.ImageAlpha);
  (values.TransparentStyle == 1 ? textStyleRadio_ : pictureStyleRadio_)->setChecked(true);
  fontSizeCombo_->clear();
  for (int size = kFontSizeRange.Minimum; size <= kFontSizeRange.Maximum; ++size)
    fontSizeCombo_->addItem(QString::number(size));
  brightnessSlider_->setValue(values.Brightness);
  contrastSlider_->setValue(values.Contrast);
  saturationSlider_->setValue(values.Saturation);
  exposureSlider_->setValue(values.Exposure);
  textCheck_->setChecked(values.ProcessText);
  pictureCheck_->setChecked(values.ProcessImage);
  if (!values.WaterText.empty()) {
    const TWaterFont& font = values.WaterFont;
    fontCombo_->setCurrentFont(QFont(QString::fromStdString(font.Name)));
    const int sizeIndex = fontSizeCombo_->findText(QString::number(font.Size));
    fontSizeCombo_->setCurrentIndex(sizeIndex >= 0 ? sizeIndex : 0);
    SelectColour(font.Color);
    boldCheck_->setChecked(font.Bold);
    italicCheck_->setChecked(font.Italic);
    underlineCheck_->setChecked(font.Underline);
    strikeOutCheck_->setChecked(font.StrikeOut);
    fontEdit_->setText(QString::fromStdString(values.WaterText));
    // The record's own face and size, also when the boxes have no such item.
    QFont shown(QString::fromStdString(font.Name));
    if (font.Size > 0) shown.setPointSize(font.Size);
    shown.setBold(font.Bold);
    shown.setItalic(font.Italic);
    shown.setUnderline(font.Underline);
    shown.setStrikeOut(font.StrikeOut);
    fontEdit_->setFont(shown);
    QPalette colours = fontEdit_->palette();
    colours.setColor(QPalette::Text, QColor::fromRgb(font.Color));
    fontEdit_->setPalette(colours);
  } else {
    fontCombo_->setCurrentIndex(0);
    fontSizeCombo_->setCurrentIndex(0);
    textColourCombo_->setCurrentIndex(0);
    fontEdit_->clear();
  }
  pictureFileEdit_->setText(QString::fromStdString(values.WaterImage));
  if (!values.WaterImage.empty()) pictureOpacitySlider_->setValue(values.ImageAlpha);
  showing_ = false;
  edtAddImageChange();
  const bool text = !fontEdit_->text().isEmpty();
  textHorizontalSlider_->setEnabled(text);
  textVerticalSlider_->setEnabled(text);
  ValuesChanged();
}

// ---- Editing -------------------------------------------------------------------------------

TEffectValues TfrmWaterMark::Values() const {
  TEffectValues values;
  values.Brightness = brightnessSlider_->value();
  values.Contrast = contrastSlider_->value();
  values.Saturation = saturationSlider_->value();
  values.Exposure = exposureSlider_->value();
  values.ProcessText = textCheck_->isChecked();
  values.ProcessImage = pictureCheck_->isChecked();
  values.WaterText = fontEdit_->text().toStdString();
  const QFont font = fontEdit_->font();
  values.WaterFont.Name = font.family().toStdString();
  values.WaterFont.Size = font.pointSize() > 0 ? font.pointSize() : kFontSizeRange.Minimum;
  values.WaterFont.Bold = font.bold();
  values.WaterFont.Italic = font.italic();
  values.WaterFont.Underline = font.underline();
  values.WaterFont.StrikeOut = font.strikeOut();
  values.WaterFont.Color = SelectedColour();
  values.TextHorizPos = textHorizontalSlider_->value();
  values.TextVertPos = textVerticalSlider_->value();
  values.WaterImage = pictureFileEdit_->text().toStdString();
  values.ImageHorizPos = pictureHorizontalSlider_->value();
  values.ImageVertPos = pictureVerticalSlider_->value();
  values.ImageAlpha = pictureOpacitySlider_->value();
  values.TransparentStyle = textStyleRadio_->isChecked() ? 1 : 2;
  return values;
}

void TfrmWaterMark::ValuesChanged() {
  if (showing_) return;
  const TEffectValues values = Values();
  const auto lock = player_->HookLock();
  values_ = values;
}

void TfrmWaterMark::edtFontChange() {
  if (showing_) return;
  const bool text = !fontEdit_->text().isEmpty();
  textHorizontalSlider_->setEnabled(text);
  textVerticalSlider_->setEnabled(text);
  if (text) UpdateTextFont();
  ValuesChanged();
}

void TfrmWaterMark::UpdateTextFont() {
  if (showing_ || fontEdit_->text().isEmpty()) return;
  QFont font = fontCombo_->currentFont();
  const int size = fontSizeCombo_->currentText().toInt();
  font.setPointSize(size > 0 ? size : kFontSizeRange.Minimum);
  font.setBold(boldCheck_->isChecked());
  font.setItalic(italicCheck_->isChecked());
  font.setUnderline(underlineCheck_->isChecked());
  font.setStrikeOut(strikeOutCheck_->isChecked());
  fontEdit_->setFont(font);
  QPalette colours = fontEdit_->palette();
  colours.setColor(QPalette::Text, QColor::fromRgb(SelectedColour()));
  fontEdit_->setPalette(colours);
  ValuesChanged();
}

void TfrmWaterMark::edtAddImageChange() {
  const bool image = !pictureFileEdit_->text().isEmpty();
  for (QSlider* bar : {pictureHorizontalSlider_, pictureVerticalSlider_, pictureOpacitySlider_})
    bar->setEnabled(image);
  ValuesChanged();
}

void TfrmWaterMark::btnResetClick() {
  TEffectValues values = Values();
  ResetEffects(values);
  brightnessSlider_->setValue(values.Brightness);
  contrastSlider_->setValue(values.Contrast);
  saturationSlider_->setValue(values.Saturation);
  exposureSlider_->setValue(values.Exposure);
  textCheck_->setChecked(false);
  pictureCheck_->setChecked(false);
}

void TfrmWaterMark::btnClearTextClick() {
  fontEdit_->clear();
  textHorizontalSlider_->setValue(0);
  textVerticalSlider_->setValue(0);
  const auto lock = player_->HookLock();
  last_.TextX = last_.TextY = 0;
}

void TfrmWaterMark::btnClearImageClick() {
  pictureFileEdit_->clear();
  pictureHorizontalSlider_->setValue(0);
  pictureVerticalSlider_->setValue(0);
  pictureOpacitySlider_->setValue(kClearedImageAlpha);
  // The hook waits meanwhile: no picture is drawn with half of the clearing.
  const auto lock = player_->HookLock();
  last_.ImageX = last_.ImageY = 0;
  processor_.Clear();
}

void TfrmWaterMark::btnBrowsClick() {
  const QString file = chooseFile_ ? chooseFile_(this) : QString();
  if (!file.isEmpty()) pictureFileEdit_->setText(file);
}

void TfrmWaterMark::btnOkClick() {
  if (record_) ConfirmEffects(*record_, Values(), LastPositions());
  accept();
}

TWatermarkPositions TfrmWaterMark::LastPositions() {
  const auto lock = player_->HookLock();
  return last_;
}

// ---- Playback ------------------------------------------------------------------------------

void TfrmWaterMark::imgbtnPlayClick() { player_->Play(); }

void TfrmWaterMark::imgbtnpauseClick() { player_->Pause(); }

void TfrmWaterMark::done(int result) {
  player_->Close();
  processor_.Clear();  // no hook runs once Close has returned
  record_ = nullptr;
  QDialog::done(result);
}

void TfrmWaterMark::PlayerFileOpen(int64_t duration) {
  lengthLabel_->setText(QStringLiteral("Duration:    ") +
                        QString::fromStdString(PreviewPositionText(duration)));
  positionLabel_->setText(QStringLiteral("0.0"));
}

void TfrmWaterMark::PlayerPosition(int64_t pts) {
  positionLabel_->setText(QStringLiteral("Time:    ") +
                          QString::fromStdString(PreviewPositionText(pts)));
}

void TfrmWaterMark::PlayerEnded() {
  // The hook reads the watermark picture again for the next picture.
  const auto lock = player_->HookLock();
  processor_.Clear();
}

// Video thread: the values in the controls now, at positions measured on this picture.
void TfrmWaterMark::PlayerHook(TBitmap& bitmap) {
  last_ = PositionsFor(values_, bitmap.Width(), bitmap.Height());
  const TlvFilesRecord record = PreviewRecord(base_, values_, last_);
  std::string unreadable;
  processor_.Process(bitmap, record, unreadable);
  DrawCropFrame(bitmap, base_.CropLeft + 1, base_.CropTop + 1, bitmap.Width() - base_.CropRight - 2,
                bitmap.Height() - base_.CropBottom - 2);
  ++processed_;
}

}  // namespace qarvo
