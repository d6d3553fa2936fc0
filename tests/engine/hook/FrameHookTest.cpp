// The task's picture hooks on their own: the custom hook's Update/StopHook and failures,
// deinterlacing, and the preview pictures with their rate limit and window.
#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "base/EngineRecords.h"
#include "media/EngineLogger.h"
#include "media/LibraryObjects.h"
#include "engine/hook/TFrameHook.h"
#include "engine/hook/THookRowWatch.h"

#include "support/TestMediaError.h"
#include "support/TestPicture.h"

namespace qarvo {
namespace {

class FrameHookTest : public testing::Test {
 protected:
  void SetUp() override {
    LoadMediaLibraries();
    TEngineLogger& logger = TEngineLogger::GetLogger();
    logger.SetOnLog([this](const void*, uint32_t, TLogLevel level, const std::string& text) {
      std::lock_guard lock(mutex_);
      if (level == TLogLevel::llError) errors_.push_back(text);
    });
  }
  void TearDown() override {
    TEngineLogger::GetLogger().SetOnLog(nullptr);
    SetPreviewWindowFactory(nullptr);
  }

  // A decoded picture as a decoder hands it out: shared with a reference the decoder keeps.
  TFramePtr Decoded(int width, int height, int number) {
    TFramePtr frame = MakeFrame();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = width;
    frame->height = height;
    CheckAv(api().av_frame_get_buffer(frame.get(), 32), "av_frame_get_buffer");
    DrawTestPicture(*frame, number, 25.0);
    frame->pts = number;
    decoderRefs_.emplace_back(api().av_frame_clone(frame.get()));
    return frame;
  }
  static int Number(const AVFrame& frame) {
    return ReadFrameNumber(frame.data[0], frame.linesize[0], frame.width, frame.height);
  }
  static void Blacken(TBitmap& bitmap) {
    for (int y = 0; y < bitmap.Height(); ++y)
      std::memset(bitmap.ScanLine(y), 0, bitmap.Width() * 3);
  }
  std::vector<std::string> Errors() {
    std::lock_guard lock(mutex_);
    return errors_;
  }

  TFrameHook hook_{this};
  std::vector<TFramePtr> decoderRefs_;
  std::mutex mutex_;
  std::vector<std::string> errors_;
};

TEST_F(FrameHookTest, StopHookOnTheFirstPictureStillWritesItBack) {
  int calls = 0;
  hook_.SetCustomHook([&](TBitmap& bitmap, int frameNumber, int64_t pts, bool& update, bool& stop) {
    ++calls;
    EXPECT_EQ(frameNumber, 1);
    EXPECT_EQ(pts, 40000);
    EXPECT_TRUE(update);
    EXPECT_FALSE(stop);
    Blacken(bitmap);
    stop = true;
  });
  TFramePtr first = Decoded(160, 120, 1);
  hook_.Preprocess(*first, false, 40000);
  EXPECT_EQ(Number(*first), -1);  // the blackened picture replaced the decoded one
  // The decoder's own reference picture was never written.
  EXPECT_EQ(Number(*decoderRefs_[0]), 1);

  TFramePtr second = Decoded(160, 120, 2);
  hook_.Preprocess(*second, false, 80000);
  EXPECT_EQ(Number(*second), 2);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(hook_.FrameNumber(), 2);
  EXPECT_FALSE(hook_.HasCustomHook());
}

TEST_F(FrameHookTest, HandlerExceptionLeavesThePictureAndHookingGoesOn) {
  int calls = 0;
  hook_.SetCustomHook([&](TBitmap& bitmap, int, int64_t, bool&, bool&) {
    Blacken(bitmap);
    if (++calls == 1) throw std::runtime_error("boom");
  });
  TFramePtr first = Decoded(160, 120, 5);
  hook_.Preprocess(*first, false, 0);
  EXPECT_EQ(Number(*first), 5);
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_EQ(Errors()[0], "Error occurs OnCustomHook: boom");

  TFramePtr second = Decoded(160, 120, 6);
  hook_.Preprocess(*second, false, 0);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(Number(*second), -1);
}

TEST_F(FrameHookTest, UpdateFalseLeavesThePictureUnchanged) {
  hook_.SetCustomHook([&](TBitmap& bitmap, int, int64_t, bool& update, bool&) {
    Blacken(bitmap);
    update = false;
  });
  TFramePtr frame = Decoded(160, 120, 9);
  hook_.Preprocess(*frame, false, 0);
  EXPECT_EQ(Number(*frame), 9);
  EXPECT_TRUE(hook_.HasCustomHook());
}

// Rows the hook left as they were keep the decoded bytes exactly (no round trip through BGR),
// a picture it left whole stays the decoded one, and after a picture it changed everywhere
// the next ones are converted whole without the copy that telling needs.
TEST_F(FrameHookTest, RowsTheHookLeftKeepTheDecodedBytes) {
  int paintFrom = 71, paintTo = 89;  // bitmap rows, below the frame number; row pairs 70..89 change
  hook_.SetCustomHook([&](TBitmap& bitmap, int, int64_t, bool&, bool&) {
    for (int y = paintFrom; y < paintTo; ++y)
      std::memset(bitmap.ScanLine(y), 255, bitmap.Width() * 3);
  });
  TFramePtr frame = Decoded(160, 120, 5);
  const AVFrame& decoded = *decoderRefs_.back();
  hook_.Preprocess(*frame, false, 0);
  for (int plane = 0; plane < 3; ++plane) {
    const int rows = plane ? 60 : 120, width = plane ? 80 : 160, first = plane ? 35 : 70,
              end = plane ? 45 : 90;
    for (int y = 0; y < rows; ++y) {
      const uint8_t* out = frame->data[plane] + y * frame->linesize[plane];
      const uint8_t* in = decoded.data[plane] + y * decoded.linesize[plane];
      if (y < first || y >= end) {
        ASSERT_EQ(std::memcmp(out, in, width), 0) << "plane " << plane << " row " << y;
      } else if (plane == 0 && y > first && y < end - 1) {
        ASSERT_NEAR(out[40], 235, 3) << "row " << y;
      }
    }
  }
  EXPECT_EQ(Number(*frame), 5);

  paintTo = paintFrom;  // nothing painted
  TFramePtr untouched = Decoded(160, 120, 6);
  const uint8_t* const buffer = untouched->data[0];
  hook_.Preprocess(*untouched, false, 0);
  EXPECT_EQ(untouched->data[0], buffer);

  THookRowWatch watch;
  TBitmap bitmap(8, 6);
  ASSERT_TRUE(watch.Before(bitmap, true));
  std::memset(bitmap.Bits(), 7, bitmap.SizeInBytes());
  ASSERT_EQ(watch.After(bitmap).size(), 1u);
  for (int i = 0; i < THookRowWatch::kRestAfterFullChange; ++i)
    EXPECT_FALSE(watch.Before(bitmap, true)) << i;
  EXPECT_TRUE(watch.Before(bitmap, true));
  EXPECT_FALSE(watch.Before(bitmap, false));
}

TEST_F(FrameHookTest, OddWidthChangesReachThePicture) {
  hook_.SetCustomHook([&](TBitmap& bitmap, int, int64_t, bool&, bool&) {
    EXPECT_EQ(bitmap.Width(), 175);
    EXPECT_EQ(bitmap.Height(), 97);
    for (int y = 80; y < 90; ++y) std::memset(bitmap.ScanLine(y) + 150 * 3, 255, 20 * 3);
  });
  TFramePtr frame = Decoded(175, 97, 3);
  hook_.Preprocess(*frame, false, 0);
  EXPECT_NEAR(frame->data[0][85 * frame->linesize[0] + 160], 235, 3);
  EXPECT_EQ(Number(*frame), 3);
}

TEST_F(FrameHookTest, DeinterlacingSmoothsAlternateLines) {
  TFramePtr frame = Decoded(160, 120, 1);
  for (int y = 0; y < 120; ++y)
    std::memset(frame->data[0] + y * frame->linesize[0], y % 2 ? 200 : 40, 160);
  hook_.Preprocess(*frame, true, 0);
  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(frame->width, 160);
  EXPECT_EQ(frame->format, AV_PIX_FMT_YUV420P);
  // The comb is gone: neighbouring lines no longer differ by the full swing.
  const int a = frame->data[0][50 * frame->linesize[0] + 80];
  const int b = frame->data[0][51 * frame->linesize[0] + 80];
  EXPECT_LT(std::abs(a - b), 80);
  EXPECT_EQ(frame->pts, 1);
}

TEST_F(FrameHookTest, PreviewBitmapsComeAtMostEveryHundredMilliseconds) {
  int windows = 0;
  SetPreviewWindowFactory([&]() -> std::unique_ptr<TPreviewWindow> {
    ++windows;
    return nullptr;
  });
  std::vector<int64_t> seen;
  hook_.SetPreviewBitmapHandler([&](TBitmap& bitmap, int, int64_t pts) {
    EXPECT_EQ(bitmap.Width(), 160);
    seen.push_back(pts);
  });
  hook_.SetPreviewFlag(pfPreview, true);
  hook_.SetPreviewFlag(pfPreviewBitmap, true);
  TFramePtr frame = Decoded(160, 120, 1);
  hook_.Preview(*frame, 1);
  hook_.Preview(*frame, 2);
  // Previews are spaced by the clock: the interval passing is what is tested.
  std::this_thread::sleep_for(std::chrono::milliseconds(120));
  hook_.Preview(*frame, 3);
  EXPECT_EQ(seen, (std::vector<int64_t>{1, 3}));
  // With bitmaps handed to the application, the window never opens.
  EXPECT_EQ(windows, 0);
  EXPECT_EQ(hook_.PreviewFlags(), pfPreview | pfPreviewBitmap);
}

class TFakeWindow : public TPreviewWindow {
 public:
  TFakeWindow(std::vector<std::string>& captions, bool& closed, int& alive)
      : captions_(captions), closed_(closed), alive_(alive) {
    ++alive_;
  }
  ~TFakeWindow() override { --alive_; }
  void ShowPicture(const TBitmap& bitmap, const std::string& caption) override {
    EXPECT_EQ(bitmap.Width(), 160);
    captions_.push_back(caption);
  }
  bool ClosedByUser() const override { return closed_; }

 private:
  std::vector<std::string>& captions_;
  bool& closed_;
  int& alive_;
};

TEST_F(FrameHookTest, ClosingThePreviewWindowStopsPreviews) {
  std::vector<std::string> captions;
  bool closed = false;
  int alive = 0;
  SetPreviewWindowFactory([&] { return std::make_unique<TFakeWindow>(captions, closed, alive); });
  hook_.SetPreviewFlag(pfPreview, true);
  TFramePtr frame = Decoded(160, 120, 1);
  hook_.Preview(*frame, 3723004000);
  ASSERT_EQ(captions, (std::vector<std::string>{"01:02:03.004"}));
  EXPECT_EQ(alive, 1);

  closed = true;
  // The window is looked at once per preview interval of the clock, which has to pass.
  std::this_thread::sleep_for(std::chrono::milliseconds(110));
  hook_.Preview(*frame, kNoTimestamp);
  EXPECT_EQ(hook_.PreviewFlags(), 0);
  EXPECT_EQ(alive, 0);  // freed with the flag
  EXPECT_EQ(captions.size(), 1u);
}

TEST_F(FrameHookTest, WithoutAWindowFactoryPreviewSwitchesItselfOff) {
  hook_.SetPreviewFlag(pfPreview, true);
  TFramePtr frame = Decoded(160, 120, 1);
  hook_.Preview(*frame, 0);
  EXPECT_EQ(hook_.PreviewFlags(), 0);
  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(TPreviewer::Caption(kNoTimestamp), "N/A");
}

}  // namespace
}  // namespace qarvo
