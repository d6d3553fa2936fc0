#include <gtest/gtest.h>

#include "media/LibraryLoader.h"
#include "jobs/EncoderAvailability.h"

namespace qarvo {
namespace {

TEST(EncoderAvailability, AsksTheLoadedLibrariesUnderTheirPresentNames) {
  ASSERT_TRUE(TLibraryLoader::Instance().Load(kEngineLibraries));
  EXPECT_TRUE(LoadedLibrariesHaveEncoder("mpeg4"));
  EXPECT_TRUE(LoadedLibrariesHaveEncoder("libfaac"));  // stored name of the built-in "aac"
  EXPECT_FALSE(LoadedLibrariesHaveEncoder("no_such_encoder"));
}

}  // namespace
}  // namespace qarvo
