// Free output file names in the output folder.
#pragma once

#include <functional>
#include <set>
#include <string>

#include "core/IniFile.h"

namespace qarvo {

// Told when the configured output folder cannot be created and the default one replaces
// it; shows "Cannot create output directory:<folder>.It will create default directory
// <default>!" in the GUI.
using TOutputFolderWarning = std::function<void(const std::string& message)>;

class TOutputNamer {
 public:
  TOutputNamer(TIniFile& settings, TOutputFolderWarning warning = {});

  // The output folder, created when missing, with a trailing "/". Throws ESettingsError
  // when neither it nor the default folder can be created.
  std::string OutputFolder();

  // Folder + source name without its last extension + "_(new)" + suffix, or
  // "_(new_<n>)" for the first n = 1, 2, ... whose name is free. A name is taken when a
  // file of that name exists or when this namer handed it out before, so the jobs of one
  // batch never share an output.
  std::string MakeOutputFileName(const std::string& sourceFile, const std::string& suffix);

  // Overrides the configured folder for this namer only (the headless --output).
  void SetFolderOverride(const std::string& folder) { override_ = folder; }

 private:
  bool Taken(const std::string& path) const;

  TIniFile& settings_;
  TOutputFolderWarning warning_;
  std::string override_;
  std::set<std::string> handedOut_;
};

// Source name without folder and without its last extension.
std::string SourceBaseName(const std::string& sourceFile);

}  // namespace qarvo
