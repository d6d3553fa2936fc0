// Placeholder until the playback engine lands: every Open fails.
#include "player/TPlayerEngine.h"

#include "engine/TRGBPicture.h"

namespace qarvo {

struct TPlayerState {};

TPlayerEngine::TPlayerEngine(TPlayerHost& host, TVideoSurface* surface)
    : host_(host), surface_(surface) {}
TPlayerEngine::~TPlayerEngine() = default;

bool TPlayerEngine::Open(const std::string&, const std::string&, bool) {
  lastError_ = "playback is not available in this build.";
  return false;
}
std::string TPlayerEngine::LastError() const { return lastError_; }
void TPlayerEngine::RunEventLoop() {}
void TPlayerEngine::PostQuit() {}
void TPlayerEngine::Close() {}
bool TPlayerEngine::Closed() const { return true; }
void TPlayerEngine::TogglePause() {}
void TPlayerEngine::RequestSeek(int64_t, int64_t, int, bool) {}
bool TPlayerEngine::Paused() const { return false; }
bool TPlayerEngine::HasVideo() const { return false; }
bool TPlayerEngine::HasAudio() const { return false; }
bool TPlayerEngine::ImageSequence() const { return false; }
bool TPlayerEngine::Capture() const { return false; }
bool TPlayerEngine::EofReached() const { return false; }
bool TPlayerEngine::EndReported() const { return false; }
void TPlayerEngine::SetEndReported() {}
bool TPlayerEngine::InRead() const { return false; }
int64_t TPlayerEngine::StartTime() const { return 0; }
int64_t TPlayerEngine::Duration() const { return -1; }
int64_t TPlayerEngine::BitRate() const { return 0; }
int64_t TPlayerEngine::BytePosition() const { return -1; }
int TPlayerEngine::VideoWidth() const { return -1; }
int TPlayerEngine::VideoHeight() const { return -1; }
double TPlayerEngine::VideoClock() const { return 0; }
double TPlayerEngine::AudioClock() const { return 0; }
double TPlayerEngine::MasterClock() const { return 0; }
AVFormatContext* TPlayerEngine::FormatContext() const { return nullptr; }
bool TPlayerEngine::CurrentPicture(TRGBPicture&, double&) const { return false; }

}  // namespace qarvo
