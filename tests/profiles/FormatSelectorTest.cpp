#include <gtest/gtest.h>

#include <QFrame>
#include <QLineEdit>
#include <QListView>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "core/GlobalObject.h"
#include "core/IniFile.h"
#include "profiles/TFormatSelector.h"

#include "support/QtApplication.h"
#include "support/ScratchFolder.h"

namespace qarvo {
namespace {

using test::TScratchFolder;

class FormatSelectorTest : public ::testing::Test {
 protected:
  FormatSelectorTest() {
    test::QtApplication();
    global_.SetSettingsFile(folder_.File("settings.ini"));
    global_.SetFormatFile(folder_.File("formats.ini"));
    selector_ = std::make_unique<TFormatSelector>(global_);
    selector_->resize(360, selector_->sizeHint().height());
    selector_->move(100, 500);
    selector_->show();
    list_ = selector_->findChild<QListView*>("lst1");
    field_ = selector_->findChild<QLineEdit*>("edt1");
  }
  int RowOf(const QString& text, int from = 0) const {
    for (int row = from; row < list_->model()->rowCount(); ++row)
      if (list_->model()->index(row, 0).data().toString() == text) return row;
    return -1;
  }
  void Press(int row, int x) {
    const QRect rect = list_->visualRect(list_->model()->index(row, 0));
    QTest::mouseClick(list_->viewport(), Qt::LeftButton, {},
                      QPoint(rect.left() + x, rect.center().y()));
  }

  TScratchFolder folder_;
  TGlobalObject global_;
  std::unique_ptr<TFormatSelector> selector_;
  QListView* list_ = nullptr;
  QLineEdit* field_ = nullptr;
};

TEST_F(FormatSelectorTest, ChoosingAFormatByMouseStoresItsTablesCodeAndClosesTheList) {
  QSignalSpy changed(selector_.get(), &TFormatSelector::FormatChanged);
  selector_->Build();
  ASSERT_NE(list_, nullptr);
  ASSERT_NE(field_, nullptr);
  ASSERT_TRUE(selector_->findChild<QWidget*>("cbOutputFormat"));
  EXPECT_TRUE(selector_->findChild<QWidget*>("cbOutputFormat")->isHidden());
  EXPECT_EQ(field_->text(), "Apple iPod Video MPEG-4 Movie (*.mp4)");
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed.takeFirst().at(0).toInt(), 1);
  EXPECT_EQ(list_->model()->rowCount(), 42);

  QTest::mouseClick(selector_->findChild<QToolButton*>("imgbtn1"), Qt::LeftButton);
  ASSERT_TRUE(selector_->ListShown());
  QFrame* popup = selector_->findChild<QFrame*>("lst1Popup");
  // Opens upward: the list's bottom edge on the field's top edge.
  EXPECT_EQ(popup->frameGeometry().bottom() + 1, field_->mapToGlobal(QPoint(0, 0)).y());

  // Right of the glyph a category press chooses nothing; on the glyph it expands.
  const int audio3gp = RowOf("General Audio formates", 28);
  Press(audio3gp, 30);
  EXPECT_EQ(list_->model()->rowCount(), 42);
  Press(audio3gp, 5);
  ASSERT_EQ(list_->model()->rowCount(), 49);
  const int ac3 = RowOf("AC-3 Audio Codec (*.ac3)");
  EXPECT_EQ(ac3, audio3gp + 7);
  Press(ac3, 100);
  EXPECT_FALSE(selector_->ListShown());
  EXPECT_EQ(field_->text(), "AC-3 Audio Codec (*.ac3)");
  EXPECT_EQ(selector_->CurrentCode(), 706);
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed.takeFirst().at(0).toInt(), 706);
  TIniFile settings(global_.SettingsFile());
  EXPECT_EQ(settings.ReadString("settings", "FormatCode", ""), "706");
  EXPECT_EQ(settings.ReadString("settings", "FormatName", ""), "AC-3 Audio Codec (*.ac3)");

  // Reopening selects the current format by its code, not by its (shared) name.
  QTest::mouseClick(field_, Qt::LeftButton);
  ASSERT_TRUE(selector_->ListShown());
  EXPECT_EQ(list_->currentIndex().row(), ac3);
  QTest::keyClick(list_, Qt::Key_Escape);
  EXPECT_FALSE(selector_->ListShown());

  selector_->SaveCollapseState();
  EXPECT_EQ(settings.ReadString("lstformat", "7", ""), "0");
  EXPECT_EQ(settings.ReadString("lstformat", "107", ""), "1");
  selector_->Build();
  EXPECT_EQ(list_->model()->rowCount(), 49);
  EXPECT_EQ(field_->text(), "AC-3 Audio Codec (*.ac3)");
}

TEST_F(FormatSelectorTest, TheKeyboardExpandsCollapsesAndChooses) {
  selector_->Build();
  field_->setFocus();
  QTest::keyClick(field_, Qt::Key_F4);
  ASSERT_TRUE(selector_->ListShown());
  const int archos = RowOf("Archos");
  list_->setCurrentIndex(list_->model()->index(archos, 0));
  QTest::keyClick(list_, Qt::Key_Right);
  ASSERT_EQ(list_->model()->rowCount(), 49);
  EXPECT_EQ(RowOf("Archos H.264 Video (*.mp4)"), archos + 1);
  EXPECT_EQ(RowOf("Creative Zen"), archos + 8);  // the next category untouched
  QTest::keyClick(list_, Qt::Key_Left);
  EXPECT_EQ(list_->model()->rowCount(), 42);
  QTest::keyClick(list_, Qt::Key_Return);  // Enter on a category toggles it as well
  EXPECT_EQ(list_->model()->rowCount(), 49);
  QTest::keyClick(list_, Qt::Key_Down);
  QTest::keyClick(list_, Qt::Key_Down);
  QTest::keyClick(list_, Qt::Key_Return);
  EXPECT_FALSE(selector_->ListShown());
  EXPECT_EQ(selector_->CurrentCode(), 801);
  EXPECT_EQ(field_->text(), "Archos MPEG4 Video (*.mp4)");
}

}  // namespace
}  // namespace qarvo
