// qarvo-convert as a process: exit codes, what it prints and what it writes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/ScratchFolder.h"
#include "support/TestMedia.h"
#include "support/TinyClipCopies.h"
#include "support/UnusualSources.h"

namespace qarvo {
namespace {

struct TResult {
  int Status;
  std::string Out;
};

// `prefix` goes before the program in the shell's command (a limit for it).
TResult RunConvert(const std::string& arguments, const std::string& errors = "/dev/null",
                   const std::string& prefix = {}) {
  const std::string command =
      prefix + std::string(QARVO_BINARY_DIR) + "/qarvo-convert " + arguments + " 2>" + errors;
  TResult result{-1, {}};
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return result;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    result.Out.append(buffer.data(), n);
  const int status = ::pclose(pipe);
  result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

TEST(ConvertProcess, ListsEveryFormatWithItsCode) {
  const TResult r = RunConvert("--list-formats");
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(std::count(r.Out.begin(), r.Out.end(), '\n'), 160);
  EXPECT_NE(r.Out.find("706\tAC-3 Audio Codec (*.ac3)\n"), std::string::npos);
  EXPECT_NE(r.Out.find("2706\tAC-3 Audio Codec (*.ac3)\n"), std::string::npos);
}

TEST(ConvertProcess, HelpBadArgumentsAndInfo) {
  EXPECT_EQ(RunConvert("--help").Status, 0);
  EXPECT_NE(RunConvert("--help").Out.find("--list-formats"), std::string::npos);
  EXPECT_EQ(RunConvert("").Status, 2);
  EXPECT_EQ(RunConvert("--format 99999 a.avi").Status, 2);
  EXPECT_EQ(RunConvert("--info /no/such/file.avi").Status, 1);
  const TResult info = RunConvert("--info " + EnsureClip("short3s"));
  EXPECT_EQ(info.Status, 0);
  EXPECT_FALSE(info.Out.empty());
}

std::string ReadFile(const std::string& name) {
  std::ifstream in(name);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Good, cut-off and refused sources: the good ones are written and printed, the cut-off one
// with its warning, each refused one named once with its reason in plain words; the run fails,
// nothing else is left in the output folder, and no progress line runs past its length.
TEST(ConvertProcess, ConvertsGoodJobsAndNamesTheFailingOne) {
  namespace fs = std::filesystem;
  const test::TScratchFolder scratch("process");
  const std::string& folder = scratch.Folder();
  std::ofstream(folder + "/not-a-video.avi") << "this is text, not a video\n";
  fs::create_directory(folder + "/a-folder.avi");
  const std::string cut = EnsureTruncatedMatroska();
  ::setenv("QARVO_SETTINGS_FILE", (folder + "/settings.ini").c_str(), 1);
  const TResult r =
      RunConvert("--format 1 --output " + folder + "/out " + EnsureClip("short3s") + " " + folder +
                     "/not-a-video.avi " + cut + " " + folder + "/a-folder.avi",
                 folder + "/errors.txt");
  ::unsetenv("QARVO_SETTINGS_FILE");
  EXPECT_EQ(r.Status, 1);
  const std::string made = folder + "/out/short3s_(new).mp4";
  const std::string madeCut = folder + "/out/" + fs::path(cut).stem().string() + "_(new).mp4";
  EXPECT_EQ(r.Out, made + "\n" + madeCut + "\n");
  EXPECT_GT(fs::file_size(made), 10000u);
  const std::string errors = ReadFile(folder + "/errors.txt");
  EXPECT_NE(errors.find("qarvo-convert: " + folder +
                        "/not-a-video.avi: not converted: not a media file\n"),
            std::string::npos)
      << errors;
  EXPECT_NE(errors.find("qarvo-convert: " + folder +
                        "/a-folder.avi: not converted: this is a folder, not a media file\n"),
            std::string::npos)
      << errors;
  EXPECT_NE(errors.find("qarvo-convert: " + cut +
                        ": finished with a warning: source ended early at 00:00:01."),
            std::string::npos)
      << errors;
  EXPECT_NE(errors.find("100%"), std::string::npos) << errors;
  std::istringstream lines(errors);
  int progressLines = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] != '[') continue;
    ++progressLines;
    const size_t slash = line.find(" / ");
    ASSERT_NE(slash, std::string::npos) << line;
    EXPECT_LE(line.substr(slash - 12, 12), line.substr(slash + 3, 12)) << line;
  }
  EXPECT_GE(progressLines, 2);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder + "/out"), fs::directory_iterator()), 2);
}

// A size given on the command line: the output fits it; a size that cannot hold the sound
// fails before anything is written, in plain words.
TEST(ConvertProcess, TargetSizeIsMetOrRefusedBeforeEncoding) {
  namespace fs = std::filesystem;
  const test::TScratchFolder scratch("process-size");
  const std::string& folder = scratch.Folder();
  ::setenv("QARVO_SETTINGS_FILE", (folder + "/settings.ini").c_str(), 1);
  const TResult fits = RunConvert(
      "--format 1 --target-size 0.4 --output " + folder + "/out " + EnsureClip("short3s"),
      folder + "/errors.txt");
  const TResult small = RunConvert(
      "--format 1 --target-size 0.01 --output " + folder + "/small " + EnsureClip("short3s"),
      folder + "/small.txt");
  ::unsetenv("QARVO_SETTINGS_FILE");
  EXPECT_EQ(fits.Status, 0) << ReadFile(folder + "/errors.txt");
  const std::string made = folder + "/out/short3s_(new).mp4";
  ASSERT_TRUE(fs::exists(made));
  EXPECT_LE(fs::file_size(made), 400000u);
  EXPECT_GE(fs::file_size(made), 380000u);
  EXPECT_EQ(small.Status, 1);
  EXPECT_NE(ReadFile(folder + "/small.txt").find("The target size of 0.01 MB is too small"),
            std::string::npos)
      << ReadFile(folder + "/small.txt");
  EXPECT_FALSE(fs::exists(folder + "/small/short3s_(new).mp4"));
}

// A thousand jobs under a limit of 64 open files: each job opens its source and output only
// when it starts, so every job finishes and each output is written once.
TEST(ConvertProcess, AThousandJobsRunWithinSixtyFourOpenFiles) {
  namespace fs = std::filesystem;
  const test::TScratchFolder scratch("thousand");
  std::string arguments = "--format 1 --output " + scratch.File("out");
  constexpr int kJobs = 1000;
  for (const std::string& copy : MakeTinyClipCopies(scratch.File("in"), kJobs))
    arguments += " " + copy;
  // The pictures keep their size: the jobs are about files, not pixels.
  std::ofstream(scratch.File("settings.ini")) << "[formatInfo1]\nparaVideoSize=as source\n";
  ::setenv("QARVO_SETTINGS_FILE", scratch.File("settings.ini").c_str(), 1);
  const TResult r = RunConvert(arguments, scratch.File("errors.txt"), "ulimit -n 64 && exec ");
  ::unsetenv("QARVO_SETTINGS_FILE");
  const std::string errors = ReadFile(scratch.File("errors.txt"));
  EXPECT_EQ(r.Status, 0) << errors.substr(0, 2000);
  EXPECT_EQ(std::count(r.Out.begin(), r.Out.end(), '\n'), kJobs);
  EXPECT_EQ(errors.find("Too many open files"), std::string::npos);
  EXPECT_EQ(std::distance(fs::directory_iterator(scratch.File("out")), fs::directory_iterator()),
            kJobs);
}

}  // namespace
}  // namespace qarvo
