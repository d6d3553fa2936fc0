#include <gtest/gtest.h>

#include <set>

#include "core/AppPaths.h"
#include "core/GlobalObject.h"

namespace qarvo {
namespace {

TEST(GlobalObjectSetters, RejectedValuesKeepThePreviousOne) {
  TGlobalObject global;
  global.SetSettingsFile("/opt/q/settings.ini");
  global.SetSettingsFile("a.i");
  global.SetSettingsFile("");
  EXPECT_EQ(global.SettingsFile(), "/opt/q/settings.ini");
  global.SetSettingsFile("ab.i");  // four characters are enough
  EXPECT_EQ(global.SettingsFile(), "ab.i");

  global.SetFormatFile("/opt/q/format.ini");
  global.SetFormatFile("\xC3\xA9\xC3\xA9\xC3\xA9");  // three characters in six bytes
  EXPECT_EQ(global.FormatFile(), "/opt/q/format.ini");

  global.SetAppTitle("Title");
  global.SetAppTitle("");
  global.SetVersionText(" 1.0 ");
  global.SetVersionText("");
  global.SetHelpUrl("h");
  global.SetHelpUrl("");
  global.SetHomeUrl("w");
  global.SetHomeUrl("");
  global.SetDownloadUrl("d");
  global.SetDownloadUrl("");
  EXPECT_EQ(global.AppTitle(), "Title");
  EXPECT_EQ(global.VersionText(), " 1.0 ");
  EXPECT_EQ(global.HelpUrl(), "h");
  EXPECT_EQ(global.HomeUrl(), "w");
  EXPECT_EQ(global.DownloadUrl(), "d");
}

TPathEnvironment PortableEnvironment(std::set<std::string> existing = {}) {
  TPathEnvironment environment;
  environment.ExeFolder = "/opt/qarvo/";
  environment.ExeFolderWritable = true;
  environment.Home = "/home/u";
  environment.DataFolder = "/usr/share/qarvo/";
  environment.FileExists = [existing](const std::string& path) { return existing.count(path); };
  return environment;
}

TEST(ProductConfiguration, SecondConfigurationWinsForEveryField) {
  TGlobalObject first;
  const TPathEnvironment environment = PortableEnvironment({"/opt/qarvo/qarvo3gpformat.ini"});
  ApplyFirstProductConfiguration(first, environment);
  EXPECT_EQ(first.SettingsFile(), "/opt/qarvo/qarvovideoconverter.ini");
  EXPECT_EQ(first.AppTitle(), "Qarvo Video Converter");

  TGlobalObject global;
  ApplyProductConfigurations(global, environment);
  EXPECT_EQ(global.SettingsFile(), "/opt/qarvo/qarvo3gpvideoconverter.ini");
  EXPECT_EQ(global.FormatFile(), "/opt/qarvo/qarvo3gpformat.ini");
  EXPECT_EQ(global.AppTitle(), "Qarvo 3GP Video Converter");
  EXPECT_EQ(global.VersionText(), " ver 1.70 ");
  EXPECT_NE(global.HomeUrl(), first.HomeUrl());
  EXPECT_FALSE(global.HelpUrl().empty());
  EXPECT_FALSE(global.DownloadUrl().empty());
}

TEST(PathResolution, ReadOnlyExecutableFolderMovesSettingsToTheConfigFolder) {
  TPathEnvironment environment = PortableEnvironment();
  environment.ExeFolderWritable = false;
  EXPECT_EQ(ResolveSettingsFile(environment, "s.ini"),
            "/home/u/.config/qarvo3gpvideoconverter/s.ini");
  environment.ConfigHome = "/xdg/cfg/";
  EXPECT_EQ(ResolveSettingsFile(environment, "s.ini"), "/xdg/cfg/qarvo3gpvideoconverter/s.ini");
  environment.ConfigHome = "relative/cfg";  // not absolute: ignored
  EXPECT_EQ(ResolveSettingsFile(environment, "s.ini"),
            "/home/u/.config/qarvo3gpvideoconverter/s.ini");
  environment.ExeFolderWritable = true;
  EXPECT_EQ(ResolveSettingsFile(environment, "s.ini"), "/opt/qarvo/s.ini");
}

TEST(PathResolution, DefinitionFileBesideTheExecutableElseInstalledData) {
  EXPECT_EQ(ResolveFormatFile(PortableEnvironment({"/opt/qarvo/f.ini"}), "f.ini"),
            "/opt/qarvo/f.ini");
  EXPECT_EQ(ResolveFormatFile(PortableEnvironment(), "f.ini"), "/usr/share/qarvo/f.ini");
}

TEST(PathResolution, EnvironmentOverridesBothFiles) {
  TPathEnvironment environment = PortableEnvironment({"/opt/qarvo/qarvo3gpformat.ini"});
  environment.SettingsOverride = "/tmp/test-settings.ini";
  environment.FormatOverride = "/tmp/test-format.ini";
  TGlobalObject global;
  ApplyProductConfigurations(global, environment);
  EXPECT_EQ(global.SettingsFile(), "/tmp/test-settings.ini");
  EXPECT_EQ(global.FormatFile(), "/tmp/test-format.ini");
}

TEST(PathResolution, CurrentEnvironmentPointsAtThisExecutable) {
  const TPathEnvironment environment = CurrentPathEnvironment();
  ASSERT_FALSE(environment.ExeFolder.empty());
  EXPECT_EQ(environment.ExeFolder.back(), '/');
  EXPECT_TRUE(environment.FileExists(environment.ExeFolder + "qarvo_core_tests"));
}

TEST(PathResolution, FallbackOutputFolderIsInTheHomeFolder) {
  EXPECT_EQ(DefaultOutputFolder("/home/u"), "/home/u/videoconverter");
  EXPECT_EQ(DefaultOutputFolder("/home/u/"), "/home/u/videoconverter");
  EXPECT_EQ(DefaultOutputFolder("/"), "/videoconverter");
}

}  // namespace
}  // namespace qarvo
