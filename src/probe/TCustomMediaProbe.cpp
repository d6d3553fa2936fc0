#include "probe/TCustomMediaProbe.h"

#include <filesystem>
#include <system_error>

#include "base/EngineError.h"
#include "base/StringFormat.h"
#include "media/LibraryLoader.h"
#include "media/OpenInputContainer.h"
#include "media/StreamKind.h"
#include "media/UnicodeProtocol.h"
#include "probe/FileInfoText.h"
#include "probe/StreamInfo.h"

namespace qarvo {

namespace {

constexpr char kFileNotLoaded[] = "file not loaded.";

struct TRequiredLibrary {
  TLibraryIndex Index;
  const char* Message;
};

constexpr TRequiredLibrary kRequiredLibraries[] = {
    {liAVCodec, "LibAVCodec not loaded."},
    {liAVFormat, "LibAVFormat not loaded."},
    {liAVUtil, "LibAVUtil not loaded."},
    {liSWScale, "LibSwScale not loaded."},
};

int64_t SizeOnDisk(const std::string& fileName) {
  std::error_code error;
  const auto size = std::filesystem::file_size(fileName, error);
  return error ? -1 : static_cast<int64_t>(size);
}

}  // namespace

TCustomMediaProbe::TCustomMediaProbe() = default;

TCustomMediaProbe::~TCustomMediaProbe() {
  owned_.reset();
  unicodeFile_.reset();
}

void TCustomMediaProbe::CheckLibraries() {
  const TLibraryLoader& loader = TLibraryLoader::Instance();
  for (const TRequiredLibrary& library : kRequiredLibraries)
    if (!loader.IsLoaded(library.Index)) throw EEngineError(library.Message);
}

bool TCustomMediaProbe::LoadFile(const std::wstring& fileName, const std::string& formatName) {
  return LoadFile(WideToUtf8(fileName), formatName);
}

bool TCustomMediaProbe::LoadFile(const std::string& fileName, const std::string& formatName) {
  return Load(fileName, formatName, nullptr);
}

bool TCustomMediaProbe::LoadStream(AVIOContext* io, const std::string& name,
                                   const std::string& formatName) {
  if (!io) throw EEngineError("Assertion failure");
  return Load(name, formatName, io);
}

bool TCustomMediaProbe::Load(const std::string& fileName, const std::string& formatName,
                             AVIOContext* io) {
  CheckLibraries();
  CloseFile();
  inputFormat_.clear();
  const AVInputFormat* format = nullptr;
  if (!formatName.empty()) {
    format = api().av_find_input_format(formatName.c_str());
    if (!format) return Fail(TLogLevel::llError, "Unknown input format: " + formatName);
  }
  if (!OpenContainer(fileName, format, io) || !DescribesStreams()) {
    CloseFile();
    return false;
  }
  Refresh();
  inputFormat_ = formatName;
  return true;
}

bool TCustomMediaProbe::OpenContainer(const std::string& fileName, const AVInputFormat* format,
                                      AVIOContext* io) {
  TInputOpenRequest request;
  request.FileName = fileName;
  request.Format = format;
  request.Stream = io;
  request.Flags = AVFMT_FLAG_NONBLOCK;
  request.Interrupt = interrupt_.Callback();
  TInputContainer opened = OpenInputContainer(request);
  unicodeFile_ = std::move(opened.Unicode);
  if (!opened.Context) return Fail(TLogLevel::llError, opened.Error);
  owned_ = std::move(opened.Context);
  container_ = owned_.get();
  fileName_ = fileName;
  return true;
}

bool TCustomMediaProbe::DescribesStreams() {
  // The analysis succeeds on a few stray bytes that look like a raw stream; a file none of
  // whose streams could be described is no media file.
  for (unsigned i = 0; i < container_->nb_streams; ++i)
    if (HasCodecParameters(*container_->streams[i]->codecpar)) return true;
  return Fail(TLogLevel::llError, fileName_ + ": could not find codec parameters");
}

void TCustomMediaProbe::Attach(AVFormatContext* container) {
  CheckLibraries();
  CloseFile();
  inputFormat_.clear();
  container_ = container;
  if (container_ && container_->url) fileName_ = LibraryNameToUtf8(container_->url);
  Refresh();
}

void TCustomMediaProbe::CloseFile() {
  container_ = nullptr;
  owned_.reset();
  unicodeFile_.reset();
  fileName_.clear();
  ResetSummary();
}

void TCustomMediaProbe::ResetSummary() {
  fileSize_ = -1;
  streamCount_ = programCount_ = -1;
  audioStreamCount_ = videoStreamCount_ = subtitleStreamCount_ = -1;
  firstAudioStreamIndex_ = firstVideoStreamIndex_ = firstSubtitleStreamIndex_ = -1;
}

void TCustomMediaProbe::Refresh() {
  ResetSummary();
  if (!container_) return;
  const int64_t containerSize = container_->pb ? api().avio_size(container_->pb) : -1;
  fileSize_ = containerSize;
  if (containerSize <= 0) {
    const int64_t diskSize = SizeOnDisk(fileName_);
    if (diskSize >= 0) fileSize_ = diskSize;
  }
  streamCount_ = static_cast<int>(container_->nb_streams);
  programCount_ = static_cast<int>(container_->nb_programs);
  audioStreamCount_ = videoStreamCount_ = subtitleStreamCount_ = 0;
  for (int i = 0; i < streamCount_; ++i) {
    switch (PlayedType(*container_->streams[i])) {
      case AVMEDIA_TYPE_VIDEO:
        if (videoStreamCount_++ == 0) firstVideoStreamIndex_ = i;
        break;
      case AVMEDIA_TYPE_AUDIO:
        if (audioStreamCount_++ == 0) firstAudioStreamIndex_ = i;
        break;
      case AVMEDIA_TYPE_SUBTITLE:
        if (subtitleStreamCount_++ == 0) firstSubtitleStreamIndex_ = i;
        break;
      default:
        break;
    }
  }
}

bool TCustomMediaProbe::Fail(TLogLevel level, const std::string& message) {
  lastErrMsg_ = message;
  TEngineLogger::GetLogger().Log(this, level, message);
  return false;
}

bool TCustomMediaProbe::CheckLoaded() {
  return container_ != nullptr || Fail(TLogLevel::llWarning, kFileNotLoaded);
}

const AVStream* TCustomMediaProbe::FindStream(int index, AVMediaType kind) {
  if (!CheckLoaded()) return nullptr;
  const bool audio = kind == AVMEDIA_TYPE_AUDIO;
  if (index < 0) {
    index = audio ? firstAudioStreamIndex_ : firstVideoStreamIndex_;
    if (index < 0) {
      Fail(TLogLevel::llError, audio ? "no audio stream." : "no video stream.");
      return nullptr;
    }
  }
  if (index >= streamCount_) {
    Fail(TLogLevel::llError, Format("stream index #%d is invalid.", index));
    return nullptr;
  }
  const AVStream* stream = container_->streams[index];
  if (PlayedType(*stream) != kind) {
    Fail(TLogLevel::llError,
         Format("stream #%d is not %s stream.", index, audio ? "audio" : "video"));
    return nullptr;
  }
  return stream;
}

TFileStreamInfo TCustomMediaProbe::FileStreamInfo() {
  return CheckLoaded() ? ReadFileStreamInfo(*container_) : TFileStreamInfo{};
}

TAudioStreamInfo TCustomMediaProbe::AudioStreamInfo(int index) {
  const AVStream* stream = FindStream(index, AVMEDIA_TYPE_AUDIO);
  return stream ? ReadAudioStreamInfo(*container_, *stream) : TAudioStreamInfo{};
}

TVideoStreamInfo TCustomMediaProbe::VideoStreamInfo(int index) {
  const AVStream* stream = FindStream(index, AVMEDIA_TYPE_VIDEO);
  return stream ? ReadVideoStreamInfo(*container_, *stream) : TVideoStreamInfo{};
}

std::string TCustomMediaProbe::FileInfoText() {
  return CheckLoaded() ? qarvo::FileInfoText(*container_, fileName_, fileSize_) : std::string();
}

std::string TCustomMediaProbe::FileName() { return CheckLoaded() ? fileName_ : std::string(); }

std::string TCustomMediaProbe::FormatName() {
  if (!CheckLoaded()) return {};
  return container_->iformat && container_->iformat->name ? container_->iformat->name : "";
}

bool TCustomMediaProbe::IsStreamOfKind(int index, AVMediaType kind) {
  if (!CheckLoaded()) return false;
  if (index < 0 || index >= streamCount_)
    return Fail(TLogLevel::llError, Format("stream index #%d is invalid.", index));
  return PlayedType(*container_->streams[index]) == kind;
}

bool TCustomMediaProbe::IsAudioStream(int index) {
  return IsStreamOfKind(index, AVMEDIA_TYPE_AUDIO);
}

bool TCustomMediaProbe::IsVideoStream(int index) {
  return IsStreamOfKind(index, AVMEDIA_TYPE_VIDEO);
}

}  // namespace qarvo
