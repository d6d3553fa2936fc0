// Files damaged at random places: any answer is fine, a crash, hang or leak is not.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "probe/TMediaProbe.h"

#include "ProbeFiles.h"
#include "support/ScratchFolder.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace qarvo {
namespace {

std::vector<char> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Everything a caller may ask of a loaded probe.
void AskEverything(TMediaProbe& probe) {
  probe.FileStreamInfo();
  probe.FileInfoText();
  for (int i = -1; i <= probe.StreamCount(); ++i) {
    probe.AudioStreamInfo(i);
    probe.VideoStreamInfo(i);
    probe.IsAudioStream(i);
  }
}

TEST(DamagedFile, HeadersWithFlippedBytesNeverBreakTheProbe) {
  LoadMediaLibraries();
  test::TScratchFolder folder;
  std::mt19937 generator(42);
  for (const char* clip : {"mp4_h264_aac", "avi_mpeg4_mp3", "mkv_mpeg4_vorbis", "mpg_mpeg2_mp2",
                           "flv", "audio_only"}) {
    const std::string source = EnsureClip(clip);
    const std::vector<char> original = ReadAll(source);
    const std::string damaged =
        folder.File(std::string("damaged") + std::filesystem::path(source).extension().string());
    const size_t header = std::min<size_t>(original.size(), 4096);
    for (int round = 0; round < 12; ++round) {
      std::vector<char> bytes = original;
      for (int flip = 0; flip < 8; ++flip)
        bytes[generator() % header] ^= static_cast<char>(1 + generator() % 255);
      std::ofstream(damaged, std::ios::binary)
          .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      TMediaProbe probe;
      if (probe.LoadFile(damaged)) {
        AskEverything(probe);
      } else {
        EXPECT_EQ(probe.LastErrMsg().rfind(damaged + ": ", 0), 0u) << probe.LastErrMsg();
      }
    }
  }
}

}  // namespace
}  // namespace qarvo
