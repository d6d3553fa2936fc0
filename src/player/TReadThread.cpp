#include "player/TReadThread.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "base/MainThread.h"
#include "base/StringFormat.h"
#include "media/EngineLogger.h"
#include "media/OpenInputContainer.h"
#include "player/TPlayerHost.h"
#include "player/TPlayerState.h"
#include "player/TStreamComponents.h"

namespace qarvo {

namespace {

constexpr int64_t kMaxQueueBytes = 15728640;
constexpr int64_t kMinAudioQueueBytes = 327680;
constexpr int kMinPacketCount = 5;

TEngineLogger& Log() { return TEngineLogger::GetLogger(); }

bool FormatNamed(const AVInputFormat* format, std::initializer_list<const char*> names) {
  if (!format || !format->name) return false;
  for (const char* name : names)
    if (std::strcmp(format->name, name) == 0) return true;
  return false;
}

}  // namespace

TReadThread::TReadThread(std::shared_ptr<TPlayerState> state)
    : shared_(std::move(state)), state_(*shared_), packet_(MakePacket()) {}

namespace {

std::atomic<int>& Running() {
  static std::atomic<int> running{0};
  return running;
}

// Counts a read thread from its start until it has let go of everything, the state (and so
// the input) included.
class TRunningReader {
 public:
  TRunningReader() { ++Running(); }
  ~TRunningReader() { --Running(); }
  TRunningReader(const TRunningReader&) = delete;
  TRunningReader& operator=(const TRunningReader&) = delete;
};

}  // namespace

bool TReadThread::WaitAllEnded(std::chrono::milliseconds timeout) {
  return TMainThread::WaitPumping([] { return Running() == 0; }, timeout);
}

void TReadThread::Run(std::shared_ptr<TPlayerState> state) {
  const TRunningReader running;
  TReadThread reader(std::move(state));
  bool opened = false;
  try {
    opened = reader.Open();
    if (opened) reader.Loop();
  } catch (const std::exception& e) {
    if (reader.state_.Opened == 0) reader.state_.OpenError = e.what();
    Log().Log(reader.state_.Host, TLogLevel::llError, e.what());
  }
  reader.Finish(opened);
  // SDL keeps per-thread data (its error text) for threads it did not create.
  if (api().SDL_TLSCleanup) api().SDL_TLSCleanup();
}

int TReadThread::Interrupt(void* opaque) {
  return static_cast<const TPlayerState*>(opaque)->AbortRequest ? 1 : 0;
}

void TReadThread::Sleep(int milliseconds) const {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

bool TReadThread::OpenInput() {
  TInputOpenRequest request;
  request.FileName = state_.FileName;
  request.Interrupt = {&TReadThread::Interrupt, &state_};
  request.AcceptPipes = true;
  TDictionary parameters;
  if (!state_.ForcedFormat.empty()) {
    request.Format = api().av_find_input_format(state_.ForcedFormat.c_str());
    // Raw inputs learn their picture size and rate from the component.
    const TPlayerControls& controls = state_.Host->Controls();
    if (controls.FrameWidth > 0 && controls.FrameHeight > 0)
      parameters.Set(
          "video_size",
          Format("%dx%d", controls.FrameWidth.load(), controls.FrameHeight.load()).c_str());
    parameters.Set("framerate", "25");
  }
  request.Options = &parameters;
  TInputContainer opened = OpenInputContainer(request);
  state_.Unicode = std::move(opened.Unicode);
  if (!opened.Context) {
    state_.OpenError = opened.Error;
    return false;
  }
  state_.Input = std::move(opened.Context);
  AVFormatContext* raw = state_.Input.get();
  if (raw->pb) raw->pb->eof_reached = 0;
  state_.ImageSequence = FormatNamed(raw->iformat, {"image2"});
  state_.Capture = FormatNamed(raw->iformat, {"vfwcap", "vfwcapture", "video4linux2,v4l2"});
  state_.StartTime = raw->start_time;
  state_.Duration = raw->duration == AV_NOPTS_VALUE ? -1 : raw->duration;
  state_.BitRate = raw->bit_rate;
  return true;
}

void TReadThread::ChooseStreams(int chosen[3]) const {
  AVFormatContext* input = state_.Input.get();
  for (unsigned i = 0; i < input->nb_streams; ++i) input->streams[i]->discard = AVDISCARD_ALL;
  const TPlayerControls& controls = state_.Host->Controls();
  const bool noVideo = controls.DisableVideo || controls.DisableDisplay;
  chosen[0] = chosen[1] = chosen[2] = -1;
  // The library's choice favours the stream with the most frames seen while probing.
  if (!noVideo)
    chosen[0] = api().av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (!controls.DisableAudio)
    chosen[1] = api().av_find_best_stream(input, AVMEDIA_TYPE_AUDIO, -1, chosen[0], nullptr, 0);
  if (!noVideo)
    chosen[2] = api().av_find_best_stream(input, AVMEDIA_TYPE_SUBTITLE, -1,
                                          chosen[1] >= 0 ? chosen[1] : chosen[0], nullptr, 0);
}

bool TReadThread::Open() {
  if (!OpenInput()) return false;
  int chosen[3];
  ChooseStreams(chosen);
  if (chosen[1] >= 0) TStreamComponents::Open(shared_, chosen[1]);
  if (chosen[0] >= 0) TStreamComponents::Open(shared_, chosen[0]);
  if (chosen[2] >= 0) TStreamComponents::Open(shared_, chosen[2]);
  if (state_.AudioStream < 0 && state_.VideoStream < 0) {
    state_.OpenError = state_.FileName + ": could not open codecs, no stream to play.";
    return false;
  }
  state_.Opened = 1;
  return true;
}

bool TReadThread::QueuesFull() const {
  const int64_t total =
      state_.AudioQueue.Size() + state_.VideoQueue.Size() + state_.SubtitleQueue.Size();
  if (total > kMaxQueueBytes) return true;
  return (state_.AudioStream < 0 || state_.AudioQueue.Size() > kMinAudioQueueBytes) &&
         (state_.VideoStream < 0 || state_.VideoQueue.Count() > kMinPacketCount) &&
         (state_.SubtitleStream < 0 || state_.SubtitleQueue.Count() > kMinPacketCount);
}

void TReadThread::Seek() {
  AVFormatContext* input = state_.Input.get();
  TPlayerControls& controls = state_.Host->Controls();
  const int64_t target = state_.SeekPos, relative = state_.SeekRel;
  const int flags = state_.SeekFlags;
  const int64_t low = relative > 0 ? target - relative + 2 : INT64_MIN;
  const int64_t high = relative < 0 ? target - relative - 2 : INT64_MAX;
  int result = api().avformat_seek_file(input, -1, low, target, high, flags);
  if (result < 0) result = api().av_seek_frame(input, -1, target, flags);
  if (result < 0) result = api().av_seek_frame(input, -1, target, flags ^ AVSEEK_FLAG_BACKWARD);
  const bool hasVideo = state_.VideoStream >= 0;
  if (result < 0) {
    Log().LogF(state_.Host, TLogLevel::llError, "%s: error while seeking", state_.FileName.c_str());
    if (hasVideo) controls.PictureDecoded.Set();
  } else {
    // Marked before the flush packets go in: the video thread may take its flush packet at
    // once, and its FirstAfterSeek must not be cleared after that, or SkipQueued would never be
    // cleared and every new picture would be dropped as stale.
    if (hasVideo) {
      state_.FirstAfterSeek = false;
      controls.PictureDecoded.Reset();
    }
    state_.SkipQueued = true;
    for (TPacketQueue* queue : {&state_.AudioQueue, &state_.VideoQueue, &state_.SubtitleQueue}) {
      const bool open = (queue == &state_.AudioQueue && state_.AudioStream >= 0) ||
                        (queue == &state_.VideoQueue && hasVideo) ||
                        (queue == &state_.SubtitleQueue && state_.SubtitleStream >= 0);
      if (!open) continue;
      queue->Flush();
      queue->PutFlush();
    }
    // Some demuxers move their file position only at the next read: the end flag of the
    // byte stream must not make the new position look like the end.
    if (input->pb) input->pb->eof_reached = 0;
  }
  state_.ReadErrorReported = false;
  state_.EofReached = false;
  ended_ = false;
  state_.SeekRequest = false;
  controls.SeekDone.Set();
  if (!hasVideo) controls.Seeking = false;
}

void TReadThread::AtEnd() {
  // The end marker makes the video decoder give its last pictures; it is repeated so the
  // video thread can report the end once those are shown.
  if (state_.VideoStream >= 0 && state_.VideoQueue.Count() == 0) {
    state_.VideoQueue.PutEnd();
    state_.Host->Controls().PictureDecoded.Set();
  }
  Sleep(10);
  if (state_.AudioQueue.Count() == 0 && state_.VideoQueue.Count() == 0 &&
      state_.SubtitleQueue.Count() == 0)
    state_.EofReached = true;
}

void TReadThread::ReadError(int code) {
  if (state_.VideoStream >= 0) state_.Host->Controls().PictureDecoded.Set();
  if (!state_.ImageSequence && !state_.ReadErrorReported) {
    state_.ReadErrorReported = true;
    if (code == AVERROR_EOF)
      Log().LogF(state_.Host, TLogLevel::llInfo, "reach end of file: %s", state_.FileName.c_str());
    else
      Log().LogF(state_.Host, TLogLevel::llError, "error #%d while reading file: %s", code,
                 state_.FileName.c_str());
  }
  if (code == AVERROR_EOF) ended_ = true;
}

void TReadThread::Loop() {
  AVFormatContext* input = state_.Input.get();
  while (!state_.AbortRequest) {
    const bool paused = state_.Paused;
    if (paused != state_.LastPaused) {
      state_.LastPaused = paused;
      if (paused)
        state_.ReadPauseResult = api().av_read_pause(input);
      else
        api().av_read_play(input);
    }
    if (state_.SeekRequest) Seek();
    if (QueuesFull()) {
      Sleep(10);
      continue;
    }
    if (ended_ || (input->pb && api().avio_feof(input->pb))) {
      AtEnd();
      continue;
    }
    state_.InRead = true;
    const int result = api().av_read_frame(input, packet_.get());
    state_.InRead = false;
    if (state_.AbortRequest) break;
    if (result == AVERROR(EAGAIN)) {
      Sleep(10);
      continue;
    }
    if (result < 0) {
      ReadError(result);
      if (input->pb && input->pb->error) break;
      if (result != AVERROR_EOF) Sleep(100);
      continue;
    }
    if (packet_->pos >= 0) state_.ReadPos = packet_->pos;
    const int index = packet_->stream_index;
    if (index == state_.AudioStream)
      state_.AudioQueue.Put(*packet_);
    else if (index == state_.VideoStream)
      state_.VideoQueue.Put(*packet_);
    else if (index == state_.SubtitleStream)
      state_.SubtitleQueue.Put(*packet_);
    api().av_packet_unref(packet_.get());
  }
  while (!state_.AbortRequest) Sleep(100);
}

void TReadThread::Finish(bool opened) {
  if (!opened) {
    state_.Opened = -1;
    TStreamComponents::CloseAll(state_, true);
    state_.Input.reset();
    state_.Unicode.reset();
    state_.Opened = -2;
  } else if (state_.OpenAbandoned) {
    // The engine stopped waiting for this open: nobody else closes what it opened.
    TStreamComponents::CloseAll(state_, true);
  }
  // Otherwise the closer closes the components; the input goes with the state.
  state_.ReadDone = true;
}

}  // namespace qarvo
