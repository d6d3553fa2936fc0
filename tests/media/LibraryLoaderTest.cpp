#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/EngineError.h"
#include "media/LibraryLoader.h"
#include "media/UnicodeProtocol.h"

#include "support/ScratchFolder.h"

namespace qarvo {
namespace {

namespace fs = std::filesystem;

using test::TScratchFolder;

TEST(LibraryLoader, LoadsEngineAndPlayerSetsAndBindsEveryEntryPoint) {
  TLibraryLoader& loader = TLibraryLoader::Instance();
  ASSERT_TRUE(loader.Load(kPlayerLibraries)) << loader.LastError();
  EXPECT_TRUE(loader.Loaded(kEngineLibraries));
  EXPECT_TRUE(loader.Loaded(kPlayerLibraries));
  EXPECT_FALSE(loader.IsLoaded(liAVDevice));  // never part of a set
  EXPECT_EQ(api().avcodec_version() >> 16, static_cast<unsigned>(LIBAVCODEC_VERSION_MAJOR));
  EXPECT_NE(api().avcodec_find_decoder(AV_CODEC_ID_MPEG4), nullptr);
  EXPECT_NE(api().SDL_GetTicks, nullptr);
  EXPECT_TRUE(UnicodeProtocolRegistered());
}

TEST(LibraryLoader, SecondLoadBindsNothingAgain) {
  TLibraryLoader loader;
  ASSERT_TRUE(loader.Load(kEngineLibraries)) << loader.LastError();
  const auto bound = loader.Api().avcodec_open2;
  ASSERT_TRUE(loader.Load(kEngineLibraries));
  EXPECT_EQ(loader.Api().avcodec_open2, bound);
  loader.Unload(kEngineLibraries);
  EXPECT_FALSE(loader.Loaded(kEngineLibraries));
  EXPECT_EQ(loader.Api().avcodec_open2, nullptr);
}

TEST(LibraryLoader, EmptySetIsAnAssertionFailure) {
  TLibraryLoader loader;
  for (auto call : {+[](TLibraryLoader& l) { l.Load(0); }, +[](TLibraryLoader& l) { l.Loaded(0); },
                    +[](TLibraryLoader& l) { l.Unload(0); }}) {
    try {
      call(loader);
      ADD_FAILURE() << "no assertion";
    } catch (const EEngineError& e) {
      EXPECT_STREQ(e.what(), "Assertion failure");
    }
  }
}

TEST(LibraryLoader, MissingLibraryFailsNamingItAndFreesWhatThisCallLoaded) {
  TScratchFolder folder("loader");
  TLibraryTable table = DefaultLibraryTable();
  table[liAVFilter].FileName = "libavfilter-missing.so.8";
  TLibraryLoader loader(table);
  loader.SetLibPath(folder.Folder());
  EXPECT_FALSE(loader.Load(kEngineLibraries));
  const std::string expected =
      "Load library " + folder.Folder() + "/libavfilter-missing.so.8 error: ";
  EXPECT_EQ(loader.LastError().rfind(expected, 0), 0u) << loader.LastError();
  for (int i = 0; i < kLibraryCount; ++i) EXPECT_FALSE(loader.IsLoaded(i)) << i;
  EXPECT_EQ(loader.Api().avcodec_open2, nullptr);
}

TEST(LibraryLoader, FolderCopyIsPreferredAndABrokenOneIsReported) {
  TScratchFolder folder("loader");
  std::ofstream(folder.Folder() + "/libswscale.so.6") << "not a library";
  TLibraryLoader loader;
  loader.SetLibPath(folder.Folder());
  EXPECT_FALSE(loader.Load(kEngineLibraries));
  EXPECT_EQ(
      loader.LastError().rfind("Load library " + folder.Folder() + "/libswscale.so.6 error: ", 0),
      0u)
      << loader.LastError();
}

TEST(LibraryLoader, LibraryLackingAnEntryPointIsNotLeftHalfBound) {
  TLibraryLoader loader;
  loader.SetLibPath(QARVO_STUB_DIR);
  EXPECT_FALSE(loader.Load(kEngineLibraries));
  const std::string expected =
      std::string("Load function sws_scale@") + QARVO_STUB_DIR + "/libswscale.so.6 error: ";
  EXPECT_EQ(loader.LastError().rfind(expected, 0), 0u) << loader.LastError();
  EXPECT_FALSE(loader.IsLoaded(liSWScale));
  EXPECT_EQ(loader.Api().sws_getContext, nullptr);
  EXPECT_FALSE(loader.IsLoaded(liAVCodec));
}

TEST(LibraryLoader, FailedLoadFreesOnlyWhatThatCallLoaded) {
  TLibraryLoader loader;
  loader.SetLibPath(QARVO_STUB_SDL_DIR);
  const std::string expected =
      std::string("Load function SDL_RenderPresent@") + QARVO_STUB_SDL_DIR + "/libSDL2-2.0.so.0";

  ASSERT_TRUE(loader.Load(LibraryBit(liAVUtil))) << loader.LastError();
  EXPECT_FALSE(loader.Load(kPlayerLibraries));
  EXPECT_EQ(loader.LastError().rfind(expected, 0), 0u) << loader.LastError();
  EXPECT_TRUE(loader.IsLoaded(liAVUtil));
  EXPECT_FALSE(loader.IsLoaded(liAVCodec));
  EXPECT_FALSE(loader.IsLoaded(liSDL));

  // The engine running on a machine whose SDL is broken keeps its entry points.
  ASSERT_TRUE(loader.Load(kEngineLibraries)) << loader.LastError();
  EXPECT_FALSE(loader.Load(kPlayerLibraries));
  EXPECT_TRUE(loader.Loaded(kEngineLibraries));
  EXPECT_FALSE(loader.IsLoaded(liSDL));
  EXPECT_EQ(loader.Api().SDL_Init, nullptr);
  ASSERT_NE(loader.Api().avcodec_find_decoder, nullptr);
  EXPECT_NE(loader.Api().avcodec_find_decoder(AV_CODEC_ID_MPEG4), nullptr);
  ASSERT_NE(loader.Api().avutil_version, nullptr);
  EXPECT_EQ(static_cast<int>(loader.Api().avutil_version() >> 16), LIBAVUTIL_VERSION_MAJOR);
}

TEST(LibraryLoader, LibraryOfAnotherMajorIsRefused) {
  TLibraryTable table = DefaultLibraryTable();
  table[liAVUtil].ExpectedMajor = LIBAVUTIL_VERSION_MAJOR + 1;
  TLibraryLoader loader(table);
  EXPECT_FALSE(loader.Load(kEngineLibraries));
  const std::string expected = "major version " + std::to_string(LIBAVUTIL_VERSION_MAJOR) +
                               " found, " + std::to_string(LIBAVUTIL_VERSION_MAJOR + 1) +
                               " required";
  EXPECT_NE(loader.LastError().find(expected), std::string::npos) << loader.LastError();
  EXPECT_FALSE(loader.IsLoaded(liAVUtil));
}

}  // namespace
}  // namespace qarvo
