// The job list without its widgets: rows and their records, captions, the commands that
// add, remove, clear and check rows, which row is selected afterwards, and what each cell
// and row shows.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/BatchRun.h"
#include "core/IniFile.h"

namespace qarvo {

// Reads a file's length for Add. The application asks the conversion engine (which also
// decides whether the file can be converted at all); tests answer themselves.
class IJobProber {
 public:
  virtual ~IJobProber() = default;
  // False when the media libraries cannot be loaded; Add then changes nothing.
  virtual bool LoadLibraries() = 0;
  // Container duration in µs (-1 when unknown), or nothing with `error` when the engine
  // refuses the file.
  virtual std::optional<int64_t> ProbeDuration(const std::string& fileName, std::string& error) = 0;
  // Empties the engine's task list: the engine serves Add only as a probe.
  virtual void ClearTasks() = 0;
  // Any thread: while on, a probe in progress gives up at its next read (a file on a slow
  // medium), refusing the file with "<file>: stopped".
  virtual void Interrupt(bool /*on*/) {}
};

struct TRefusedFile {
  std::string FileName;
  std::string Reason;
};

struct TAddResult {
  bool LibrariesLoaded = false;
  int Added = 0;
  std::vector<TRefusedFile> Refused;
};

enum class TColumnAlignment { Left, Right, Center };

struct TJobColumn {
  const char* Caption;
  int Width;  // pixels
  TColumnAlignment Alignment;
};

enum TJobColumnIndex { kColSource, kColLength, kColTrimmed, kColDestination, kColProgress };

inline constexpr std::array<TJobColumn, 5> kJobColumns{{
    {"Source", 140, TColumnAlignment::Left},
    {"Length", 65, TColumnAlignment::Right},
    {"Trimmed Length", 90, TColumnAlignment::Right},
    {"Destination File", 120, TColumnAlignment::Left},
    {"Progress", 60, TColumnAlignment::Center},
}};

struct TFileFilter {
  const char* Description;
  const char* Patterns;  // ";"-separated, as the open dialog lists them
};

// The open dialog's filters, in the order the dialog offers them.
const std::vector<TFileFilter>& OpenDialogFilters();
// Extensions (lower case, without the point) of the two "All Supported" filters: the media
// files a dropped folder contributes.
const std::vector<std::string>& MediaExtensions();
bool IsMediaFileName(const std::string& fileName);
// Subtitles (.srt, .vtt, .ass, .ssa, .sub, .idx): the engine opens them, but they have
// nothing to convert.
bool IsSubtitleFileName(const std::string& fileName);
inline constexpr const char* kSubtitleFileRefused = "a subtitle file, not a video or audio file";
inline constexpr const char* kAlreadyListed = "already in the list";
// Dropped paths as the open dialog would have returned them: a file stays as it is; a
// folder gives its media files, sorted by path, from its sub-folders too but never from a
// hidden one, and hidden files are left out.
std::vector<std::string> ExpandDroppedPaths(const std::vector<std::string>& paths);

// Colours are 0xRRGGBB. Even rows are white; odd rows take the scheme's colour.
uint32_t JobRowBackground(int row, int schemeIndex);
struct TFocusColours {
  uint32_t Fill;
  uint32_t Frame;
};
TFocusColours JobFocusColours(bool listHasFocus);

// The one message after an Add that refused files: each file with its reason (the first
// kRefusedLinesShown of them, then how many more).
inline constexpr int kRefusedLinesShown = 20;
std::string RefusedFilesMessage(const std::vector<TRefusedFile>& refused);

// What the "Progress" column shows for a job that did not finish, with the reason kept for
// the cell's tooltip.
void ShowJobOutcome(TJobRow& row, TJobOutcome outcome, const std::string& message);
void ShowJobOutcomes(std::vector<TJobRow>& rows, const std::vector<TJobReport>& reports);

// "≈ 24 MB" for a byte count (MB = 1,000,000 bytes, at least one decimal below 10 MB).
std::string ApproximateSizeText(int64_t bytes);

// The user changed something of the job: a trim, a crop, an effect or a watermark.
bool HasEdits(const TlvFilesRecord& record);
// Up to this many jobs without edits are cleared without a question.
inline constexpr int kQuietClearCount = 3;

class TJobList {
 public:
  std::vector<TJobRow>& Rows() { return rows_; }
  const std::vector<TJobRow>& Rows() const { return rows_; }
  int Count() const { return static_cast<int>(rows_.size()); }
  bool Empty() const { return rows_.empty(); }

  // The selected row, which is also the focused one; -1 for none.
  int Selected() const { return selected_; }
  void Select(int row);
  const TlvFilesRecord* SelectedRecord() const;

  // Adds the files in order. Folders are skipped; files already listed (exact caption),
  // subtitle files and files the engine refuses are reported in the result with their reason
  // in plain words and left out. The first row is selected afterwards when anything was added.
  TAddResult Add(const std::vector<std::string>& files, IJobProber& prober, TIniFile& settings,
                 const TIniFile& definitions);
  // Add in two steps, so a view hears of the new rows only once they are complete: the
  // rows the files would give (the list itself unchanged), then appending them.
  TAddResult ProbeFiles(const std::vector<std::string>& files, IJobProber& prober,
                        const TIniFile& settings, const TIniFile& definitions,
                        std::vector<TJobRow>& newRows) const;
  void Append(std::vector<TJobRow> newRows, TIniFile& settings, const TIniFile& definitions);
  // Why Add leaves a file out before asking the engine: already listed, or a subtitle file;
  // empty when the engine is to decide.
  std::string RefusalBeforeProbe(const std::string& file) const;
  // The row Add makes of a file the engine accepted.
  static TJobRow NewRow(const std::string& file, int64_t durationUs, const std::string& zoom);
  // The zoom mode new rows take (the current format's).
  static std::string NewRowZoom(const TIniFile& settings, const TIniFile& definitions);
  // Removes the selected row and selects the row that took its place (or the new last
  // row). False when no row was selected.
  bool Remove();
  // False on an empty list.
  bool Clear(IJobProber& prober);
  // Clear asks first when it would throw away edits or more than a few jobs.
  bool ClearNeedsQuestion() const;

  void CheckAll(bool checked);
  void ReverseCheck();
  // The focused row; false without one.
  bool CheckSelected(bool checked);
  bool ToggleSelected();
  void SetChecked(int row, bool checked);

  // The editing, check and list-menu entries (all but "Add") need a row and a selection.
  bool RowCommandsEnabled() const { return !rows_.empty() && selected_ >= 0; }

  // Names each row's "Destination File" after what a run would write now: checked rows in
  // list order take the free names first, as the run hands them out, in the folder the run
  // would use (the default one when the configured one cannot be made). Nothing is made or
  // stored.
  void RefreshDestinations(TIniFile& settings, const TIniFile& definitions);

  std::string Cell(int row, int column) const;
  // Tooltip of a row's cell: the outcome message on "Progress", the full path elsewhere.
  std::string ToolTip(int row, int column) const;

  // Estimated total output size of the checked jobs for the current format: (video +
  // audio bit rate) × kept length. Nothing when the format has no fixed bit rate.
  std::optional<int64_t> EstimatedOutputBytes(const TIniFile& settings,
                                              const TIniFile& definitions) const;

 private:
  bool Contains(const std::string& caption) const;

  std::vector<TJobRow> rows_;
  int selected_ = -1;
};

// Kept length of a job in whole seconds ("Trimmed Length").
int64_t TrimmedSeconds(const TlvFilesRecord& record);

}  // namespace qarvo
