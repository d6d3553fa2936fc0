#include "jobs/TfrmFileInfo.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/TConvertEngine.h"
#include "core/FileInfoFields.h"

namespace qarvo {
namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

QLabel* Caption(const char* text, QWidget* parent) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->setProperty("fileInfoCaption", true);
  return label;
}

}  // namespace

TfrmFileInfo::TfrmFileInfo(std::string libraryFolder, QWidget* parent)
    : QDialog(parent),
      libraryFolder_(std::move(libraryFolder)),
      engine_(std::make_unique<TConvertEngine>(this)) {
  setObjectName(QStringLiteral("frmFileInfo"));
  setWindowTitle(QStringLiteral("File infomation"));
  CreateControls();
  resize(kWidth, kHeight);
}

TfrmFileInfo::~TfrmFileInfo() { engine_->ClearTasks(); }

QLineEdit* TfrmFileInfo::AddBox(QGridLayout* grid, int row, const char* caption, const char* name) {
  auto* box = new QLineEdit(grid->parentWidget());
  box->setObjectName(QString::fromLatin1(name));
  box->setReadOnly(true);
  QLabel* label = Caption(caption, grid->parentWidget());
  label->setBuddy(box);
  grid->addWidget(label, row, 0);
  grid->addWidget(box, row, 1);
  return box;
}

void TfrmFileInfo::CreateControls() {
  auto* file = new QGridLayout;
  file->setHorizontalSpacing(6);
  file->setVerticalSpacing(6);
  sourceNameLabel_ = new QLabel(this);
  sourceNameLabel_->setObjectName(QStringLiteral("lblSourceName"));
  sourceNameLabel_->setTextFormat(Qt::PlainText);
  // At least 270 wide; a longer name (or larger letters) widens the dialog rather than being cut.
  sourceNameLabel_->setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::Preferred);
  file->setColumnMinimumWidth(1, 270);
  sourceNameLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  fileLengthLabel_ = new QLabel(this);
  fileLengthLabel_->setObjectName(QStringLiteral("lblFileLength"));
  fileLengthLabel_->setTextFormat(Qt::PlainText);
  file->addWidget(Caption("File Name:", this), 0, 0);
  file->addWidget(sourceNameLabel_, 0, 1);
  file->addWidget(Caption("Duration:", this), 1, 0);
  file->addWidget(fileLengthLabel_, 1, 1);
  file->setColumnStretch(1, 1);
  probeErrorLabel_ = new QLabel(this);
  probeErrorLabel_->setObjectName(QStringLiteral("lblProbeError"));
  probeErrorLabel_->setTextFormat(Qt::PlainText);
  probeErrorLabel_->setWordWrap(true);
  probeErrorLabel_->hide();

  videoGroup_ = new QGroupBox(QStringLiteral("Video "), this);
  videoGroup_->setObjectName(QStringLiteral("grpVideo"));
  auto* video = new QGridLayout(videoGroup_);
  video->setSpacing(6);
  videoFormatEdit_ = AddBox(video, 0, "Format:", "edtFormat");
  resolutionEdit_ = AddBox(video, 1, "Resloution:", "edtResloution");
  videoBitRateEdit_ = AddBox(video, 2, "Bit Rate:", "edtBitRate");
  frameRateEdit_ = AddBox(video, 3, "Frame Rate:", "edtFrameRate");
  frameCountEdit_ = AddBox(video, 4, "Total Frame:", "edtTotalFrame");

  audioGroup_ = new QGroupBox(QStringLiteral("Audio"), this);
  audioGroup_->setObjectName(QStringLiteral("grpAudio"));
  auto* audio = new QGridLayout(audioGroup_);
  audio->setSpacing(6);
  audioFormatEdit_ = AddBox(audio, 0, "Format:", "edtAudioForamt");
  sampleRateEdit_ = AddBox(audio, 1, "Sample Rate:", "edtSampleRate");
  channelEdit_ = AddBox(audio, 2, "Channel:", "edtChannel");
  audioBitRateEdit_ = AddBox(audio, 3, "Bit Rate:", "edtAudioBitRate");

  okButton_ = new QPushButton(QStringLiteral("&Ok"), this);
  okButton_->setObjectName(QStringLiteral("btnOk"));
  okButton_->setDefault(true);
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(10);
  layout->addLayout(file);
  layout->addWidget(probeErrorLabel_);
  layout->addWidget(videoGroup_);
  layout->addWidget(audioGroup_);
  layout->addStretch(1);
  layout->addLayout(buttons);

  // One caption column through the file lines and both groups: the values line up.
  int captionWidth = 0;
  const QList<QLabel*> labels = findChildren<QLabel*>();
  for (QLabel* label : labels)
    if (label->property("fileInfoCaption").toBool())
      captionWidth = std::max(captionWidth, label->sizeHint().width());
  for (QLabel* label : labels)
    if (label->property("fileInfoCaption").toBool()) label->setMinimumWidth(captionWidth);
  // The groups' frames indent their captions: the file lines take the same indent.
  file->setContentsMargins(videoGroup_->layout()->contentsMargins().left() + 1, 0, 0, 0);
  okButton_->setFocus();
}

int TfrmFileInfo::ShowFile(const std::string& source) {
  LoadFile(source);
  okButton_->setFocus();
  return exec();
}

void TfrmFileInfo::ClearBoxes() {
  for (QLineEdit* box :
       {videoFormatEdit_, resolutionEdit_, videoBitRateEdit_, frameRateEdit_, frameCountEdit_,
        audioFormatEdit_, sampleRateEdit_, channelEdit_, audioBitRateEdit_}) {
    box->clear();
    box->setToolTip({});
  }
}

void TfrmFileInfo::ShowFailure(const std::string& message) {
  probeErrorLabel_->setText(Text(message));
  probeErrorLabel_->setVisible(!message.empty());
}

// Every box shows the file now asked about: nothing of an earlier file stays behind.
void TfrmFileInfo::LoadFile(const std::string& source) {
  sourceNameLabel_->clear();
  sourceNameLabel_->setToolTip({});
  fileLengthLabel_->clear();
  ClearBoxes();
  ShowFailure({});
  if (source.empty()) return;
  sourceNameLabel_->setText(Text(FileInfoShortName(source)));
  sourceNameLabel_->setToolTip(Text(source));

  engine_->ClearTasks();
  if (!engine_->LoadAVLib(libraryFolder_)) {
    ShowFailure(engine_->LastErrMsg());
    return;
  }
  const int task = engine_->AddTask(source);
  TMediaProbe& probe = engine_->MediaProbe();
  if (task < 0 || !probe.LoadFile(source)) {
    ShowFailure(task < 0 ? engine_->LastErrMsg() : probe.LastErrMsg());
    return;
  }
  TMediaProbe* input = engine_->TaskProbe(task, 0);
  if (!input) input = &probe;
  fileLengthLabel_->setText(Text(FileInfoDurationText(probe.FileStreamInfo().Duration)));

  const int video = probe.FirstVideoStreamIndex();
  if (probe.VideoStreamCount() > 0 && probe.IsVideoStream(video)) {
    const TVideoStreamInfo info = input->VideoStreamInfo(video);
    videoFormatEdit_->setText(Text(FileInfoCodec(info.CodecName)));
    videoFormatEdit_->setToolTip(Text(info.CodecName));
    if (info.Width > 0 && info.Height > 0)
      resolutionEdit_->setText(QStringLiteral("%1x%2").arg(info.Width).arg(info.Height));
    videoBitRateEdit_->setText(Text(FileInfoBitRate(info.BitRate)));
    frameRateEdit_->setText(Text(FileInfoFrameRate(info.FrameRateNum, info.FrameRateDen)));
    const int64_t length = info.DurationUS > 0 ? info.DurationUS : probe.FileStreamInfo().Duration;
    frameCountEdit_->setText(
        Text(FileInfoFrameCount(info.FrameRateNum, info.FrameRateDen, length)));
  }
  const int audio = probe.FirstAudioStreamIndex();
  if (probe.IsAudioStream(audio)) {
    const TAudioStreamInfo info = input->AudioStreamInfo(audio);
    audioFormatEdit_->setText(Text(FileInfoAudioFormat(probe.FileInfoText())));
    sampleRateEdit_->setText(Text(FileInfoNumber(info.SampleRate)));
    channelEdit_->setText(Text(FileInfoNumber(info.Channels)));
    audioBitRateEdit_->setText(Text(FileInfoBitRate(info.BitRate)));
  }
}

void TfrmFileInfo::done(int result) {
  engine_->ClearTasks();
  engine_->MediaProbe().CloseFile();
  QDialog::done(result);
}

}  // namespace qarvo
