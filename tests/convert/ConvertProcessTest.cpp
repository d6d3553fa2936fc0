// qarvo-convert as a process: exit codes and outputs of the modes that need no conversion.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "support/TestMedia.h"

namespace qarvo {
namespace {

struct TResult {
  int Status;
  std::string Out;
};

TResult RunConvert(const std::string& arguments) {
  const std::string command = std::string(QARVO_BINARY_DIR) + "/qarvo-convert " + arguments + " 2>/dev/null";
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

}  // namespace
}  // namespace qarvo
