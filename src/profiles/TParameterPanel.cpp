#include "profiles/TParameterPanel.h"

#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

#include "core/ParameterRules.h"
#include "profiles/TMessageBoxPrompts.h"

namespace qarvo {
namespace {

constexpr int kGroupSpacing = 6;
constexpr int kBetweenGroups = 10;

int Slot(TParamBox box) { return static_cast<int>(box); }

bool IsVideoBox(TParamBox box) { return Slot(box) <= Slot(TParamBox::Zoom); }

}  // namespace

TParameterPanel::TParameterPanel(const TGlobalObject& global, QWidget* parent)
    : QWidget(parent),
      editor_(global.FormatFile(), global.SettingsFile()),
      rates_(global.FormatFile(), global.SettingsFile()),
      ownPrompts_(std::make_unique<TMessageBoxPrompts>(this, global.AppTitle())),
      prompts_(ownPrompts_.get()) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(kBetweenGroups);
  auto* row = new QHBoxLayout;
  row->setSpacing(kBetweenGroups);
  column->addLayout(row);
  row->addWidget(MakeGroup("Video Options", "grpVideoOptions",
                           {{TParamBox::VideoSize, "Frame Size:"},
                            {TParamBox::VideoEncoder, "Encoder:"},
                            {TParamBox::VideoBitRate, "BitRate (Kbps):"},
                            {TParamBox::FrameRate, "FrameRate (Fps):"},
                            {TParamBox::Zoom, "Zoom:"}}),
                 1);
  row->addWidget(MakeGroup("Audio Options", "grpAudioOptions",
                           {{TParamBox::SampleRate, "SampleRate (Hz):"},
                            {TParamBox::AudioEncoder, "Encoder:"},
                            {TParamBox::Channel, "Channel:"},
                            {TParamBox::Volume, "Volume:"},
                            {TParamBox::AudioBitRate, "BitRate (Kbps):"}}),
                 1);
  btnDefault_ = new QPushButton("Default", this);
  btnDefault_->setObjectName("btnDefault");
  auto* side = new QVBoxLayout;
  side->addWidget(btnDefault_);
  side->addStretch();
  row->addLayout(side);
  // Below both groups, hidden for the formats without rate choices (the seed's formats keep
  // their look).
  column->addWidget(MakeRateGroup());
  connect(btnDefault_, &QPushButton::clicked, this, &TParameterPanel::OnDefault);
  SyncAll();
}

QWidget* TParameterPanel::MakeRateGroup() {
  auto* group = new QGroupBox(tr("Rate Options"), this);
  group->setObjectName(QStringLiteral("grpRateOptions"));
  auto* grid = new QGridLayout(group);
  grid->setContentsMargins(kGroupSpacing, kGroupSpacing, kGroupSpacing, kGroupSpacing);
  grid->setHorizontalSpacing(kGroupSpacing);
  grid->setVerticalSpacing(kGroupSpacing);
  const struct {
    TRateBox Box;
    const char* Name;
    QString Caption;
    int Row, Column;
  } rows[] = {{TRateBox::RateMode, "cmbRateMode", tr("Rate Mode:"), 0, 0},
              {TRateBox::Speed, "cmbSpeed", tr("Speed:"), 0, 2},
              {TRateBox::Quality, "cmbQuality", tr("Quality:"), 1, 0},
              {TRateBox::TargetSize, "cmbTargetSize", tr("Size (MB):"), 1, 2}};
  for (const auto& row : rows) {
    QComboBox* combo = MakeRateBox(row.Box, row.Name);
    auto* label = new QLabel(row.Caption, group);
    label->setObjectName(QString("lbl") + (row.Name + 3));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setBuddy(combo);
    rateLabels_[static_cast<int>(row.Box)] = label;
    grid->addWidget(label, row.Row, row.Column);
    grid->addWidget(combo, row.Row, row.Column + 1);
  }
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);
  rateGroup_ = group;
  group->hide();
  return group;
}

QComboBox* TParameterPanel::MakeRateBox(TRateBox box, const char* name) {
  auto* combo = new QComboBox(this);
  combo->setObjectName(name);
  combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  combo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  rateBoxes_[static_cast<int>(box)] = combo;
  connect(combo, &QComboBox::activated, this, [this, box](int index) { OnRateChosen(box, index); });
  if (TRateEditor::Editable(box)) {
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);
    combo->lineEdit()->installEventFilter(this);
    connect(combo->lineEdit(), &QLineEdit::textEdited, this,
            [this, box](const QString& text) { rates_.Type(box, text.toStdString()); });
    connect(combo->lineEdit(), &QLineEdit::editingFinished, this, [this] {
      if (!OnSizeLeft())
        FocusAgain(TParamBox::VideoSize, rateBoxes_[static_cast<int>(TRateBox::TargetSize)]);
    });
  }
  return combo;
}

TParameterPanel::~TParameterPanel() = default;

QWidget* TParameterPanel::MakeGroup(const char* title, const char* name,
                                    std::initializer_list<std::pair<TParamBox, const char*>> rows) {
  auto* group = new QGroupBox(title, this);
  group->setObjectName(name);
  auto* form = new QFormLayout(group);
  form->setContentsMargins(kGroupSpacing, kGroupSpacing, kGroupSpacing, kGroupSpacing);
  form->setSpacing(kGroupSpacing);
  form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  static const char* const names[kParamBoxCount] = {
      "cmbVideoSize",  "cmbVideoEncoder", "cmbVideoBitRate", "cmbFrameRate", "cmbZoom",
      "cmbSamplerate", "cmbAudioEncoder", "cmbChannel",      "cmbVolume",    "cmbAudioBitRate"};
  for (const auto& [box, caption] : rows) {
    QComboBox* combo = MakeBox(box, names[Slot(box)]);
    auto* label = new QLabel(caption, group);
    label->setObjectName(QString("lbl") + (names[Slot(box)] + 3));
    label->setBuddy(combo);
    labels_[Slot(box)] = label;
    form->addRow(label, combo);
  }
  return group;
}

QComboBox* TParameterPanel::MakeBox(TParamBox box, const char* name) {
  auto* combo = new QComboBox(this);
  combo->setObjectName(name);
  combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  combo->setMinimumContentsLength(8);
  combo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  boxes_[Slot(box)] = combo;
  connect(combo, &QComboBox::activated, this, [this, box](int index) { OnChosen(box, index); });
  if (TParameterEditor::Editable(box)) {
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);
    combo->lineEdit()->installEventFilter(this);
    connect(combo->lineEdit(), &QLineEdit::textEdited, this,
            [this, box](const QString& text) { OnTyped(box, text); });
    if (box == TParamBox::VideoSize)
      connect(combo->lineEdit(), &QLineEdit::editingFinished, this,
              &TParameterPanel::OnFrameSizeLeft);
    else
      connect(combo->lineEdit(), &QLineEdit::editingFinished, this, [this, box] { OnLeft(box); });
  }
  return combo;
}

void TParameterPanel::LoadFormat(int code) {
  editor_.Load(code);
  rates_.Load(code);
  SyncAll();
}

bool TParameterPanel::CommitFrameSize() {
  if (!OnSizeLeft()) return false;
  const TParameterEditor::TRunCheck check = editor_.CheckBeforeRun();
  SyncAll();
  for (const TParamMessage& message : check.Messages) Show(message);
  AnnounceWrites();
  return check.Ok;
}

bool TParameterPanel::CommitTypedFrameSize() {
  const auto message = editor_.LeaveFrameSize();
  Sync(TParamBox::VideoSize);
  Show(message);
  AnnounceWrites();
  return !message;
}

void TParameterPanel::SetChecksOnLeave(bool onLeave) {
  checksOnLeave_ = onLeave;
  editor_.SetChecksOnLeave(onLeave);
}

bool TParameterPanel::CommitTypedValues() {
  for (TParamBox box : {TParamBox::VideoSize, TParamBox::VideoBitRate, TParamBox::SampleRate,
                        TParamBox::AudioBitRate}) {
    const auto message = editor_.Leave(box);
    Sync(box);
    AnnounceWrites();
    if (!message) continue;
    Show(message);
    FocusAgain(box);
    return false;
  }
  if (OnSizeLeft()) return true;
  FocusAgain(TParamBox::VideoSize, rateBoxes_[static_cast<int>(TRateBox::TargetSize)]);
  return false;
}

void TParameterPanel::SetEncoderAvailability(TEncoderAvailable available) {
  editor_.SetEncoderAvailability(std::move(available));
  SyncAll();
}

void TParameterPanel::SetPrompts(IUserPrompts* prompts) {
  prompts_ = prompts ? prompts : ownPrompts_.get();
}

void TParameterPanel::OnChosen(TParamBox box, int index) {
  const auto message = editor_.Choose(box, index);
  // An audio encoder with narrow limits moves the rate, bit-rate and channel boxes too.
  if (box == TParamBox::AudioEncoder)
    SyncAll();
  else
    Sync(box);
  Show(message);
  AnnounceWrites();
}

void TParameterPanel::OnTyped(TParamBox box, const QString& text) {
  const auto message = editor_.Type(box, text.toStdString());
  Sync(box);
  Show(message);
  AnnounceWrites();
}

void TParameterPanel::OnFrameSizeLeft() {
  // The editor forgets the typed size before the message shows, so the focus the message
  // box takes cannot check it twice.
  if (!CommitTypedFrameSize()) FocusAgain(TParamBox::VideoSize);
}

void TParameterPanel::OnLeft(TParamBox box) {
  // As with the frame size, the typed value is forgotten before the message shows.
  const auto message = editor_.Leave(box);
  Sync(box);
  Show(message);
  AnnounceWrites();
  if (message) FocusAgain(box);
}

void TParameterPanel::FocusAgain(TParamBox box, QComboBox* other) {
  if (!checksOnLeave_) return;
  // Queued: the focus is still on its way to the next control while the box is left.
  QComboBox* combo = other ? other : boxes_[Slot(box)];
  QTimer::singleShot(0, combo, [combo] {
    combo->setFocus(Qt::OtherFocusReason);
    if (combo->lineEdit()) combo->lineEdit()->selectAll();
  });
}

void TParameterPanel::OnRateChosen(TRateBox box, int index) {
  rates_.Choose(box, index);
  SyncRates();
  Sync(TParamBox::VideoBitRate);
  AnnounceWrites();
}

// As with the other typed values, the typed size is forgotten before the message shows.
bool TParameterPanel::OnSizeLeft() {
  const bool typed = rates_.Typed();
  const bool taken = rates_.Leave(TRateBox::TargetSize);
  SyncRates();
  AnnounceWrites();
  if (!taken)
    Show(TParamMessage{TParamMessage::TKind::Information,
                       tr("Target Size is not a valid value!").toStdString()});
  return taken || !typed;
}

void TParameterPanel::OnDefault() {
  rates_.ResetToDefaults();
  const std::vector<TParamMessage> messages = editor_.ResetToDefaults();
  SyncAll();
  for (const TParamMessage& message : messages) Show(message);
  AnnounceWrites();
}

void TParameterPanel::Sync(TParamBox which) {
  const TParamBoxState& state = editor_.Box(which);
  QComboBox* box = boxes_[Slot(which)];
  const QSignalBlocker blocker(box);
  if (shownItems_[Slot(which)] != state.Items) {
    box->clear();
    for (const TParamItem& item : state.Items) {
      box->addItem(QString::fromStdString(item.Text));
      if (item.MissingEncoder.empty()) continue;
      const int row = box->count() - 1;
      box->setItemData(row,
                       QString::fromStdString(MissingEncoderText(item.Text, item.MissingEncoder)),
                       Qt::ToolTipRole);
      box->setItemData(row, palette().color(QPalette::Disabled, QPalette::Text),
                       Qt::ForegroundRole);
    }
    shownItems_[Slot(which)] = state.Items;
  }
  if (box->currentIndex() != state.Index) box->setCurrentIndex(state.Index);
  if (box->isEditable() && box->currentText().toStdString() != state.Text)
    box->setEditText(QString::fromStdString(state.Text));
  box->setMaxVisibleItems(std::max(1, box->count()));
  // The bit rate counts only in the bit-rate modes of the current formats.
  box->setEnabled(state.Enabled && (which != TParamBox::VideoBitRate || rates_.BitRateApplies()));
  const bool missing = state.Index >= 0 && !state.Items[state.Index].MissingEncoder.empty();
  box->setToolTip(missing ? box->itemData(state.Index, Qt::ToolTipRole).toString() : QString());
  const bool groupOn = IsVideoBox(which) ? editor_.VideoEnabled() : editor_.AudioEnabled();
  if (labels_[Slot(which)]) labels_[Slot(which)]->setEnabled(groupOn);
}

void TParameterPanel::SyncAll() {
  for (int box = 0; box < kParamBoxCount; ++box) Sync(static_cast<TParamBox>(box));
  SyncRates();
}

void TParameterPanel::SyncRates() {
  rateGroup_->setVisible(rates_.AnyOffered());
  for (int slot = 0; slot < kRateBoxCount; ++slot) {
    const auto which = static_cast<TRateBox>(slot);
    const TParamBoxState& state = rates_.Box(which);
    QComboBox* box = rateBoxes_[slot];
    const QSignalBlocker blocker(box);
    if (shownRateItems_[slot] != state.Items) {
      box->clear();
      for (const TParamItem& item : state.Items) box->addItem(QString::fromStdString(item.Text));
      shownRateItems_[slot] = state.Items;
    }
    if (box->currentIndex() != state.Index) box->setCurrentIndex(state.Index);
    if (box->isEditable() && box->currentText().toStdString() != state.Text)
      box->setEditText(QString::fromStdString(state.Text));
    box->setMaxVisibleItems(std::max(1, box->count()));
    box->setEnabled(state.Enabled);
    box->setVisible(rates_.Offered(which));
    rateLabels_[slot]->setVisible(rates_.Offered(which));
  }
}

void TParameterPanel::Show(const std::optional<TParamMessage>& message) {
  if (message) prompts_->ShowMessage(*message);
}

void TParameterPanel::AnnounceWrites() {
  if (editor_.Writes() == announcedWrites_ && rates_.Writes() == announcedRateWrites_) return;
  announcedWrites_ = editor_.Writes();
  announcedRateWrites_ = rates_.Writes();
  emit ProfileChanged();
}

bool TParameterPanel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    for (TParamBox box : {TParamBox::VideoSize, TParamBox::VideoBitRate, TParamBox::SampleRate,
                          TParamBox::AudioBitRate}) {
      if (boxes_[Slot(box)]->lineEdit() == watched) return FilterKey(boxes_[Slot(box)], event);
    }
    QComboBox* size = rateBoxes_[static_cast<int>(TRateBox::TargetSize)];
    if (size->lineEdit() == watched) return FilterKey(size, event);
  }
  return QWidget::eventFilter(watched, event);
}

void TParameterPanel::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::PaletteChange) return;
  // Unavailable encoders are drawn in the scheme's disabled text colour.
  for (auto& items : shownItems_) items.clear();
  SyncAll();
}

bool TParameterPanel::FilterKey(QComboBox* box, QEvent* event) {
  const QString typed = static_cast<QKeyEvent*>(event)->text();
  if (typed.isEmpty()) return false;
  const TKeyRule rule = box == boxes_[Slot(TParamBox::VideoSize)] ? TKeyRule::FrameSize
                        : box == rateBoxes_[static_cast<int>(TRateBox::TargetSize)]
                            ? TKeyRule::Decimal
                            : TKeyRule::Numeric;
  const TKeyVerdict verdict =
      qarvo::FilterKey(rule, box->currentText().toStdString(), typed.toUcs4().front());
  if (verdict.Accept) return false;
  if (verdict.Beep) prompts_->Beep();
  if (verdict.NumericMessage)
    Show(TParamMessage{TParamMessage::TKind::Information, parameter_messages::kNumerical});
  return true;
}

}  // namespace qarvo
