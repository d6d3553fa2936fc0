// The output format selector: the edit box showing the current format, its drop button and
// the catalogue list with its category rows.
//
// The rows and their rules live in TFormatList; the list pops up above the field, as tall
// as the screen above it allows. The current format is chosen and found by its code: the
// two catalogue tables share display names.
#pragma once

#include <QWidget>

#include "core/FormatList.h"
#include "core/GlobalObject.h"

class QComboBox;
class QFrame;
class QLineEdit;
class QToolButton;

namespace qarvo {

class TFormatListModel;
class TFormatListView;

class TFormatSelector : public QWidget {
  Q_OBJECT

 public:
  explicit TFormatSelector(const TGlobalObject& global, QWidget* parent = nullptr);
  ~TFormatSelector() override;

  // Reads the catalogue, the categories' collapse state and the current format, then
  // announces the current format (FormatChanged), so the parameters load for it.
  void Build();
  // Writes the categories' collapse state (at teardown).
  void SaveCollapseState();
  int CurrentCode() const { return currentCode_; }
  QString FormatName() const;

  // The list opens below the field (the settings dialog's way) instead of above it.
  void SetOpensDownward(bool downward) { opensDownward_ = downward; }
  static constexpr int kDownwardMaxHeight = 247;

  bool ListShown() const;
  void ShowList();
  void HideList();

 signals:
  void FormatChanged(int code);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ToggleList();
  void PlaceList();
  void RefreshRows(int currentRow);
  void OnRowPressed(int row, int x);
  void OnRowDoubleClicked(int row, int x);
  void OnRowActivated(int row);
  void OnCategoryKey(int row, bool expand);
  void Choose(const TFormatList::TChoice& choice);

  const TGlobalObject& global_;
  int currentCode_ = -1;
  bool opensDownward_ = false;
  TFormatList rows_;
  QLineEdit* edt1_ = nullptr;
  QToolButton* imgbtn1_ = nullptr;
  QComboBox* cbOutputFormat_ = nullptr;
  QFrame* popup_ = nullptr;
  TFormatListView* lst1_ = nullptr;
  TFormatListModel* model_ = nullptr;
};

}  // namespace qarvo
