#include "engine/TCustomTranscoder.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "base/EngineError.h"
#include "media/EngineLogger.h"
#include "media/ErrorText.h"
#include "engine/open/TFastStartCopy.h"
#include "engine/open/TInputSetup.h"
#include "engine/open/TOutputSetup.h"
#include "engine/open/TStreamFactory.h"
#include "engine/options/TOptionDispatcher.h"
#include "engine/options/TPresets.h"
#include "engine/options/TTargets.h"
#include "engine/run/TTranscodeRun.h"

namespace qarvo {
TCustomTranscoder::TCustomTranscoder() = default;
TCustomTranscoder::~TCustomTranscoder() = default;

void TCustomTranscoder::DispatchOption(const std::string& name, const std::string& value) {
  TOptionDispatcher(*this).Dispatch(name, value);
}
void TCustomTranscoder::ApplyOptionText(const std::string& text, TOptionTextUse use) {
  TOptionDispatcher(*this).ApplyOptionText(text, use);
}
bool TCustomTranscoder::GenericSet(const std::string& name, const std::string& value) {
  return TOptionDispatcher(*this).GenericSet(name, value);
}
void TCustomTranscoder::ApplyTarget(const std::string& type, const std::string& norm,
                                    const std::string& fallbackNorm) {
  TTargets(*this).Apply(type, norm, fallbackNorm);
}
void TCustomTranscoder::ApplyPreset(const std::string& optionName, const std::string& value) {
  TPresets(*this).Apply(optionName, value);
}

bool TCustomTranscoder::OpenInput(const std::string& fileName) {
  return TInputSetup(*this).Open(fileName);
}
int TCustomTranscoder::OpenOutput(const std::string& fileName, bool) {
  return TOutputSetup(*this).Open(fileName);
}

namespace {

TOpenedOutput& OutputAt(TTaskFiles& files, int index) {
  if (index < 0 || index >= static_cast<int>(files.Outputs.size()))
    throw EEngineError("At least one output file must be specified");
  return files.Outputs[index];
}

}  // namespace

void TCustomTranscoder::NewVideoStream(int outputIndex) {
  TStreamFactory(*this, OutputAt(Files, outputIndex)).NewVideoStream();
}
void TCustomTranscoder::NewAudioStream(int outputIndex) {
  TStreamFactory(*this, OutputAt(Files, outputIndex)).NewAudioStream();
}
void TCustomTranscoder::NewSubtitleStream(int outputIndex) {
  TStreamFactory(*this, OutputAt(Files, outputIndex)).NewSubtitleStream();
}

std::unique_ptr<TPartFile> TCustomTranscoder::MakeFastStartCopy(const TOpenedOutput& output) {
  return TFastStartCopy(output).Make();
}

std::vector<std::string> TCustomTranscoder::CommitOutputs(bool stopped, std::string& warning) {
  std::vector<std::string> names;
  for (TOpenedOutput& output : Files.Outputs) {
    if (!output.Part || output.Part->Committed()) {
      names.push_back(output.FileName);
      continue;
    }
    if (stopped && output.NameIfTaken) continue;
    AVIOContext* pb = output.Context ? output.Context->pb : nullptr;
    if (pb) {
      api().avio_flush(pb);
      if (pb->error < 0) throw EEngineError(FileErrorText(output.FileName, pb->error));
    }
    struct stat st {};
    if (::fstat(output.Part->Descriptor(), &st) != 0)
      throw EEngineError(FileErrorText(output.FileName, AVERROR(errno)));
    if (st.st_size == 0) continue;
    if (!stopped && TFastStartCopy::Wanted(output)) {
      try {
        std::unique_ptr<TPartFile> copy = MakeFastStartCopy(output);
        output.Replaced = std::move(output.Part);
        output.Part = std::move(copy);
      } catch (const std::exception& e) {
        const std::string text = output.FileName +
                                 ": could not be rewritten to play while it loads (" + e.what() +
                                 "); it is complete and plays once loaded";
        TEngineLogger::GetLogger().Log(this, TLogLevel::llWarning, text);
        warning += (warning.empty() ? "" : "\n") + text;
      }
    }
    output.FileName = output.Part->Commit(output.FileName, output.NameIfTaken);
    names.push_back(output.FileName);
  }
  return names;
}

void TCustomTranscoder::ReleaseFiles(bool removeOutputs) {
  std::vector<std::string> written;
  for (TOpenedOutput& output : Files.Outputs)
    if (!output.Part && !(output.Context->oformat->flags & AVFMT_NOFILE))
      written.push_back(output.FileName);
  Files = TTaskFiles();
  for (const std::string& name : written) {
    const std::filesystem::path path(std::filesystem::u8path(name));
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) continue;  // devices are never removed
    const auto size = std::filesystem::file_size(path, error);
    if (removeOutputs || (!error && size == 0)) std::filesystem::remove(path, error);
  }
}

void TCustomTranscoder::Transcode() {
  TTranscodeRun(*this).Run();
  if (!CommitAfterRun) return;
  // The run's last step: the outputs, complete, get their names.
  std::string warning = RunWarning();
  CommitOutputs(StopRequested, warning);
  SetRunWarning(warning);
}

}  // namespace qarvo
