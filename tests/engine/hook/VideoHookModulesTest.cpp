#include "engine/hook/TVideoHookModules.h"

#include "TaskOptionTest.h"

namespace qarvo {
namespace {

std::string Module(const char* variant) {
  return std::string(QARVO_VHOOK_DIR) + "/libvhook_" + variant + ".so";
}

TEST_F(TaskOptionTest, HookModulesLoadConfigureAndProcess) {
  D("vhook", Module("complete") + " one two");
  D("vhook", Module("complete") + "|with space|x");
  ASSERT_TRUE(Task().VideoHooks.InUse());
  ASSERT_EQ(Task().VideoHooks.Count(), 2u);
  uint8_t luma[4] = {};
  TVhookPicture picture{{luma, nullptr, nullptr, nullptr}, {4, 0, 0, 0}};
  Task().VideoHooks.Process(picture, AV_PIX_FMT_YUV420P, 2, 2, 0);
  // The second instance ran last: first call, three words.
  EXPECT_EQ(luma[0], 16 + 3);
}

TEST_F(TaskOptionTest, HookModuleFailures) {
  const std::string noProcess = Module("noprocess");
  EXPECT_EQ(Error("vhook", noProcess), "Failed to add video hook function: " + noProcess);
  EXPECT_TRUE(Logged(TLogLevel::llError, "Failed to find Process entrypoint in " + noProcess));
  const std::string noConfigure = Module("noconfigure");
  EXPECT_EQ(Error("vhook", noConfigure + " arg"),
            "Failed to add video hook function: " + noConfigure + " arg");
  EXPECT_TRUE(Logged(TLogLevel::llError, "Failed to find Configure entrypoint in " + noConfigure));
  EXPECT_EQ(Error("vhook", noConfigure), "");  // no words: Configure not needed
  const std::string complete = Module("complete");
  EXPECT_EQ(Error("vhook", complete + " fail"),
            "Failed to add video hook function: " + complete + " fail");
  EXPECT_TRUE(Logged(TLogLevel::llError, "Failed to Configure " + complete));
  EXPECT_EQ(Error("vhook", "/nonexistent/module.so"),
            "Failed to add video hook function: /nonexistent/module.so");
  EXPECT_EQ(Task().VideoHooks.Count(), 1u);
}

}  // namespace
}  // namespace qarvo
