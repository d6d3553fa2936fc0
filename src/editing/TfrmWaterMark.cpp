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
#include <QToolButton>
#include <QVBoxLayout>

#include "player/TMediaPlayer.h"
#include "core/CropFrame.h"
#include "core/PreviewText.h"
#include "editing/DialogControls.h"
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
    : QDialog(parent),
      libraryFolder_(std::move(libraryFolder)),
      Player_(std::make_unique<TMediaPlayer>(this)),
      chooseFile_(DefaultChooser) {
  setObjectName(QStringLiteral("frmWaterMark"));
  setWindowTitle(QStringLiteral("Watermark"));
  setModal(true);
  CreateControls();
  resize(kWidth, kHeight);
}

TfrmWaterMark::~TfrmWaterMark() {
  DetachPlayer();
  // imgPreview goes with the dialog: the player lets go of it first.
  Player_->Stop(true);
}

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
  trcBrightness = AddEffectRow(grid, 0, "Brightness:", "trcBrightness", "spedtBrightness",
                               kBrightnessRange, spedtBrightness);
  trcContrast = AddEffectRow(grid, 1, "Contrast:", "trcContrast", "spedtContrast", kContrastRange,
                             spedtContrast);
  trcSaturation = AddEffectRow(grid, 2, "Saturation:", "trcSaturation", "spedtSaturation",
                               kSaturationRange, spedtSaturation);
  trcExposure = AddEffectRow(grid, 3, "Exposure:", "trcExposure", "spedtExposure", kExposureRange,
                             spedtExposure);
  trcAutoadjust = AddEffectRow(grid, 4, "Auto adjust:", "trcAutoadjust", "spedtAutoadjust",
                               kAutoAdjustRange, spedtAutoadjust);
  rbAudioAdjust = new QRadioButton(QStringLiteral("Audio adjust"), page);
  rbAudioAdjust->setObjectName(QStringLiteral("rbAudioAdjust"));
  chkProcessText = MakeCheck(page, "chkProcessText", "Process  Added Text");
  chkProcessImage = MakeCheck(page, "chkProcessImage", "Process  Added Image");
  btnReset = MakeNamedButton(page, "btnReset", QStringLiteral("Reset"));
  grid->addWidget(rbAudioAdjust, 5, 1);
  grid->addWidget(chkProcessText, 6, 1);
  grid->addWidget(chkProcessImage, 7, 1);
  grid->addWidget(btnReset, 8, 2);
  grid->setRowStretch(9, 1);
  grid->setColumnStretch(1, 1);
  connect(chkProcessText, &QCheckBox::toggled, this, &TfrmWaterMark::ValuesChanged);
  connect(chkProcessImage, &QCheckBox::toggled, this, &TfrmWaterMark::ValuesChanged);
  connect(btnReset, &QPushButton::clicked, this, &TfrmWaterMark::btnResetClick);
  return page;
}

QWidget* TfrmWaterMark::CreateTextTab() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(8);
  edtFont = new QLineEdit(page);
  edtFont->setObjectName(QStringLiteral("edtFont"));
  suiFontCmb = new QFontComboBox(page);
  suiFontCmb->setObjectName(QStringLiteral("suiFontCmb"));
  suiFontSizeCmb = new QComboBox(page);
  suiFontSizeCmb->setObjectName(QStringLiteral("suiFontSizeCmb"));
  suiColorBoxcmb = new QComboBox(page);
  suiColorBoxcmb->setObjectName(QStringLiteral("suiColorBoxcmb"));
  FillColourBox();
  chkBold = MakeCheck(page, "chkBold", "Bold");
  chkItalic = MakeCheck(page, "chkItalic", "Italic");
  chkUnderline = MakeCheck(page, "chkUnderline", "Underline");
  chkStrikeOut = MakeCheck(page, "chkStrikeOut", "StrikeOut");
  auto* styles = new QHBoxLayout;
  for (QCheckBox* check : {chkBold, chkItalic, chkUnderline, chkStrikeOut})
    styles->addWidget(check);
  styles->addStretch(1);
  grid->addWidget(edtFont, 0, 0, 1, 4);
  grid->addWidget(new QLabel(QStringLiteral("Font:"), page), 1, 0, Qt::AlignRight);
  grid->addWidget(suiFontCmb, 1, 1, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("Font Size:"), page), 2, 0, Qt::AlignRight);
  grid->addWidget(suiFontSizeCmb, 2, 1, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("Font Color:"), page), 3, 0, Qt::AlignRight);
  grid->addWidget(suiColorBoxcmb, 3, 1, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("Font Style:"), page), 4, 0, Qt::AlignRight);
  grid->addLayout(styles, 4, 1, 1, 3);
  trcTextHoriz = AddPositionRow(grid, 5, "Horizontal Position:", "trcTextHoriz", "lblTextHoriz",
                                kPositionRange, "%");
  trcTextVert = AddPositionRow(grid, 6, "Vertical Position:", "trcTextVert", "lblTextVert",
                               kPositionRange, "%");
  trcTextTran = AddPositionRow(grid, 7, "Transparency:", "trcTextTran", "lblTextTran",
                               kTextTransparencyRange, "%");
  btnClearText = MakeNamedButton(page, "btnClearText", QStringLiteral("Clear Text"));
  grid->addWidget(btnClearText, 8, 1, 1, 3, Qt::AlignRight);
  grid->setRowStretch(9, 1);
  grid->setColumnStretch(1, 1);
  connect(edtFont, &QLineEdit::textChanged, this, &TfrmWaterMark::edtFontChange);
  connect(suiFontCmb, &QFontComboBox::currentFontChanged, this, &TfrmWaterMark::UpdateTextFont);
  connect(suiFontSizeCmb, &QComboBox::currentIndexChanged, this, &TfrmWaterMark::UpdateTextFont);
  connect(suiColorBoxcmb, &QComboBox::currentIndexChanged, this, &TfrmWaterMark::UpdateTextFont);
  for (QCheckBox* check : {chkBold, chkItalic, chkUnderline, chkStrikeOut})
    connect(check, &QCheckBox::toggled, this, &TfrmWaterMark::UpdateTextFont);
  connect(btnClearText, &QPushButton::clicked, this, &TfrmWaterMark::btnClearTextClick);
  return page;
}

QWidget* TfrmWaterMark::CreateImageTab() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(8);
  edtAddImage = new QLineEdit(page);
  edtAddImage->setObjectName(QStringLiteral("edtAddImage"));
  btnBrows = MakeNamedButton(page, "btnBrows", QStringLiteral("&Brows"));
  grid->addWidget(new QLabel(QStringLiteral("Image:"), page), 0, 0, Qt::AlignRight);
  grid->addWidget(edtAddImage, 0, 1, 1, 2);
  grid->addWidget(btnBrows, 0, 3);
  trcImageHoriz = AddPositionRow(grid, 1, "Horizontal Position:", "trcImageHoriz", "lblImageHoriz",
                                 kPositionRange, "%");
  trcImageVert = AddPositionRow(grid, 2, "Vertical Position:", "trcImageVert", "lblImageVert",
                                kPositionRange, "%");
  trcImageAlpha = AddPositionRow(grid, 3, "Transparency:", "trcImageAlpha", "lblImageAlpha",
                                 kImageAlphaRange, "");
  rbStyle1 = new QRadioButton(QStringLiteral("Transparent style 1"), page);
  rbStyle1->setObjectName(QStringLiteral("rbStyle1"));
  rbStyle2 = new QRadioButton(QStringLiteral("Transparent style 2"), page);
  rbStyle2->setObjectName(QStringLiteral("rbStyle2"));
  auto* group = new QButtonGroup(page);
  group->addButton(rbStyle1);
  group->addButton(rbStyle2);
  grid->addWidget(rbStyle1, 4, 1);
  grid->addWidget(rbStyle2, 5, 1);
  btnClearImage = MakeNamedButton(page, "btnClearImage", QStringLiteral("Clear Image"));
  grid->addWidget(btnClearImage, 6, 1, 1, 3, Qt::AlignRight);
  grid->setRowStretch(7, 1);
  grid->setColumnStretch(1, 1);
  connect(edtAddImage, &QLineEdit::textChanged, this, &TfrmWaterMark::edtAddImageChange);
  connect(rbStyle1, &QRadioButton::toggled, this, &TfrmWaterMark::ValuesChanged);
  connect(btnBrows, &QPushButton::clicked, this, &TfrmWaterMark::btnBrowsClick);
  connect(btnClearImage, &QPushButton::clicked, this, &TfrmWaterMark::btnClearImageClick);
  return page;
}

QWidget* TfrmWaterMark::CreatePreviewGroups() {
  auto* column = new QWidget(this);
  auto* source = new QGroupBox(QStringLiteral("Source Preview"), column);
  source->setObjectName(QStringLiteral("grpSourcePreview"));
  imgPreview = new TVideoSurfaceWidget(source);
  imgPreview->setObjectName(QStringLiteral("imgPreview"));
  imgPreview->setMinimumSize(320, 240);
  imgPreview->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  trcPreview = new TSelectionSlider(source);
  trcPreview->setObjectName(QStringLiteral("trcPreview"));
  imgbtnPlay = MakePlayerButton(source, "imgbtnPlay", "play", TPlayerIconEngine::TShape::Play);
  imgbtnpause = MakePlayerButton(source, "imgbtnpause", "pause", TPlayerIconEngine::TShape::Pause);
  lblPTS = MakeNamedLabel(source, "lblPTS", QStringLiteral("Play Time"));
  lblLength = MakeNamedLabel(source, "lblLength", QStringLiteral("Length"));
  QHBoxLayout* controls = MakePlayRow(imgbtnPlay, imgbtnpause, trcPreview);
  auto* times = new QHBoxLayout;
  times->addWidget(lblPTS);
  times->addStretch(1);
  times->addWidget(lblLength);
  auto* sourceLayout = new QVBoxLayout(source);
  sourceLayout->addWidget(imgPreview, 1);
  sourceLayout->addLayout(controls);
  sourceLayout->addLayout(times);

  auto* output = new QGroupBox(QStringLiteral("Output Preview"), column);
  output->setObjectName(QStringLiteral("grpOutputPreview"));
  imgOutput = new QLabel(output);
  imgOutput->setObjectName(QStringLiteral("imgOutput"));
  imgOutput->setMinimumSize(160, 90);
  // Black as the dialog opens, whatever size the area takes later.
  imgOutput->setScaledContents(true);
  imgOutput->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  auto* outputLayout = new QVBoxLayout(output);
  outputLayout->addWidget(imgOutput);

  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(10);
  layout->addWidget(source, 3);
  layout->addWidget(output, 1);
  connect(imgbtnPlay, &QToolButton::clicked, this, &TfrmWaterMark::imgbtnPlayClick);
  connect(imgbtnpause, &QToolButton::clicked, this, &TfrmWaterMark::imgbtnpauseClick);
  connect(trcPreview, &TSelectionSlider::SeekRequested, this, &TfrmWaterMark::trcPreviewSeek);
  return column;
}

void TfrmWaterMark::CreateControls() {
  pgcEffects = new QTabWidget(this);
  pgcEffects->setObjectName(QStringLiteral("pgcEffects"));
  pgcEffects->addTab(CreateEffectTab(), QStringLiteral("Effect"));
  pgcEffects->addTab(CreateTextTab(), QStringLiteral("Add Text"));
  pgcEffects->addTab(CreateImageTab(), QStringLiteral("Add Image"));
  btnOk = MakeNamedButton(this, "btnOk", QStringLiteral("&Ok"));
  btnCancel = MakeNamedButton(this, "btnCancel", QStringLiteral("&Cancel"));
  auto* middle = new QHBoxLayout;
  middle->setSpacing(10);
  middle->addWidget(pgcEffects, 1);
  middle->addWidget(CreatePreviewGroups(), 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(8);
  layout->addLayout(middle, 1);
  layout->addLayout(MakeClosingRow(nullptr, btnOk, btnCancel));
  connect(btnOk, &QPushButton::clicked, this, &TfrmWaterMark::btnOkClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmWaterMark::FillColourBox() {
  for (const TNamedColour& colour : kColours) {
    QPixmap swatch(14, 14);
    swatch.fill(QColor::fromRgb(colour.Rgb));
    suiColorBoxcmb->addItem(QIcon(swatch), QString::fromLatin1(colour.Name),
                            QVariant::fromValue(colour.Rgb));
  }
}

void TfrmWaterMark::SelectColour(uint32_t colour) {
  int index = suiColorBoxcmb->findData(QVariant::fromValue(colour));
  if (index < 0) {
    // A colour of its own (from another program's record) is kept, not rounded to a name.
    QPixmap swatch(14, 14);
    swatch.fill(QColor::fromRgb(colour));
    suiColorBoxcmb->addItem(QIcon(swatch), QColor::fromRgb(colour).name(),
                            QVariant::fromValue(colour));
    index = suiColorBoxcmb->count() - 1;
  }
  suiColorBoxcmb->setCurrentIndex(index);
}

uint32_t TfrmWaterMark::SelectedColour() const {
  return suiColorBoxcmb->currentIndex() < 0 ? 0 : suiColorBoxcmb->currentData().toUInt();
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
  {
    std::lock_guard lock(hookMutex_);
    base_ = source;
    // Until a picture is previewed the stored positions stand: an Ok before the first
    // picture (or without a preview at all) must not move the watermarks to the corner.
    last_ = {source.TextX, source.TextY, source.ImageX, source.ImageY};
    processor_.Clear();
  }
  ShowValues(EffectValuesOf(source));
  QPixmap black(imgOutput->size());
  black.fill(Qt::black);
  imgOutput->setPixmap(black);
  setWindowTitle(QString::fromStdString(WaterMarkCaption(source.SourceFile)));
  SetButtons(false, false);
  if (!record) return;
  AttachPlayer();
  if (!Player_->AVLibLoaded() && !Player_->LoadAVLib(libraryFolder_)) return;
  if (!Player_->Open(record->SourceFile, imgPreview, false)) return;
  opened_ = true;
  SetButtons(false, true);
}

void TfrmWaterMark::ShowValues(const TEffectValues& values) {
  showing_ = true;
  trcTextHoriz->setValue(values.TextHorizPos);
  trcTextVert->setValue(values.TextVertPos);
  trcImageHoriz->setValue(values.ImageHorizPos);
  trcImageVert->setValue(values.ImageVertPos);
  trcImageAlpha->setValue(values.ImageAlpha);
  (values.TransparentStyle == 1 ? rbStyle1 : rbStyle2)->setChecked(true);
  suiFontSizeCmb->clear();
  for (int size = kFontSizeRange.Minimum; size <= kFontSizeRange.Maximum; ++size)
    suiFontSizeCmb->addItem(QString::number(size));
  trcBrightness->setValue(values.Brightness);
  trcContrast->setValue(values.Contrast);
  trcSaturation->setValue(values.Saturation);
  trcExposure->setValue(values.Exposure);
  chkProcessText->setChecked(values.ProcessText);
  chkProcessImage->setChecked(values.ProcessImage);
  if (!values.WaterText.empty()) {
    const TWaterFont& font = values.WaterFont;
    suiFontCmb->setCurrentFont(QFont(QString::fromStdString(font.Name)));
    const int sizeIndex = suiFontSizeCmb->findText(QString::number(font.Size));
    suiFontSizeCmb->setCurrentIndex(sizeIndex >= 0 ? sizeIndex : 0);
    SelectColour(font.Color);
    chkBold->setChecked(font.Bold);
    chkItalic->setChecked(font.Italic);
    chkUnderline->setChecked(font.Underline);
    chkStrikeOut->setChecked(font.StrikeOut);
    edtFont->setText(QString::fromStdString(values.WaterText));
    // The record's own face and size, also when the boxes have no such item.
    QFont shown(QString::fromStdString(font.Name));
    if (font.Size > 0) shown.setPointSize(font.Size);
    shown.setBold(font.Bold);
    shown.setItalic(font.Italic);
    shown.setUnderline(font.Underline);
    shown.setStrikeOut(font.StrikeOut);
    edtFont->setFont(shown);
    QPalette colours = edtFont->palette();
    colours.setColor(QPalette::Text, QColor::fromRgb(font.Color));
    edtFont->setPalette(colours);
  } else {
    suiFontCmb->setCurrentIndex(0);
    suiFontSizeCmb->setCurrentIndex(0);
    suiColorBoxcmb->setCurrentIndex(0);
    edtFont->clear();
  }
  edtAddImage->setText(QString::fromStdString(values.WaterImage));
  if (!values.WaterImage.empty()) trcImageAlpha->setValue(values.ImageAlpha);
  showing_ = false;
  edtAddImageChange();
  const bool text = !edtFont->text().isEmpty();
  trcTextHoriz->setEnabled(text);
  trcTextVert->setEnabled(text);
  ValuesChanged();
}

// ---- Editing -------------------------------------------------------------------------------

TEffectValues TfrmWaterMark::Values() const {
  TEffectValues values;
  values.Brightness = trcBrightness->value();
  values.Contrast = trcContrast->value();
  values.Saturation = trcSaturation->value();
  values.Exposure = trcExposure->value();
  values.ProcessText = chkProcessText->isChecked();
  values.ProcessImage = chkProcessImage->isChecked();
  values.WaterText = edtFont->text().toStdString();
  const QFont font = edtFont->font();
  values.WaterFont.Name = font.family().toStdString();
  values.WaterFont.Size = font.pointSize() > 0 ? font.pointSize() : kFontSizeRange.Minimum;
  values.WaterFont.Bold = font.bold();
  values.WaterFont.Italic = font.italic();
  values.WaterFont.Underline = font.underline();
  values.WaterFont.StrikeOut = font.strikeOut();
  values.WaterFont.Color = SelectedColour();
  values.TextHorizPos = trcTextHoriz->value();
  values.TextVertPos = trcTextVert->value();
  values.WaterImage = edtAddImage->text().toStdString();
  values.ImageHorizPos = trcImageHoriz->value();
  values.ImageVertPos = trcImageVert->value();
  values.ImageAlpha = trcImageAlpha->value();
  values.TransparentStyle = rbStyle1->isChecked() ? 1 : 2;
  return values;
}

void TfrmWaterMark::ValuesChanged() {
  if (showing_) return;
  const TEffectValues values = Values();
  std::lock_guard lock(hookMutex_);
  values_ = values;
}

void TfrmWaterMark::edtFontChange() {
  if (showing_) return;
  const bool text = !edtFont->text().isEmpty();
  trcTextHoriz->setEnabled(text);
  trcTextVert->setEnabled(text);
  if (text) UpdateTextFont();
  ValuesChanged();
}

void TfrmWaterMark::UpdateTextFont() {
  if (showing_ || edtFont->text().isEmpty()) return;
  QFont font = suiFontCmb->currentFont();
  const int size = suiFontSizeCmb->currentText().toInt();
  font.setPointSize(size > 0 ? size : kFontSizeRange.Minimum);
  font.setBold(chkBold->isChecked());
  font.setItalic(chkItalic->isChecked());
  font.setUnderline(chkUnderline->isChecked());
  font.setStrikeOut(chkStrikeOut->isChecked());
  edtFont->setFont(font);
  QPalette colours = edtFont->palette();
  colours.setColor(QPalette::Text, QColor::fromRgb(SelectedColour()));
  edtFont->setPalette(colours);
  ValuesChanged();
}

void TfrmWaterMark::edtAddImageChange() {
  const bool image = !edtAddImage->text().isEmpty();
  for (QSlider* bar : {trcImageHoriz, trcImageVert, trcImageAlpha}) bar->setEnabled(image);
  ValuesChanged();
}

void TfrmWaterMark::btnResetClick() {
  TEffectValues values = Values();
  ResetEffects(values);
  trcBrightness->setValue(values.Brightness);
  trcContrast->setValue(values.Contrast);
  trcSaturation->setValue(values.Saturation);
  trcExposure->setValue(values.Exposure);
  chkProcessText->setChecked(false);
  chkProcessImage->setChecked(false);
}

void TfrmWaterMark::btnClearTextClick() {
  edtFont->clear();
  trcTextHoriz->setValue(0);
  trcTextVert->setValue(0);
  std::lock_guard lock(hookMutex_);
  last_.TextX = last_.TextY = 0;
}

void TfrmWaterMark::btnClearImageClick() {
  Player_->SetHook(false);
  edtAddImage->clear();
  trcImageHoriz->setValue(0);
  trcImageVert->setValue(0);
  trcImageAlpha->setValue(kClearedImageAlpha);
  {
    std::lock_guard lock(hookMutex_);
    last_.ImageX = last_.ImageY = 0;
    processor_.Clear();
  }
  Player_->SetHook(opened_);
}

void TfrmWaterMark::btnBrowsClick() {
  const QString file = chooseFile_ ? chooseFile_(this) : QString();
  if (!file.isEmpty()) edtAddImage->setText(file);
}

void TfrmWaterMark::btnOkClick() {
  if (record_) ConfirmEffects(*record_, Values(), LastPositions());
  Player_->SetHook(false);
  Player_->Stop(true);
  accept();
}

TWatermarkPositions TfrmWaterMark::LastPositions() {
  std::lock_guard lock(hookMutex_);
  return last_;
}

// ---- Playback ------------------------------------------------------------------------------

void TfrmWaterMark::AttachPlayer() {
  Player_->SetOnFileOpen([this](TCustomPlayer&, int64_t duration, int, int, int& width,
                                int& height) { PlayerFileOpen(duration, width, height); });
  Player_->SetOnPosition([this](TCustomPlayer&, int64_t pts) { PlayerPosition(pts); });
  Player_->SetOnState([this](TCustomPlayer&, TPlayState state) { PlayerState(state); });
  Player_->SetOnHook([this](TCustomPlayer&, TBitmap& bitmap, int64_t) { PlayerHook(bitmap); });
}

void TfrmWaterMark::DetachPlayer() {
  Player_->SetHook(false);
  Player_->SetOnHook(nullptr);
  Player_->SetOnPosition(nullptr);
  Player_->SetOnState(nullptr);
  Player_->SetOnFileOpen(nullptr);
}

void TfrmWaterMark::SetButtons(bool play, bool pause) {
  imgbtnPlay->setEnabled(play);
  imgbtnpause->setEnabled(pause);
}

void TfrmWaterMark::imgbtnPlayClick() {
  if (!opened_) return;
  Player_->Resume();
  trcPreview->setEnabled(duration_ > 0);
  SetButtons(false, true);
}

void TfrmWaterMark::imgbtnpauseClick() {
  if (!opened_) return;
  Player_->Pause();
  SetButtons(true, false);
}

void TfrmWaterMark::done(int result) {
  Player_->SetHook(false);
  Player_->Stop(false);
  {
    std::lock_guard lock(hookMutex_);
    processor_.Clear();
  }
  record_ = nullptr;
  QDialog::done(result);
}

void TfrmWaterMark::trcPreviewSeek(int value) {
  if (!opened_ || duration_ <= 0) return;
  Player_->Seek(0, false, PreviewBarTarget(value, trcPreview->maximum(), duration_));
}

void TfrmWaterMark::PlayerFileOpen(int64_t duration, int& screenWidth, int& screenHeight) {
  screenWidth = imgPreview->width();
  screenHeight = imgPreview->height();
  duration_ = duration;
  Player_->SetHook(true);
  lblLength->setText(QStringLiteral("Duration:    ") +
                     QString::fromStdString(PreviewPositionText(duration)));
  lblPTS->setText(QStringLiteral("0.0"));
  trcPreview->setMaximum(std::max(1, trcPreview->width()));
  trcPreview->ClearSelection();
  trcPreview->setEnabled(duration > 0);
  trcPreview->ShowPosition(0);
}

void TfrmWaterMark::PlayerPosition(int64_t pts) {
  lblPTS->setText(QStringLiteral("Time:    ") + QString::fromStdString(PreviewPositionText(pts)));
  trcPreview->ShowPosition(PreviewBarValue(pts, duration_, trcPreview->maximum()));
}

void TfrmWaterMark::PlayerState(TPlayState state) {
  if (state != TPlayState::psEnd) return;
  trcPreview->ShowPosition(0);
  // Paused first, so that the seek brings the start's picture on screen.
  Player_->Pause();
  Player_->Seek(kSeekAny, false, 0);
  SetButtons(true, false);
  trcPreview->ClearSelection();
  trcPreview->setEnabled(false);
  std::lock_guard lock(hookMutex_);
  processor_.Clear();
}

// Video thread: the values in the controls now, at positions measured on this picture.
void TfrmWaterMark::PlayerHook(TBitmap& bitmap) {
  std::lock_guard lock(hookMutex_);
  const TCanvasLock canvas(bitmap);
  last_ = PositionsFor(values_, bitmap.Width(), bitmap.Height());
  const TlvFilesRecord record = PreviewRecord(base_, values_, last_);
  std::string unreadable;
  processor_.Process(bitmap, record, unreadable);
  DrawCropFrame(bitmap, base_.CropLeft + 1, base_.CropTop + 1, bitmap.Width() - base_.CropRight - 2,
                bitmap.Height() - base_.CropBottom - 2);
  ++processed_;
}

}  // namespace qarvo
