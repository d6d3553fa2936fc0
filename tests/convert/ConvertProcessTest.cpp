// qarvo-convert as a process: exit codes, what it prints and what it writes.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/ScratchFolder.h"
#include "support/TestMedia.h"

namespace qarvo {
namespace {

struct TResult {
  int Status;
  std::string Out;
};

TResult RunConvert(const std::string& arguments, const std::string& errors = "/dev/null") {
  const std::string command =
      std::string(QARVO_BINARY_DIR) + "/qarvo-convert " + arguments + " 2>" + errors;
  TResult result{-1, {}};
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return result;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) result.Out.append(buffer.data(), n);
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

// A good job and a refused one: the good one is written and printed, the refused one named
// with its reason, the run fails, and nothing else is left in the output folder.
TEST(ConvertProcess, ConvertsGoodJobsAndNamesTheFailingOne) {
  namespace fs = std::filesystem;
  const test::TScratchFolder scratch("process");
  const std::string& folder = scratch.Folder();
  std::ofstream(folder + "/not-a-video.avi") << "this is text, not a video\n";
  ::setenv("QARVO_SETTINGS_FILE", (folder + "/settings.ini").c_str(), 1);
  const TResult r = RunConvert("--format 1 --output " + folder + "/out " + EnsureClip("short3s") +
                                   " " + folder + "/not-a-video.avi",
                               folder + "/errors.txt");
  ::unsetenv("QARVO_SETTINGS_FILE");
  EXPECT_EQ(r.Status, 1);
  const std::string made = folder + "/out/short3s_(new).mp4";
  EXPECT_EQ(r.Out, made + "\n");
  EXPECT_GT(fs::file_size(made), 10000u);
  const std::string errors = ReadFile(folder + "/errors.txt");
  EXPECT_NE(errors.find("not-a-video.avi: not converted: "), std::string::npos) << errors;
  EXPECT_NE(errors.find("100%"), std::string::npos) << errors;
  EXPECT_EQ(std::distance(fs::directory_iterator(folder + "/out"), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace qarvo
