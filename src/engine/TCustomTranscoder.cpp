#include "engine/TCustomTranscoder.h"

#include "engine/EngineError.h"

namespace qarvo {
namespace {

[[noreturn]] void NotBuilt(const char* what) {
  throw EEngineError(std::string(what) + " is not built yet");
}

}  // namespace

TCustomTranscoder::TCustomTranscoder() = default;
TCustomTranscoder::~TCustomTranscoder() = default;

void TCustomTranscoder::DispatchOption(const std::string&, const std::string&) {
  NotBuilt("DispatchOption");
}
void TCustomTranscoder::ApplyOptionText(const std::string&, TOptionTextUse) {
  NotBuilt("ApplyOptionText");
}
bool TCustomTranscoder::GenericSet(const std::string&, const std::string&) {
  NotBuilt("GenericSet");
}
void TCustomTranscoder::ApplyTarget(const std::string&, const std::string&, const std::string&) {
  NotBuilt("ApplyTarget");
}
void TCustomTranscoder::ApplyPreset(const std::string&, const std::string&) {
  NotBuilt("ApplyPreset");
}

bool TCustomTranscoder::OpenInput(const std::string&) { NotBuilt("OpenInput"); }
int TCustomTranscoder::OpenOutput(const std::string&, bool) { NotBuilt("OpenOutput"); }
void TCustomTranscoder::NewVideoStream(int) { NotBuilt("NewVideoStream"); }
void TCustomTranscoder::NewAudioStream(int) { NotBuilt("NewAudioStream"); }
void TCustomTranscoder::NewSubtitleStream(int) { NotBuilt("NewSubtitleStream"); }
void TCustomTranscoder::ReleaseFiles(bool) { Files = TTaskFiles(); }

void TCustomTranscoder::Transcode() { NotBuilt("Transcode"); }

}  // namespace qarvo
