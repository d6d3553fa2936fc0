#include <gtest/gtest.h>
#include <jpeglib.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "core/BitmapFiles.h"
#include "core/SnapshotFiles.h"

#include "support/ScratchFolder.h"

namespace qarvo {
namespace {

using test::ReadText;
using test::TScratchFolder;
using test::WriteText;

void Fill(TBitmap& bitmap, int x0, int x1, uint8_t b, uint8_t g, uint8_t r) {
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = x0; x < x1; ++x) {
      uint8_t* p = bitmap.ScanLine(y) + 3 * x;
      p[0] = b, p[1] = g, p[2] = r;
    }
}

uint32_t Le(const std::vector<uint8_t>& bytes, size_t at, int count) {
  uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[at + i];
  return value;
}

struct TDecoded {
  int Width = 0, Height = 0;
  std::vector<uint8_t> Rgb;
};

TDecoded DecodeJpeg(const std::vector<uint8_t>& bytes) {
  jpeg_decompress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, bytes.data(), bytes.size());
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  TDecoded out{static_cast<int>(info.output_width), static_cast<int>(info.output_height), {}};
  out.Rgb.resize(static_cast<size_t>(out.Width) * out.Height * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = out.Rgb.data() + static_cast<size_t>(info.output_scanline) * out.Width * 3;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return out;
}

TEST(BitmapFiles, BmpRowsRunBottomUpWithTheirPaddingAndJpegKeepsTheColours) {
  TBitmap bitmap(3, 2);  // rows of 9 bytes padded to 12
  Fill(bitmap, 0, 3, 1, 2, 3);
  bitmap.ScanLine(1)[0] = 200;  // first pixel of the bottom row
  const std::vector<uint8_t> bmp = EncodeBmp(bitmap);
  ASSERT_EQ(bmp.size(), 54u + 24u);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[1], 'M');
  EXPECT_EQ(Le(bmp, 2, 4), 78u);   // file size
  EXPECT_EQ(Le(bmp, 10, 4), 54u);  // pixel offset
  EXPECT_EQ(Le(bmp, 18, 4), 3u);
  EXPECT_EQ(Le(bmp, 22, 4), 2u);
  EXPECT_EQ(Le(bmp, 28, 2), 24u);
  EXPECT_EQ(bmp[54], 200);  // the bottom row comes first
  EXPECT_EQ(bmp[54 + 12], 1);
  EXPECT_EQ(bmp[54 + 12 + 2], 3);

  // Red on the left, blue on the right: a swapped byte order would show at once.
  TBitmap picture(64, 32);
  Fill(picture, 0, 32, 0, 0, 255);
  Fill(picture, 32, 64, 255, 0, 0);
  const std::vector<uint8_t> fine = EncodeJpeg(picture, 95);
  const TDecoded decoded = DecodeJpeg(fine);
  ASSERT_EQ(decoded.Width, 64);
  ASSERT_EQ(decoded.Height, 32);
  const uint8_t* left = &decoded.Rgb[(16 * 64 + 8) * 3];
  const uint8_t* right = &decoded.Rgb[(16 * 64 + 56) * 3];
  EXPECT_GT(left[0], 200);
  EXPECT_LT(left[2], 60);
  EXPECT_GT(right[2], 200);
  EXPECT_LT(right[0], 60);
  EXPECT_LT(EncodeJpeg(picture, 5).size(), fine.size());  // the quality reaches the encoder
  EXPECT_THROW(EncodeJpeg(TBitmap(), 30), EPictureFileError);
}

class SnapshotFilesTest : public ::testing::Test {
 protected:
  SnapshotFilesTest() : settings(folder.File("s.ini")), full(8, 6), small(4, 2) {
    Fill(full, 0, 8, 10, 20, 30);
    Fill(small, 0, 4, 40, 50, 60);
  }
  TScratchFolder folder;
  TIniFile settings;
  TBitmap full, small;
  std::vector<std::string> warnings;
  TSnapshotFolderWarning warn = [this](const std::string& m) { warnings.push_back(m); };
};

TEST_F(SnapshotFilesTest, EachFileNeedsBothOfItsSwitchesAndReplacesTheLastSnapshot) {
  const std::string snaps = folder.File("a/b");  // missing parents are created
  WriteText(settings.FileName(), "[settings]\nSnapOutPutDir=" + snaps +
                                     "\nsnapSmallSize=0\nsnapJpg=1\nsnapBmp=1\njpgCmp=80\n");
  std::filesystem::create_directories(snaps);
  WriteText(snaps + "/Snapshot_full.bmp", "older snapshot");
  const auto written = SaveSnapshots(settings, full, small, warn);
  EXPECT_EQ(written,
            (std::vector<std::string>{snaps + "/Snapshot_full.bmp", snaps + "/Snapshot_full.jpg"}));
  EXPECT_EQ(ReadText(snaps + "/Snapshot_full.bmp").size(), 54u + 24u * 6u);
  const std::string jpg = ReadText(snaps + "/Snapshot_full.jpg");
  EXPECT_EQ(DecodeJpeg({jpg.begin(), jpg.end()}).Width, 8);
  EXPECT_FALSE(std::filesystem::exists(snaps + "/Snapshot_small.bmp"));
  EXPECT_TRUE(warnings.empty());

  // Only the value 1 means on; a missing key is on.
  WriteText(settings.FileName(), "[settings]\nSnapOutPutDir=" + snaps + "/\nsnapFullSize=2\n");
  EXPECT_EQ(
      SaveSnapshots(settings, full, small, warn),
      (std::vector<std::string>{snaps + "/Snapshot_small.bmp", snaps + "/Snapshot_small.jpg"}));
}

TEST_F(SnapshotFilesTest, AFolderThatCannotBeMadeGivesWayToTheDefaultOne) {
  const std::string home = folder.File("home");
  std::filesystem::create_directories(home);
  ::setenv("HOME", home.c_str(), 1);
  WriteText(folder.File("file"), "a file, not a folder");
  const std::string bad = folder.File("file/snaps");
  WriteText(settings.FileName(), "[settings]\nSnapOutPutDir=" + bad + "\nsnapJpg=0\n");
  const auto written = SaveSnapshots(settings, full, small, warn);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0], "Cannot create output directory:" + bad +
                             ".It will create default directory " + home + "/videoconverter!");
  EXPECT_EQ(written.front(), home + "/videoconverter/Snapshot_full.bmp");
  EXPECT_TRUE(std::filesystem::exists(written.front()));
  EXPECT_EQ(settings.ReadString("settings", "SnapOutPutDir", ""), home + "/videoconverter");
}

TEST_F(SnapshotFilesTest, KeepingEverySnapshotDatesTheNamesAndNeverReplacesOne) {
  const std::string snaps = folder.File("kept");
  WriteText(settings.FileName(),
            "[settings]\nSnapOutPutDir=" + snaps + "\nsnapBmp=0\nkeepEverySnapshot=1\n");
  std::tm local{};
  local.tm_year = 2026 - 1900, local.tm_mon = 11, local.tm_mday = 10;
  local.tm_hour = 9, local.tm_min = 5, local.tm_sec = 3, local.tm_isdst = -1;
  const auto taken = std::chrono::system_clock::from_time_t(std::mktime(&local));
  const auto first = SaveSnapshots(settings, full, small, warn, taken);
  EXPECT_EQ(first, (std::vector<std::string>{snaps + "/Snapshot_full_2026-12-10_09-05-03.jpg",
                                             snaps + "/Snapshot_small_2026-12-10_09-05-03.jpg"}));
  // A second snapshot in the same second gets a number; both sets stay.
  const auto second = SaveSnapshots(settings, full, small, warn, taken);
  EXPECT_EQ(second.front(), snaps + "/Snapshot_full_2026-12-10_09-05-03_2.jpg");
  // A full-size file of the time is enough to move the whole set on.
  WriteText(snaps + "/Snapshot_full_2026-12-10_09-05-04.bmp", "another program's file");
  EXPECT_EQ(SnapshotNames(snaps, true, taken + std::chrono::seconds(1)).SmallJpg,
            "Snapshot_small_2026-12-10_09-05-04_2.jpg");
  for (const auto& file : {first[0], first[1], second[0], second[1]})
    EXPECT_TRUE(std::filesystem::exists(file)) << file;
  // Off (or any value but 1): the fixed names.
  WriteText(settings.FileName(),
            "[settings]\nSnapOutPutDir=" + snaps + "\nsnapBmp=0\nkeepEverySnapshot=2\n");
  EXPECT_EQ(SaveSnapshots(settings, full, small, warn, taken).front(),
            snaps + "/Snapshot_full.jpg");
  EXPECT_TRUE(warnings.empty());
}

}  // namespace
}  // namespace qarvo
