// The one application object of the main window's test programs and the settings and format
// files the windows read.
#pragma once

#include <cstdlib>
#include <string>

#include "app/TApplication.h"

#include "AppTestApplication.h"
#include "support/ScratchFolder.h"

namespace qarvo {

// Settings live in a folder of their own, removed when the program ends.
inline const std::string& SettingsFile() {
  static const test::TScratchFolder folder("app");
  static const std::string file = folder.File("sub/settings.ini");
  return file;
}

// The format definitions the window reads: one video format with fixed bit rates, one
// whose bit rate follows the source.
inline const std::string& DefinitionFile() {
  static const test::TScratchFolder folder("appdef");
  static const std::string file = [] {
    const std::string name = folder.File("formats.ini");
    test::WriteText(name,
                    "[formatInfo3]\nFormat=avi\nFileExt=avi\nVideoBitRate=512\nAudioBitRate=128\n"
                    "[formatInfo5]\nFormat=mp4\nFileExt=mp4\nVideoBitRate=as source\n"
                    "AudioBitRate=128\n");
    return name;
  }();
  return file;
}

// One application object for the whole test program.
inline TApplication& Application() {
  static TApplication* application = [] {
    ::setenv("QARVO_SETTINGS_FILE", SettingsFile().c_str(), 1);
    ::setenv("QARVO_FORMAT_FILE", DefinitionFile().c_str(), 1);
    return &test::AppApplication();
  }();
  return *application;
}

}  // namespace qarvo
