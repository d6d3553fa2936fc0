// Free output file names in the output folder.
#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>

#include "base/EngineRecords.h"
#include "core/IniFile.h"

namespace qarvo {

// Told when the configured output folder cannot be created and the default one replaces
// it: "Cannot create output directory:<folder>.It will create default directory
// <default>!".
using TOutputFolderWarning = std::function<void(const std::string& message)>;

class TOutputNamer {
 public:
  enum class TMode {
    // A run's names: the folder is made when missing; when it cannot be, the warning is
    // given, the default folder is made and stored as the output folder.
    Create,
    // Names shown before a run: the same folder and names a run would take now, with
    // nothing made, stored or said.
    Preview,
  };

  TOutputNamer(TIniFile& settings, TOutputFolderWarning warning = {}, TMode mode = TMode::Create);

  // The output folder with a trailing "/", decided once per namer. Throws ESettingsError
  // when neither it nor the default folder can be created (Create only).
  std::string OutputFolder();

  // Folder + source name without its last extension + "_(new)" + suffix, or
  // "_(new_<n>)" for the first n = 1, 2, ... whose name is free. A name is taken when a
  // file of that name exists or when this namer handed it out before, so the jobs of one
  // batch never share an output.
  std::string MakeOutputFileName(const std::string& sourceFile, const std::string& suffix);
  // The numbered names of that rule, "_(new_<n>)" for n, for an output whose name was taken
  // by the time it was complete. Safe to call from any thread.
  TNameIfTaken NumberedNames(const std::string& sourceFile, const std::string& suffix);

  // Overrides the configured folder for this namer only (the headless --output).
  void SetFolderOverride(const std::string& folder) { override_ = folder; }

 private:
  bool Taken(const std::string& path) const;
  std::string ResolveFolder();

  TIniFile& settings_;
  TOutputFolderWarning warning_;
  TMode mode_;
  std::optional<std::string> folder_;
  std::string override_;
  std::set<std::string> handedOut_;
};

// Source name without folder and without its last extension.
std::string SourceBaseName(const std::string& sourceFile);

// The warning of a configured output folder that cannot be created.
std::string OutputFolderFallbackWarning(const std::string& folder, const std::string& fallback);

// Whether the folder is there, or could be made: its nearest existing parent is a folder
// this user may write to.
bool FolderCouldBeMade(const std::string& folder);

}  // namespace qarvo
