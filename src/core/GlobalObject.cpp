#include "core/GlobalObject.h"

namespace qarvo {

namespace {

void SetUnlessEmpty(std::string& field, const std::string& value) {
  if (!value.empty()) {
    field = value;
  }
}

// Characters, not bytes: a UTF-8 continuation byte does not start a character.
size_t CharacterCount(const std::string& text) {
  size_t count = 0;
  for (const char c : text) {
    count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }
  return count;
}

void SetPath(std::string& field, const std::string& value) {
  if (CharacterCount(value) > 3) {
    field = value;
  }
}

struct TProductConfiguration {
  const char* SettingsName;
  const char* FormatName;
  const char* AppTitle;
  const char* VersionText;
  const char* HelpUrl;
  const char* HomeUrl;
  const char* DownloadUrl;
};

constexpr TProductConfiguration kFirstProduct{
    "qarvovideoconverter.ini",
    "qarvovideoformat.ini",
    "Qarvo Video Converter",
    " ver 1.70 ",
    "https://www.qarvo.example/videoconverter/help.html",
    "https://www.qarvo.example/videoconverter/",
    "https://www.qarvo.example/videoconverter/download/",
};

constexpr TProductConfiguration kSecondProduct{
    "qarvo3gpvideoconverter.ini",
    "qarvo3gpformat.ini",
    "Qarvo 3GP Video Converter",
    " ver 1.70 ",
    "https://www.qarvo.example/3gpvideoconverter/help.html",
    "https://www.qarvo.example/3gpvideoconverter/",
    "https://www.qarvo.example/3gpvideoconverter/download/",
};

void Apply(TGlobalObject& global, const TPathEnvironment& environment,
           const TProductConfiguration& product) {
  global.SetSettingsFile(ResolveSettingsFile(environment, product.SettingsName));
  global.SetFormatFile(ResolveFormatFile(environment, product.FormatName));
  global.SetAppTitle(product.AppTitle);
  global.SetVersionText(product.VersionText);
  global.SetHelpUrl(product.HelpUrl);
  global.SetHomeUrl(product.HomeUrl);
  global.SetDownloadUrl(product.DownloadUrl);
}

}  // namespace

void TGlobalObject::SetHelpUrl(const std::string& value) { SetUnlessEmpty(helpUrl_, value); }
void TGlobalObject::SetSettingsFile(const std::string& value) { SetPath(settingsFile_, value); }
void TGlobalObject::SetFormatFile(const std::string& value) { SetPath(formatFile_, value); }
void TGlobalObject::SetAppTitle(const std::string& value) { SetUnlessEmpty(appTitle_, value); }
void TGlobalObject::SetVersionText(const std::string& value) {
  SetUnlessEmpty(versionText_, value);
}
void TGlobalObject::SetDownloadUrl(const std::string& value) {
  SetUnlessEmpty(downloadUrl_, value);
}
void TGlobalObject::SetHomeUrl(const std::string& value) { SetUnlessEmpty(homeUrl_, value); }

void ApplyFirstProductConfiguration(TGlobalObject& global, const TPathEnvironment& environment) {
  Apply(global, environment, kFirstProduct);
}

void ApplySecondProductConfiguration(TGlobalObject& global, const TPathEnvironment& environment) {
  Apply(global, environment, kSecondProduct);
}

void ApplyProductConfigurations(TGlobalObject& global, const TPathEnvironment& environment) {
  ApplyFirstProductConfiguration(global, environment);
  ApplySecondProductConfiguration(global, environment);
}

}  // namespace qarvo
