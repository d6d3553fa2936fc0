// The main window's menus, the list menu, the Skin menu and the web links.
#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <algorithm>

#include "core/JobList.h"
#include "core/SettingsKeys.h"
#include "core/SettingsReaders.h"
#include "app/ColourSchemes.h"
#include "app/IShellOpener.h"
#include "app/TfrmAbout.h"
#include "app/TfrmMain.h"
#include "jobs/TJobListModel.h"

namespace qarvo {

namespace {

constexpr std::array<const char*, 7> kSkinCaptions{"Default", "Gray",  "Orange",    "Purple",
                                                   "Red",     "Green", "Light blue"};
constexpr std::array<const char*, 7> kSkinNames{"mnuSkinDefault",  "mnuSkinGray", "mnuSkinOrange",
                                                "mnuSkinPurple",   "mnuSkinRed",  "mnuSkinGreen",
                                                "mnuSkinLightBlue"};

struct TRelatedProduct {
  const char* Caption;
  const char* Address;
};

// The maker's other products; each page is opened with "?" and the title appended.
constexpr std::array<TRelatedProduct, 3> kRelatedProducts{{
    {"Qarvo Video Converter", "https://www.qarvo.example/videoconverter/"},
    {"Qarvo Audio Converter", "https://www.qarvo.example/audioconverter/"},
    {"Qarvo Video Joiner", "https://www.qarvo.example/videojoiner/"},
}};
constexpr const char* kSupportAddress = "https://www.qarvo.example/support/";

QMenu* AddMenu(QMenuBar* bar, const char* name, const QString& caption) {
  QMenu* menu = bar->addMenu(caption);
  menu->setObjectName(QString::fromLatin1(name));
  return menu;
}

}  // namespace

QAction* TfrmMain::AddAction(QMenu* menu, const char* name, const QString& caption,
                             void (TfrmMain::*slot)()) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(QString::fromLatin1(name));
  if (slot) {
    connect(action, &QAction::triggered, this, slot);
  } else {
    // Its dialog is not there yet.
    action->setEnabled(false);
    laterEntries_.push_back(action);
  }
  return action;
}

void TfrmMain::CreateMenus() {
  CreateFileMenu();
  CreateEditMenu();
  CreateToolsMenu();
  CreateLinksMenus();
  CreateListMenu();
}

void TfrmMain::CreateFileMenu() {
  QMenu* menu = AddMenu(menuBar(), "mnuFile", QStringLiteral("&File"));
  AddAction(menu, "mnuFileAdd", QStringLiteral("&Add"), &TfrmMain::btnAddClick)
      ->setShortcut(QKeySequence::Open);
  AddAction(menu, "mnuFileRemove", QStringLiteral("&Remove"), &TfrmMain::btnRemoveClick);
  AddAction(menu, "mnuFileClear", QStringLiteral("&Clear"), &TfrmMain::btnClearClick);
  QAction* start =
      AddAction(menu, "mnuFileStart", QStringLiteral("&Start"), &TfrmMain::btnStartClick);
  start->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
  AddAction(menu, "mnuFileSettings", QStringLiteral("Se&ttings"), &TfrmMain::mnuFileSettingsClick)
      ->setVisible(false);
  menu->addSeparator();
  QAction* exit = menu->addAction(QStringLiteral("&Exit"));
  exit->setObjectName(QStringLiteral("mnuFileExit"));
  connect(exit, &QAction::triggered, this, &QWidget::close);
}

void TfrmMain::CreateEditMenu() {
  editMenu_ = AddMenu(menuBar(), "mnuEdit", QStringLiteral("&Edit"));
  editEntries_ = {
      AddAction(editMenu_, "mnuEditCrop", QStringLiteral("&Crop"), &TfrmMain::mnuEditCropClick),
      AddAction(editMenu_, "mnuEditTrim", QStringLiteral("&Trim"), &TfrmMain::mnuEditTrimClick),
      AddAction(editMenu_, "mnuEditEffect", QStringLiteral("&Video Effect && Water Mark"),
                &TfrmMain::mnuEditEffectClick)};
  editMenu_->addSeparator();
  checkEntries_ = {
      AddAction(editMenu_, "mnuEditCheckAll", QStringLiteral("&Check All"), &TfrmMain::CheckAll),
      AddAction(editMenu_, "mnuEditUncheckAll", QStringLiteral("&Uncheck All"),
                &TfrmMain::UncheckAll),
      AddAction(editMenu_, "mnuEditReverseCheck", QStringLiteral("&Reverse Check"),
                &TfrmMain::ReverseCheck),
      AddAction(editMenu_, "mnuEditCheck", QStringLiteral("C&heck"), &TfrmMain::CheckFocused),
      AddAction(editMenu_, "mnuEditUncheck", QStringLiteral("U&ncheck"),
                &TfrmMain::UncheckFocused)};
  connect(editMenu_, &QMenu::aboutToShow, this, &TfrmMain::mnuEditPopup);
}

void TfrmMain::CreateToolsMenu() {
  QMenu* menu = AddMenu(menuBar(), "mnuTools", QStringLiteral("&Tools"));
  AddAction(menu, "mnuToolsPreference", QStringLiteral("&Preference"),
            &TfrmMain::mnuToolsPreferenceClick);
  schemeMenu_ = menu->addMenu(QStringLiteral("&Skin"));
  schemeMenu_->setObjectName(QStringLiteral("mnuSkin"));
  skinGroup_ = new QActionGroup(this);
  skinGroup_->setExclusive(true);
  for (int index = 0; index < static_cast<int>(kSkinCaptions.size()); ++index) {
    QAction* action = schemeMenu_->addAction(QString::fromLatin1(kSkinCaptions[index]));
    action->setObjectName(QString::fromLatin1(kSkinNames[index]));
    action->setCheckable(true);
    skinGroup_->addAction(action);
    skinActions_[index] = action;
    connect(action, &QAction::triggered, this, [this, index] { ChooseSkin(index); });
  }
  connect(schemeMenu_, &QMenu::aboutToShow, this, &TfrmMain::mnuSkinPopup);
}

void TfrmMain::CreateLinksMenus() {
  QMenu* related = AddMenu(menuBar(), "mnuRelated", tr("&Related Software"));
  for (const TRelatedProduct& product : kRelatedProducts) {
    QAction* action = related->addAction(QString::fromLatin1(product.Caption));
    const QString address = QString::fromLatin1(product.Address);
    connect(action, &QAction::triggered, this, [this, address] {
      OpenWebAddress(address + QStringLiteral("?") +
                     QString::fromStdString(globalObject_->AppTitle()));
    });
  }
  QMenu* help = AddMenu(menuBar(), "mnuHelp", QStringLiteral("&Help"));
  QAction* entry = help->addAction(QStringLiteral("&Help"));
  entry->setObjectName(QStringLiteral("mnuHelpHelp"));
  connect(entry, &QAction::triggered, this,
          [this] { OpenWebAddress(QString::fromStdString(globalObject_->HelpUrl())); });
  entry = help->addAction(QStringLiteral("&Web Site"));
  entry->setObjectName(QStringLiteral("mnuHelpWebSite"));
  connect(entry, &QAction::triggered, this,
          [this] { OpenWebAddress(QString::fromStdString(globalObject_->HomeUrl())); });
  entry = help->addAction(QStringLiteral("&Support and Contact"));
  entry->setObjectName(QStringLiteral("mnuHelpSupport"));
  connect(entry, &QAction::triggered, this,
          [this] { OpenWebAddress(QString::fromLatin1(kSupportAddress)); });
  help->addSeparator();
  AddAction(help, "mnuHelpAbout", QStringLiteral("&About"), &TfrmMain::ShowAbout);
}

void TfrmMain::CreateListMenu() {
  jobListMenu_ = new QMenu(this);
  jobListMenu_->setObjectName(QStringLiteral("pmFiles"));
  std::vector<QAction*> editing = {
      AddAction(jobListMenu_, "pmFilesCrop", QStringLiteral("&Crop"), &TfrmMain::mnuEditCropClick),
      AddAction(jobListMenu_, "pmFilesTrim", QStringLiteral("&Trim"), &TfrmMain::mnuEditTrimClick),
      AddAction(jobListMenu_, "pmFilesEffect", QStringLiteral("&Video Effect && Water Mark"),
                &TfrmMain::mnuEditEffectClick)};
  jobListMenu_->addSeparator();
  AddAction(jobListMenu_, "pmFilesAdd", QStringLiteral("Add"), &TfrmMain::btnAddClick);
  listRowEntries_ = {
      AddAction(jobListMenu_, "pmFilesRemove", QStringLiteral("Remove"), &TfrmMain::btnRemoveClick),
      AddAction(jobListMenu_, "pmFilesClear", QStringLiteral("Clear"), &TfrmMain::btnClearClick),
      AddAction(jobListMenu_, "pmFilesStart", QStringLiteral("Start"), &TfrmMain::btnStartClick)};
  jobListMenu_->addSeparator();
  listRowEntries_.push_back(AddAction(jobListMenu_, "pmFilesVideoInfo",
                                      QStringLiteral("Video Infomation"), &TfrmMain::ShowFileInfo));
  editEntries_.insert(editEntries_.end(), editing.begin(), editing.end());
  connect(jobListMenu_, &QMenu::aboutToShow, this, &TfrmMain::pmFilesPopup);
}

void TfrmMain::mnuEditPopup() {
  const bool enabled = jobModel_->List().RowCommandsEnabled();
  for (QAction* action : checkEntries_) action->setEnabled(enabled);
  ShowEditEntries(enabled);
}

void TfrmMain::pmFilesPopup() {
  const bool enabled = jobModel_->List().RowCommandsEnabled();
  for (QAction* action : listRowEntries_) action->setEnabled(enabled);
  ShowEditEntries(enabled);
}

void TfrmMain::ShowEditEntries(bool enabled) {
  for (QAction* action : editEntries_) {
    action->setVisible(true);
    if (std::find(laterEntries_.begin(), laterEntries_.end(), action) == laterEntries_.end())
      action->setEnabled(enabled);
  }
}

void TfrmMain::BtnEditClick() {
  jobListMenu_->popup(editButton_->mapToGlobal(QPoint(0, editButton_->height())));
}

void TfrmMain::mnuSkinPopup() {
  const int index = ReadSkinIndex(TIniFile(globalObject_->SettingsFile()));
  skinActions_[index]->setChecked(true);
}

void TfrmMain::ChooseSkin(int index) {
  if (index < 0 || index >= static_cast<int>(skinActions_.size())) return;
  const int stored = ReadSkinIndex(TIniFile(globalObject_->SettingsFile()));
  if (index == stored) {
    skinActions_[index]->setChecked(true);
    return;
  }
  const bool wasVisible = isVisible();
  hide();
  ApplyColourScheme(index);
  skinIndex_ = index;
  jobModel_->SetSchemeIndex(index);
  skinActions_[index]->setChecked(true);
  if (wasVisible) show();
  TIniFile settings(globalObject_->SettingsFile());
  settings.WriteInteger(settings::kSection, settings::kSkinIndex, index);
}

void TfrmMain::ShowAbout() {
  if (!frmAbout_) frmAbout_ = new TfrmAbout(*globalObject_, *shell_, this);
  frmAbout_->exec();
}

void TfrmMain::OpenWebAddress(const QString& address) {
  if (!address.isEmpty()) shell_->OpenWebAddress(address);
}

}  // namespace qarvo
