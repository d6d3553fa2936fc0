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
      CCAVC(std::make_unique<TConvertEngine>(this)) {
  setObjectName(QStringLiteral("frmFileInfo"));
  setWindowTitle(QStringLiteral("File infomation"));
  CreateControls();
  resize(kWidth, kHeight);
}

TfrmFileInfo::~TfrmFileInfo() { CCAVC->ClearTasks(); }

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
  lblSourceName = new QLabel(this);
  lblSourceName->setObjectName(QStringLiteral("lblSourceName"));
  lblSourceName->setTextFormat(Qt::PlainText);
  // At least 270 wide; a longer name (or larger letters) widens the dialog rather than being cut.
  lblSourceName->setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::Preferred);
  file->setColumnMinimumWidth(1, 270);
  lblSourceName->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lblFileLength = new QLabel(this);
  lblFileLength->setObjectName(QStringLiteral("lblFileLength"));
  lblFileLength->setTextFormat(Qt::PlainText);
  file->addWidget(Caption("File Name:", this), 0, 0);
  file->addWidget(lblSourceName, 0, 1);
  file->addWidget(Caption("Duration:", this), 1, 0);
  file->addWidget(lblFileLength, 1, 1);
  file->setColumnStretch(1, 1);
  lblProbeError = new QLabel(this);
  lblProbeError->setObjectName(QStringLiteral("lblProbeError"));
  lblProbeError->setTextFormat(Qt::PlainText);
  lblProbeError->setWordWrap(true);
  lblProbeError->hide();

  grpVideo = new QGroupBox(QStringLiteral("Video "), this);
  grpVideo->setObjectName(QStringLiteral("grpVideo"));
  auto* video = new QGridLayout(grpVideo);
  video->setSpacing(6);
  edtFormat = AddBox(video, 0, "Format:", "edtFormat");
  edtResloution = AddBox(video, 1, "Resloution:", "edtResloution");
  edtBitRate = AddBox(video, 2, "Bit Rate:", "edtBitRate");
  edtFrameRate = AddBox(video, 3, "Frame Rate:", "edtFrameRate");
  edtTotalFrame = AddBox(video, 4, "Total Frame:", "edtTotalFrame");

  grpAudio = new QGroupBox(QStringLiteral("Audio"), this);
  grpAudio->setObjectName(QStringLiteral("grpAudio"));
  auto* audio = new QGridLayout(grpAudio);
  audio->setSpacing(6);
  edtAudioForamt = AddBox(audio, 0, "Format:", "edtAudioForamt");
  edtSampleRate = AddBox(audio, 1, "Sample Rate:", "edtSampleRate");
  edtChannel = AddBox(audio, 2, "Channel:", "edtChannel");
  edtAudioBitRate = AddBox(audio, 3, "Bit Rate:", "edtAudioBitRate");

  btnOk = new QPushButton(QStringLiteral("&Ok"), this);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnOk->setDefault(true);
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOk);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(10);
  layout->addLayout(file);
  layout->addWidget(lblProbeError);
  layout->addWidget(grpVideo);
  layout->addWidget(grpAudio);
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
  file->setContentsMargins(grpVideo->layout()->contentsMargins().left() + 1, 0, 0, 0);
  btnOk->setFocus();
}

int TfrmFileInfo::ShowFile(const std::string& source) {
  LoadFile(source);
  btnOk->setFocus();
  return exec();
}

void TfrmFileInfo::ClearBoxes() {
  for (QLineEdit* box : {edtFormat, edtResloution, edtBitRate, edtFrameRate, edtTotalFrame,
                         edtAudioForamt, edtSampleRate, edtChannel, edtAudioBitRate})
    box->clear();
}

void TfrmFileInfo::ShowFailure(const std::string& message) {
  lblProbeError->setText(Text(message));
  lblProbeError->setVisible(!message.empty());
}

// Every box shows the file now asked about: nothing of an earlier file stays behind.
void TfrmFileInfo::LoadFile(const std::string& source) {
  lblSourceName->clear();
  lblSourceName->setToolTip({});
  lblFileLength->clear();
  ClearBoxes();
  ShowFailure({});
  if (source.empty()) return;
  lblSourceName->setText(Text(FileInfoShortName(source)));
  lblSourceName->setToolTip(Text(source));

  CCAVC->ClearTasks();
  if (!CCAVC->LoadAVLib(libraryFolder_)) {
    ShowFailure(CCAVC->LastErrMsg());
    return;
  }
  const int task = CCAVC->AddTask(source);
  TMediaProbe& probe = CCAVC->MediaProbe();
  if (task < 0 || !probe.LoadFile(source)) {
    ShowFailure(task < 0 ? CCAVC->LastErrMsg() : probe.LastErrMsg());
    return;
  }
  TMediaProbe* input = CCAVC->TaskProbe(task, 0);
  if (!input) input = &probe;
  lblFileLength->setText(Text(FileInfoDurationText(probe.FileStreamInfo().Duration)));
  edtFormat->setText(Text(probe.FormatName()));

  const int video = probe.FirstVideoStreamIndex();
  if (probe.VideoStreamCount() > 0 && probe.IsVideoStream(video)) {
    const TVideoStreamInfo info = input->VideoStreamInfo(video);
    if (info.Width > 0 && info.Height > 0)
      edtResloution->setText(QStringLiteral("%1x%2").arg(info.Width).arg(info.Height));
    edtBitRate->setText(Text(FileInfoNumber(info.BitRate)));
    edtFrameRate->setText(Text(FileInfoFrameRate(info.FrameRateNum, info.FrameRateDen)));
    const int64_t length = info.DurationUS > 0 ? info.DurationUS : probe.FileStreamInfo().Duration;
    edtTotalFrame->setText(Text(FileInfoFrameCount(info.FrameRateNum, info.FrameRateDen, length)));
  }
  const int audio = probe.FirstAudioStreamIndex();
  if (probe.IsAudioStream(audio)) {
    const TAudioStreamInfo info = input->AudioStreamInfo(audio);
    edtAudioForamt->setText(Text(FileInfoAudioFormat(probe.FileInfoText())));
    edtSampleRate->setText(Text(FileInfoNumber(info.SampleRate)));
    edtChannel->setText(Text(FileInfoNumber(info.Channels)));
    edtAudioBitRate->setText(Text(FileInfoNumber(info.BitRate)));
  }
}

void TfrmFileInfo::done(int result) {
  CCAVC->ClearTasks();
  CCAVC->MediaProbe().CloseFile();
  QDialog::done(result);
}

}  // namespace qarvo
