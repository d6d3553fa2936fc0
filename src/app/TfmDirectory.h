// The folder chooser: a tree of folders only, "Ok" and "Cancel"; refuses a folder on a
// read-only medium and stays open.
#pragma once

#include <QDialog>
#include <functional>

#include "app/FolderMedium.h"

class QFileSystemModel;
class QLabel;
class QPushButton;
class QTreeView;

namespace qarvo {

class TfmDirectory : public QDialog {
  Q_OBJECT

 public:
  using TMessenger = std::function<void(const QString& caption, const QString& text)>;

  static constexpr const char* kCdRomMessage =
      "Output folder cannot be located in CD-ROM.Please select another folder.";
  // A folder no file can be written to ("%1" is the folder).
  static QString NotWritableMessage(const QString& folder);

  TfmDirectory(QString appTitle, QWidget* parent = nullptr);

  // Shows the chooser at `current` when that folder exists, else at the home folder; the
  // chosen folder, or empty when cancelled.
  QString Choose(const QString& current);
  // Prepares the chooser as Choose does, without running it (tests, screenshots).
  void Prepare(const QString& current);
  QString Result() const { return result_; }
  QString SelectedFolder() const;
  void SelectFolder(const QString& folder);

  // Replacements for tests: the medium of a folder and the information box.
  void SetMediumProbe(TFolderMediumProbe probe) { probe_ = std::move(probe); }
  void SetMessenger(TMessenger messenger) { messenger_ = std::move(messenger); }

  void btnOkClick();
  void btnCancelClick();

 private:
  void UpdateOk();

  QString appTitle_;
  QString result_;
  TFolderMediumProbe probe_;
  TMessenger messenger_;
  QLabel* promptLabel_ = nullptr;
  QTreeView* folderTree_ = nullptr;
  QFileSystemModel* model_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
};

}  // namespace qarvo
