#include "core/JobList.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>

#include "base/AsciiText.h"
#include "core/ErrorMessage.h"
#include "core/FormatDefinition.h"
#include "core/FormatProfile.h"
#include "core/OutputNaming.h"
#include "core/SettingsError.h"
#include "core/SettingsKeys.h"

namespace qarvo {
namespace {

namespace fs = std::filesystem;

constexpr const char* kAllVideo =
    "*.AVI;*.AVM;*.ASF;*.WMV;*.AVS;*.FLV;*.MKV;*.MOV;*.3GP;*.3G2;*.M4V;*.MP4;*.MPG;*.MPEG;*.DAT;"
    "*.OGM;*.VOB;*.RM;*.RMVB;*.TS;*.TP;*.IFO;*.NSV;*.SWF;";
constexpr const char* kAllAudio =
    "*.MP3;*.AAC;*.WAV;*.WMA;*.OGG;*.CDA;*.FLAC;*.M4A;*.MID;*.MKA;*.MP2;*.MPA;*.MPC;*.APE;*.OFR;"
    "*.OGG;*.RA;*.WV;*.TTA;*.AC3;*.DTS;";

// Odd-row colours of the seven schemes, by index.
constexpr std::array<uint32_t, 7> kOddRowColours{0xE2E6F6, 0xECECEC, 0xF8F2E0, 0xF6E6F1,
                                                 0xF7E1E1, 0xE2F7E1, 0xE1F0F7};
constexpr uint32_t kOddRowOther = 0xEBEBEB;

int FormatCodeOf(const TIniFile& settings) {
  return settings.ReadInteger(settings::kSection, settings::kFormatCode,
                              settings::kFormatCodeDefaultInt);
}

// A bit rate choice in kbit/s; nothing when it is not a plain positive number.
std::optional<double> Kbps(const std::string& value) {
  if (value.empty()) return std::nullopt;
  char* end = nullptr;
  const double number = std::strtod(value.c_str(), &end);
  while (end && *end == ' ') ++end;
  if (!end || *end != '\0' || !(number > 0)) return std::nullopt;
  return number;
}

}  // namespace

const std::vector<TFileFilter>& OpenDialogFilters() {
  static const std::vector<TFileFilter> filters{
      {"All Supported Video Formats", kAllVideo},
      {"All Supported Audio Formats", kAllAudio},
      {"AVI files (*.avi)", "*.avi"},
      {"MPEG4 files (*.mp4)", "*.mp4"},
      {"MPEG files (*.mpg,*.mpeg)", "*.mpg;*.mpeg"},
      {"3GP files (*.3gp,*.3g2)", "*.3gp;*.3g2"},
      {"Itunes Video files (*.m4v)", "*.m4v"},
      {"Windows Media files (*.wmv,*.asf)", "*.wmv;*.asf"},
      {"Real Media files (*.rm,*.rmvb)", "*.rm;*.rmvb"},
      {"Video CD files (*.dat)", "*.dat"},
      {"Quick Time files (*.mov)", "*.mov"},
      {"Flash Video files (*.flv)", "*.flv"},
      {"Matroska Video files (*.mkv)", "*.mkv"},
      {"MJPEG Video files (*.mjpg,*.mjpeg)", "*.mjpg;*.mjpeg"},
      {"Animated GIF files (*.gif)", "*.gif"},
      {"H.264/MPEG4 AVC Video files (*.mts,*.m2ts)", "*.mts;*.m2ts"},
      {"DVD video object files (*.vob)", "*.vob"},
      {"MPEG-1 Video files (*.mpv)", "*.mpv"},
      {"Video Transport Stream files (*.ts)", "*.ts"},
      {"TP Video files (*.tp)", "*.tp"},
      {"Maceomeida Flash files (*.swf)", "*.swf"},
      {"MP3 Audio files (*.mp3)", "*.mp3"},
      {"Advanced Audio Coding files (*.aac)", "*.aac"},
      {"Monkey's Audio files (*.ape)", "*.ape"},
      {"Ogg Vorbis Audio files (*.ogg)", "*.ogg"},
      {"Windows Media Audio files (*.wma)", "*.wma"},
      {"MusePack Audio files (*.mpc)", "*.mpc"},
      {"MPEG Audio files (*.mpa)", "*.mpa"},
      {"MPEG-4 Audio files (*.m4a)", "*.m4a"},
      {"Matroska Audio files (*.mka)", "*.mka"},
      {"DTS Audio files (*.dts)", "*.dts"},
      {"Audio Codec 3 files (*.ac3)", "*.ac3"},
      {"Speex Audio files (*.spx)", "*.spx"},
      {"Real Audio files (*.ra,*.ram)", "*.ra;*.ram"},
      {"MPEG Layer II Compressed Audio files (*.mp2)", "*.mp2"},
      {"All files (*.*)", "*.*"},
  };
  return filters;
}

const std::vector<std::string>& MediaExtensions() {
  static const std::vector<std::string> extensions = [] {
    std::vector<std::string> result;
    for (const char* list : {kAllVideo, kAllAudio}) {
      const std::string text = AsciiLower(list);
      size_t start = 0;
      while (start < text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string::npos) end = text.size();
        const std::string pattern = text.substr(start, end - start);
        if (pattern.size() > 2 &&
            std::find(result.begin(), result.end(), pattern.substr(2)) == result.end())
          result.push_back(pattern.substr(2));
        start = end + 1;
      }
    }
    return result;
  }();
  return extensions;
}

bool IsMediaFileName(const std::string& fileName) {
  std::string extension = fs::path(fileName).extension().string();
  if (extension.size() < 2) return false;
  extension = AsciiLower(extension.substr(1));
  const auto& known = MediaExtensions();
  return std::find(known.begin(), known.end(), extension) != known.end();
}

bool IsSubtitleFileName(const std::string& fileName) {
  const std::string extension = AsciiLower(fs::path(fileName).extension().string());
  for (const char* known : {".srt", ".vtt", ".ass", ".ssa", ".sub", ".idx"})
    if (extension == known) return true;
  return false;
}

std::vector<std::string> ExpandDroppedPaths(const std::vector<std::string>& paths) {
  std::vector<std::string> result;
  for (const std::string& path : paths) {
    std::error_code error;
    if (!fs::is_directory(path, error)) {
      result.push_back(path);
      continue;
    }
    std::vector<std::string> found;
    fs::recursive_directory_iterator it(path, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
      const bool hidden = it->path().filename().string().rfind('.', 0) == 0;
      std::error_code typeError;
      if (it->is_directory(typeError)) {
        if (hidden) it.disable_recursion_pending();
        continue;
      }
      if (!hidden && IsMediaFileName(it->path().string())) found.push_back(it->path().string());
    }
    std::sort(found.begin(), found.end());
    result.insert(result.end(), found.begin(), found.end());
  }
  return result;
}

uint32_t JobRowBackground(int row, int schemeIndex) {
  if (row % 2 == 0) return 0xFFFFFF;
  if (schemeIndex < 0 || schemeIndex >= static_cast<int>(kOddRowColours.size()))
    return kOddRowOther;
  return kOddRowColours[schemeIndex];
}

TFocusColours JobFocusColours(bool listHasFocus) {
  return listHasFocus ? TFocusColours{0xB9CCEC, 0x7AA0DA} : TFocusColours{0xE5ECF8, 0x98B5E2};
}

std::string RefusedFilesMessage(const std::vector<TRefusedFile>& refused) {
  if (refused.empty()) return {};
  std::string text =
      refused.size() == 1 ? "This file could not be added:" : "These files could not be added:";
  const size_t shown = std::min(refused.size(), static_cast<size_t>(kRefusedLinesShown));
  for (size_t i = 0; i < shown; ++i) {
    text += "\n" + refused[i].FileName;
    if (!refused[i].Reason.empty()) text += ": " + refused[i].Reason;
  }
  if (refused.size() > shown)
    text += "\n\u2026 and " + std::to_string(refused.size() - shown) + " more.";
  return text;
}

void ShowJobOutcome(TJobRow& row, TJobOutcome outcome, const std::string& message) {
  switch (outcome) {
    case TJobOutcome::Finished:
      row.Progress = "100%";
      row.ProgressTip.clear();
      break;
    case TJobOutcome::Failed:
    case TJobOutcome::Skipped:
      row.Progress = "Failed";
      row.ProgressTip = message;
      break;
    case TJobOutcome::Stopped:
      row.Progress = "Stopped";
      row.ProgressTip = message;
      break;
    case TJobOutcome::NotStarted:
      row.Progress = "Not started";
      row.ProgressTip.clear();
      break;
    case TJobOutcome::Pending:
    case TJobOutcome::Running:
      break;
  }
}

void ShowJobOutcomes(std::vector<TJobRow>& rows, const std::vector<TJobReport>& reports) {
  for (const TJobReport& report : reports) {
    if (report.Row >= 0 && report.Row < static_cast<int>(rows.size()))
      ShowJobOutcome(rows[report.Row], report.Outcome, report.Message);
  }
}

std::string ApproximateSizeText(int64_t bytes) {
  const double megabytes = static_cast<double>(bytes) / 1e6;
  char text[64];
  if (megabytes < 10)
    std::snprintf(text, sizeof text, "\u2248 %.1f MB", megabytes);
  else
    std::snprintf(text, sizeof text, "\u2248 %.0f MB", megabytes);
  return text;
}

int64_t TrimmedSeconds(const TlvFilesRecord& record) {
  if (record.TrimLength > 0) return record.TrimLength / 1000000;
  return std::max<int64_t>(0, record.Duration - record.TrimStart / 1000000);
}

void TJobList::Select(int row) { selected_ = row >= 0 && row < Count() ? row : -1; }

const TlvFilesRecord* TJobList::SelectedRecord() const {
  return selected_ >= 0 ? &rows_[selected_].Record : nullptr;
}

bool TJobList::Contains(const std::string& caption) const {
  return std::any_of(rows_.begin(), rows_.end(),
                     [&](const TJobRow& row) { return row.Caption == caption; });
}

TAddResult TJobList::Add(const std::vector<std::string>& files, IJobProber& prober,
                         TIniFile& settings, const TIniFile& definitions) {
  std::vector<TJobRow> newRows;
  TAddResult result = ProbeFiles(files, prober, settings, definitions, newRows);
  Append(std::move(newRows), settings, definitions);
  return result;
}

std::string TJobList::RefusalBeforeProbe(const std::string& file) const {
  if (Contains(file)) return kAlreadyListed;
  if (IsSubtitleFileName(file)) return kSubtitleFileRefused;
  return {};
}

TJobRow TJobList::NewRow(const std::string& file, int64_t durationUs, const std::string& zoom) {
  TJobRow row;
  row.Caption = file;
  row.Record = NewJobRecord(file, {}, durationUs, zoom);
  return row;
}

std::string TJobList::NewRowZoom(const TIniFile& settings, const TIniFile& definitions) {
  const int code = FormatCodeOf(settings);
  const TIniSnapshot snapshot = settings.Snapshot();
  return TFormatProfile(snapshot, ReadFormatDefinition(definitions, code), code).Zoom();
}

TAddResult TJobList::ProbeFiles(const std::vector<std::string>& files, IJobProber& prober,
                                const TIniFile& settings, const TIniFile& definitions,
                                std::vector<TJobRow>& newRows) const {
  TAddResult result;
  if (!prober.LoadLibraries()) return result;
  result.LibrariesLoaded = true;
  prober.ClearTasks();
  const std::string zoom = NewRowZoom(settings, definitions);
  for (const std::string& file : files) {
    std::error_code error;
    if (fs::is_directory(file, error)) continue;
    std::string reason = RefusalBeforeProbe(file);
    if (reason.empty() && std::any_of(newRows.begin(), newRows.end(),
                                      [&](const TJobRow& row) { return row.Caption == file; }))
      reason = kAlreadyListed;
    if (!reason.empty()) {
      result.Refused.push_back({file, reason});
      continue;
    }
    const std::optional<int64_t> duration = prober.ProbeDuration(file, reason);
    if (!duration) {
      result.Refused.push_back({file, PlainJobMessage(reason, file, {})});
      continue;
    }
    newRows.push_back(NewRow(file, *duration, zoom));
    ++result.Added;
  }
  prober.ClearTasks();
  return result;
}

void TJobList::Append(std::vector<TJobRow> newRows, TIniFile& settings,
                      const TIniFile& definitions) {
  if (newRows.empty()) return;
  for (TJobRow& row : newRows) rows_.push_back(std::move(row));
  selected_ = 0;
  RefreshDestinations(settings, definitions);
}

bool TJobList::Remove() {
  if (selected_ < 0 || selected_ >= Count()) return false;
  rows_.erase(rows_.begin() + selected_);
  selected_ = rows_.empty() ? -1 : std::min(selected_, Count() - 1);
  return true;
}

bool TJobList::Clear(IJobProber& prober) {
  if (rows_.empty()) return false;
  prober.ClearTasks();
  rows_.clear();
  selected_ = -1;
  return true;
}

bool HasEdits(const TlvFilesRecord& record) {
  return record.TrimStart != 0 || record.TrimLength != 0 || record.CropTop != 0 ||
         record.CropLeft != 0 || record.CropBottom != 0 || record.CropRight != 0 ||
         record.CropTopEntered != 0 || record.CropLeftEntered != 0 ||
         record.CropBottomEntered != 0 || record.CropRightEntered != 0 || record.NeedsHook();
}

bool TJobList::ClearNeedsQuestion() const {
  return Count() > kQuietClearCount ||
         std::any_of(rows_.begin(), rows_.end(),
                     [](const TJobRow& row) { return HasEdits(row.Record); });
}

void TJobList::CheckAll(bool checked) {
  for (TJobRow& row : rows_) row.Checked = checked;
}

void TJobList::ReverseCheck() {
  for (TJobRow& row : rows_) row.Checked = !row.Checked;
}

bool TJobList::CheckSelected(bool checked) {
  if (selected_ < 0) return false;
  rows_[selected_].Checked = checked;
  return true;
}

bool TJobList::ToggleSelected() {
  return selected_ >= 0 && CheckSelected(!rows_[selected_].Checked);
}

void TJobList::SetChecked(int row, bool checked) {
  if (row >= 0 && row < Count()) rows_[row].Checked = checked;
}

void TJobList::RefreshDestinations(TIniFile& settings, const TIniFile& definitions) {
  const std::string suffix =
      "." + ReadFormatDefinition(definitions, FormatCodeOf(settings)).FileExt;
  // Only shows names: a missing folder is not made, and one that cannot be is left for the
  // run to announce.
  TOutputNamer namer(settings, {}, TOutputNamer::TMode::Preview);
  std::vector<std::string> names(rows_.size());
  try {
    for (bool checked : {true, false}) {
      for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].Checked == checked)
          names[i] = namer.MakeOutputFileName(rows_[i].Caption, suffix);
    }
  } catch (const ESettingsError&) {
    return;  // no output folder: the run will say so
  }
  for (size_t i = 0; i < rows_.size(); ++i) rows_[i].Record.DestFile = names[i];
}

std::string TJobList::Cell(int row, int column) const {
  if (row < 0 || row >= Count()) return {};
  const TJobRow& job = rows_[row];
  switch (column) {
    case kColSource:
      return job.Caption;
    case kColLength:
      return std::to_string(job.Record.Duration);
    case kColTrimmed:
      return std::to_string(TrimmedSeconds(job.Record));
    case kColDestination:
      return fs::path(job.Record.DestFile).filename().string();
    case kColProgress:
      return job.Progress;
    default:
      return {};
  }
}

std::string TJobList::ToolTip(int row, int column) const {
  if (row < 0 || row >= Count()) return {};
  const TJobRow& job = rows_[row];
  if (column == kColProgress) return job.ProgressTip;
  if (column == kColDestination)
    return job.Adjustments.empty() ? job.Record.DestFile
                                   : job.Record.DestFile + "\n" + job.Adjustments;
  return job.Caption;
}

std::optional<int64_t> TJobList::EstimatedOutputBytes(const TIniFile& settings,
                                                      const TIniFile& definitions) const {
  const int code = FormatCodeOf(settings);
  const TIniSnapshot snapshot = settings.Snapshot();
  const TFormatProfile profile(snapshot, ReadFormatDefinition(definitions, code), code);
  const TFormatDefinition& definition = profile.Definition();
  if (!definition.VideoBitRate.Enabled && !definition.AudioBitRate.Enabled) return std::nullopt;
  double kbps = 0;
  if (definition.VideoBitRate.Enabled) {
    const auto video = Kbps(profile.VideoBitRate());
    if (!video) return std::nullopt;
    kbps += *video;
  }
  if (definition.AudioBitRate.Enabled) {
    const auto audio = Kbps(profile.AudioBitRate());
    if (!audio) return std::nullopt;
    kbps += *audio;
  }
  int64_t seconds = 0;
  for (const TJobRow& row : rows_)
    if (row.Checked) seconds += TrimmedSeconds(row.Record);
  return static_cast<int64_t>(kbps * 1000.0 / 8.0 * static_cast<double>(seconds));
}

}  // namespace qarvo
