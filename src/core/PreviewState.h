// The preview's two flags, Stopped and Paused, the request to play once files are added, and
// the rules that follow from them: which commands are taken and which buttons are enabled.
#pragma once

#include <cstdint>
#include <string>

namespace qarvo {

struct TPreviewButtons {
  bool Play = true;
  bool Pause = false;
  bool Stop = false;
  bool Snapshot = false;
  friend bool operator==(const TPreviewButtons&, const TPreviewButtons&) = default;
};

// What Play does in the present state.
enum class TPlayStep {
  Resume,       // paused on the selected job's source (or none is selected): resume it
  AskForFiles,  // empty list: ask for files, play the first one added
  OpenFocused,  // open the row that has the focus
};

class TPreviewState {
 public:
  bool Stopped() const { return stopped_; }
  bool Paused() const { return paused_; }
  // Open and neither paused nor stopped.
  bool Playing() const { return !stopped_ && !paused_; }

  // `selected`: the source of the selected row, empty when none is selected. A paused source
  // is resumed only when it is the selected one: another selected row is opened instead.
  TPlayStep PlayStep(bool listEmpty, const std::string& selected = {}) const;
  // A file was opened or resumed.
  void Played();
  // `source` was opened and plays.
  void Opened(std::string source);
  const std::string& Source() const { return source_; }
  // False (nothing changes) unless playing: a stopped preview has nothing to pause.
  bool Pause();
  // False (nothing changes) while stopped.
  bool Stop();
  // The end of the file: stopped, with the player paused at the start.
  void EndReached();

  // Set by Play on an empty list; taken (and cleared) once files were added.
  void RequestPlayAfterAdding() { playAfterAdding_ = true; }
  bool TakePlayAfterAdding();
  bool PlayAfterAdding() const { return playAfterAdding_; }

  int64_t Duration() const { return duration_; }
  void SetDuration(int64_t duration) { duration_ = duration; }

  TPreviewButtons Buttons() const;

 private:
  bool stopped_ = true;
  bool paused_ = false;
  bool playAfterAdding_ = false;
  int64_t duration_ = 0;
  std::string source_;
};

}  // namespace qarvo
