// The drop-down list of the format selector: highlights the row under the pointer and turns
// presses and keys into requests the selector carries out on its rows.
#pragma once

#include <QListView>

namespace qarvo {

class TFormatListView : public QListView {
  Q_OBJECT

 public:
  explicit TFormatListView(QWidget* parent = nullptr);

 signals:
  // x: pixels from the row's left edge.
  void RowPressed(int row, int x);
  void RowDoubleClicked(int row, int x);
  // Enter or Space on a row.
  void RowActivated(int row);
  // Right (expand) or Left (collapse) on a category row.
  void CategoryKey(int row, bool expand);

 protected:
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace qarvo
