#include "app/screens/SampleWindows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>
#include <cstring>

#include "core/BatchRun.h"
#include "jobs/NewsRows.h"
#include "jobs/RunEstimate.h"
#include "jobs/TfrmProgress.h"

namespace qarvo::screens {

void DrawSamplePicture(TBitmap& bitmap, int width, int height) {
  QImage image(width, height, QImage::Format_BGR888);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, height);
  sky.setColorAt(0, QColor(0x2E, 0x6F, 0xC0));
  sky.setColorAt(1, QColor(0xF4, 0xC0, 0x7A));
  painter.fillRect(image.rect(), sky);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0xFF, 0xE0, 0x80));
  painter.drawEllipse(QPointF(width * 0.72, height * 0.42), height * 0.12, height * 0.12);
  painter.setBrush(QColor(0x2F, 0x6B, 0x3A));
  QPainterPath hills;
  hills.moveTo(0, height);
  hills.cubicTo(width * 0.3, height * 0.45, width * 0.55, height * 0.9, width, height * 0.6);
  hills.lineTo(width, height);
  painter.drawPath(hills);
  painter.setPen(Qt::white);
  QFont font = painter.font();
  font.setPixelSize(height / 12);
  painter.setFont(font);
  painter.drawText(QRect(0, 0, width - height / 20, height - height / 20),
                   Qt::AlignRight | Qt::AlignBottom, QStringLiteral("frame 398"));
  painter.end();
  bitmap.SetSize(width, height);
  for (int y = 0; y < height; ++y)
    std::memcpy(bitmap.ScanLine(y), image.constScanLine(y), static_cast<size_t>(width) * 3);
}

std::unique_ptr<TfrmProgress> ProgressDuringARun(const TBitmap& picture) {
  auto window = std::make_unique<TfrmProgress>();
  window->SetPreviewSource(&picture);
  window->Prepare({BuiltInNewsRows().front()}, "Qarvo 3GP Video Converter", {});
  const std::string source = "/home/user/Videos/Summer holiday 2026/At the beach with everyone.avi";
  window->ShowProgress(MakeProgressView(1, 3, 15900000, 60000000, 1234567, source));
  TRunEstimate estimate;
  estimate.Start({60000000, 60000000, 45000000}, 0);
  estimate.Progress(1, 15900000, 60000000, 398, 5300000);
  window->ShowEstimate(estimate);
  window->ShowRunning(
      {{0, ShortenCaption("/home/user/Videos/Summer holiday 2026/Our first day at the sea.avi"),
        71},
       {1, ShortenCaption(source), 26}},
      3, 32);
  return window;
}

namespace {

QStandardItemModel* JobModel(QObject* parent) {
  auto* model = new QStandardItemModel(0, 3, parent);
  model->setHorizontalHeaderLabels(
      {QStringLiteral("Source"), QStringLiteral("Length"), QStringLiteral("Progress")});
  const char* rows[][3] = {{"/videos/a.mp4", "59", "100%"},
                           {"/videos/b.avi", "120", "37%"},
                           {"/videos/c.mkv", "31", "Failed"},
                           {"/videos/d.mov", "75", ""}};
  for (const auto& row : rows) {
    QList<QStandardItem*> items;
    for (const char* text : row) items << new QStandardItem(QString::fromLatin1(text));
    items.front()->setCheckable(true);
    items.front()->setCheckState(Qt::Checked);
    model->appendRow(items);
  }
  return model;
}

}  // namespace

std::unique_ptr<QWidget> ControlGallery() {
  auto window = std::make_unique<QWidget>();
  window->setObjectName(QStringLiteral("controls"));
  window->setWindowTitle(QStringLiteral("Controls"));
  auto* layout = new QGridLayout(window.get());
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setHorizontalSpacing(10);
  layout->setVerticalSpacing(10);

  auto* list = new QTreeView;
  list->setRootIsDecorated(false);
  list->setAlternatingRowColors(true);
  list->setModel(JobModel(list));
  list->header()->resizeSection(0, 170);
  list->setCurrentIndex(list->model()->index(1, 0));
  list->setMinimumHeight(120);
  layout->addWidget(list, 0, 0, 1, 2);

  auto* video = new QGroupBox(QStringLiteral("Video Options"));
  auto* videoLayout = new QGridLayout(video);
  videoLayout->setHorizontalSpacing(6);
  videoLayout->setVerticalSpacing(6);
  auto* size = new QComboBox;
  size->addItems(
      {QStringLiteral("320x240"), QStringLiteral("640x480"), QStringLiteral("as source")});
  auto* rate = new QComboBox;
  rate->setEditable(true);
  rate->addItems({QStringLiteral("768"), QStringLiteral("1000")});
  auto* disabled = new QComboBox;
  disabled->setEnabled(false);
  videoLayout->addWidget(new QLabel(QStringLiteral("Frame Size:")), 0, 0, Qt::AlignRight);
  videoLayout->addWidget(size, 0, 1);
  videoLayout->addWidget(new QLabel(QStringLiteral("BitRate (Kbps):")), 1, 0, Qt::AlignRight);
  videoLayout->addWidget(rate, 1, 1);
  videoLayout->addWidget(new QLabel(QStringLiteral("Zoom:")), 2, 0, Qt::AlignRight);
  videoLayout->addWidget(disabled, 2, 1);
  layout->addWidget(video, 1, 0);

  auto* audio = new QGroupBox(QStringLiteral("Audio Options"));
  auto* audioLayout = new QGridLayout(audio);
  audioLayout->setHorizontalSpacing(6);
  audioLayout->setVerticalSpacing(6);
  auto* spin = new QSpinBox;
  spin->setRange(0, 400);
  spin->setValue(100);
  spin->setSuffix(QStringLiteral(" %"));
  auto* slider = new QSlider(Qt::Horizontal);
  slider->setRange(0, 128);
  slider->setValue(80);
  auto* edit = new QLineEdit(QStringLiteral("/home/user/videoconverter"));
  edit->setReadOnly(true);
  audioLayout->addWidget(new QLabel(QStringLiteral("Volume:")), 0, 0, Qt::AlignRight);
  audioLayout->addWidget(spin, 0, 1);
  audioLayout->addWidget(new QLabel(QStringLiteral("Level:")), 1, 0, Qt::AlignRight);
  audioLayout->addWidget(slider, 1, 1);
  audioLayout->addWidget(new QLabel(QStringLiteral("Folder:")), 2, 0, Qt::AlignRight);
  audioLayout->addWidget(edit, 2, 1);
  layout->addWidget(audio, 1, 1);

  auto* bar = new QProgressBar;
  bar->setValue(37);
  layout->addWidget(bar, 2, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  auto* start = new QPushButton(QStringLiteral("&Start"));
  start->setDefault(true);
  auto* off = new QPushButton(QStringLiteral("Remove"));
  off->setEnabled(false);
  auto* mute = new QCheckBox(QStringLiteral("Mute"));
  mute->setChecked(true);
  buttons->addWidget(new QPushButton(QStringLiteral("Add")));
  buttons->addWidget(off);
  buttons->addWidget(mute);
  buttons->addStretch(1);
  buttons->addWidget(start);
  buttons->addWidget(new QPushButton(QStringLiteral("Exit")));
  layout->addLayout(buttons, 3, 0, 1, 2);
  window->resize(560, 420);
  return window;
}

std::unique_ptr<QMenu> SampleMenu() {
  auto menu = std::make_unique<QMenu>();
  menu->setObjectName(QStringLiteral("menu"));
  menu->addAction(QStringLiteral("&Add Files...\tCtrl+O"));
  menu->addAction(QStringLiteral("&Remove"));
  menu->addAction(QStringLiteral("C&lear"))->setEnabled(false);
  menu->addSeparator();
  QAction* checked = menu->addAction(QStringLiteral("Default"));
  checked->setCheckable(true);
  checked->setChecked(true);
  menu->addAction(QStringLiteral("&Start"));
  menu->addSeparator();
  menu->addAction(QStringLiteral("E&xit"));
  menu->setActiveAction(menu->actions().at(1));
  return menu;
}

}  // namespace qarvo::screens
