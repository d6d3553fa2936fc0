// Application-wide configuration: the two INI file paths, title, version text, addresses.
#pragma once

#include <string>

#include "core/AppPaths.h"

namespace qarvo {

class TGlobalObject {
 public:
  const std::string& HelpUrl() const { return helpUrl_; }
  const std::string& SettingsFile() const { return settingsFile_; }
  const std::string& FormatFile() const { return formatFile_; }
  const std::string& AppTitle() const { return appTitle_; }
  const std::string& VersionText() const { return versionText_; }
  const std::string& DownloadUrl() const { return downloadUrl_; }
  const std::string& HomeUrl() const { return homeUrl_; }

  // A rejected value (empty; for the two paths three characters or fewer) keeps the
  // previous one.
  void SetHelpUrl(const std::string& value);
  void SetSettingsFile(const std::string& value);
  void SetFormatFile(const std::string& value);
  void SetAppTitle(const std::string& value);
  void SetVersionText(const std::string& value);
  void SetDownloadUrl(const std::string& value);
  void SetHomeUrl(const std::string& value);

 private:
  std::string helpUrl_;
  std::string settingsFile_;
  std::string formatFile_;
  std::string appTitle_;
  std::string versionText_;
  std::string downloadUrl_;
  std::string homeUrl_;
};

// The general product's configuration; the 3GP product's one is applied after it and wins.
void ApplyFirstProductConfiguration(TGlobalObject& global, const TPathEnvironment& environment);
void ApplySecondProductConfiguration(TGlobalObject& global, const TPathEnvironment& environment);
// Both, in that order.
void ApplyProductConfigurations(TGlobalObject& global, const TPathEnvironment& environment);

}  // namespace qarvo
