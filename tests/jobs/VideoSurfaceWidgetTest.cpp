#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <vector>

#include "base/MainThread.h"
#include "media/LibraryLoader.h"
#include "player/TMediaPlayer.h"
#include "jobs/TVideoSurfaceWidget.h"

#include "support/QtApplication.h"
#include "support/TestMedia.h"
#include "support/TestPicture.h"

namespace qarvo {
namespace {

// The luma of part of an image, as the frame-number reader takes it.
std::vector<uint8_t> Luma(const QImage& image, const QRect& area) {
  std::vector<uint8_t> luma;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      luma.push_back(static_cast<uint8_t>(qGray(image.pixel(x, y))));
  return luma;
}

TEST(TVideoSurfaceWidget, PaintsTheClipLetterboxedInItsColoursAndFollowsAResize) {
  test::TQtHandOver handOver;
  ASSERT_TRUE(TLibraryLoader::Instance().Load(kPlayerLibraries))
      << TLibraryLoader::Instance().LastError();
  TClipSpec spec = StandardClip("avi_mpeg4_mp3");
  spec.AudioCodec.clear();
  spec.CornerMarker = true;
  const std::string clip = EnsureClipFile(spec, "surface_marker.avi");

  TVideoSurfaceWidget pan1;
  pan1.resize(243, 171);
  pan1.show();
  EXPECT_FALSE(pan1.HasPicture());
  TMediaPlayer player;
  player.SetOnFileOpen([&](TCustomPlayer&, int64_t, int, int, int& width, int& height) {
    width = pan1.width();
    height = pan1.height();
  });
  ASSERT_TRUE(player.Open(clip, &pan1, false)) << player.LastErrMsg();
  QSignalSpy arrived(&pan1, &TVideoSurfaceWidget::PictureArrived);
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return pan1.PicturesShown() >= 3 && pan1.HasPicture(); }, 20000));
  player.Pause();
  ASSERT_TRUE(QTest::qWaitFor([&] { return player.Paused(); }, 20000));
  QCoreApplication::processEvents();

  // 4:3 in 243 x 171: 228 wide (even), centred, black beside it.
  EXPECT_EQ(pan1.PictureRect(), QRect(7, 0, 228, 171));
  const QImage shot = pan1.grab().toImage();
  ASSERT_EQ(shot.size(), QSize(243, 171));
  for (const QPoint at : {QPoint(2, 85), QPoint(240, 20), QPoint(238, 160)})
    EXPECT_EQ(shot.pixel(at), qRgb(0, 0, 0)) << at.x() << "," << at.y();
  // The burnt-in frame number survives the conversion and the scaling.
  const std::vector<uint8_t> luma = Luma(shot, QRect(7, 0, 228, 171));
  EXPECT_GE(ReadFrameNumber(luma.data(), 228, 228, 171), 0);
  // Both chroma planes at their floor is green: a picture read with its planes out of order
  // would show here.
  const QRgb marker = shot.pixel(7 + 228 - 8, 171 - 8);
  EXPECT_GT(qGreen(marker), qRed(marker) + 60);
  EXPECT_GT(qGreen(marker), qBlue(marker) + 60);
  EXPECT_GT(arrived.size(), 0);

  // A wider surface reaches the player, which shows its picture anew in the middle.
  pan1.resize(400, 171);
  ASSERT_TRUE(QTest::qWaitFor([&] { return pan1.PictureRect() == QRect(86, 0, 228, 171); }, 20000))
      << "picture at " << pan1.PictureRect().x();
  player.Stop(true);
  pan1.Clear();
  EXPECT_FALSE(pan1.HasPicture());
  const QImage empty = pan1.grab().toImage();
  EXPECT_EQ(empty.pixel(200, 85), pan1.palette().color(QPalette::Dark).rgb());
}

// Pure red in BT.709 video range, once said to be BT.709 and once said to be BT.601: the
// first must come out as full red, the second (read with the other matrix) visibly duller.
TEST(TVideoSurfaceWidget, TakesTheColourMatrixTheStreamNames) {
  test::TQtHandOver handOver;
  ASSERT_TRUE(TLibraryLoader::Instance().Load(kPlayerLibraries))
      << TLibraryLoader::Instance().LastError();
  TVideoSurfaceWidget pan1;
  pan1.resize(64, 48);
  pan1.show();
  ASSERT_TRUE(pan1.SetMode(64, 48));
  std::vector<uint8_t> y(64 * 48, 63), u(32 * 24, 102), v(32 * 24, 240);
  TYuvPicture red;
  red.Plane[0] = y.data(), red.Plane[1] = u.data(), red.Plane[2] = v.data();
  red.Pitch[0] = 64, red.Pitch[1] = red.Pitch[2] = 32;
  red.Width = 64, red.Height = 48;
  const auto shown = [&](bool bt709) {
    red.Bt709 = bt709;
    const uint64_t before = pan1.PicturesShown();
    pan1.Show(red, TDisplayRect{0, 0, 64, 48});
    EXPECT_EQ(pan1.PicturesShown(), before + 1);
    return pan1.grab().toImage().pixel(32, 24);
  };
  const QRgb bt709 = shown(true);
  EXPECT_GE(qRed(bt709), 250);
  EXPECT_LE(qGreen(bt709), 12);
  EXPECT_LE(qBlue(bt709), 12);
  const QRgb bt601 = shown(false);
  EXPECT_LT(qRed(bt601), 242);
  EXPECT_GT(qRed(bt601), 215);
  EXPECT_LE(qBlue(bt601), 12);
}

}  // namespace
}  // namespace qarvo
