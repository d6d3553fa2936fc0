#include "player/TStreamComponents.h"

#include <system_error>

#include "media/CodecLock.h"
#include "media/DisplayRotation.h"
#include "media/EngineLogger.h"
#include "player/TPlayerAudio.h"
#include "player/TPlayerState.h"
#include "player/TSubtitleThread.h"
#include "player/TVideoThread.h"

namespace qarvo {

namespace {

TEngineLogger& Log() { return TEngineLogger::GetLogger(); }

// The decoder of a stream with the player's settings; null (logged) when it cannot be opened.
TCodecContextPtr OpenDecoder(const TPlayerState& state, AVStream& stream) {
  const AVCodec* decoder = api().avcodec_find_decoder(stream.codecpar->codec_id);
  if (!decoder) {
    Log().Log(state.Host, TLogLevel::llError, "avcodec_open() failed.");
    return nullptr;
  }
  TCodecContextPtr codec(api().avcodec_alloc_context3(decoder));
  if (!codec) throw std::bad_alloc();
  if (api().avcodec_parameters_to_context(codec.get(), stream.codecpar) < 0) {
    Log().Log(state.Host, TLogLevel::llError, "avcodec_open() failed.");
    return nullptr;
  }
  codec->pkt_timebase = stream.time_base;
  codec->workaround_bugs = FF_BUG_AUTODETECT;
  codec->err_recognition = AV_EF_CRCCHECK;
  codec->error_concealment = FF_EC_GUESS_MVS | FF_EC_DEBLOCK;
  codec->debug = 0;
  codec->lowres = 0;
  codec->idct_algo = FF_IDCT_AUTO;
  codec->skip_frame = AVDISCARD_DEFAULT;
  codec->skip_idct = AVDISCARD_DEFAULT;
  codec->skip_loop_filter = AVDISCARD_DEFAULT;
  codec->thread_count = 1;
  int result;
  {
    TCodecLockGuard lock;
    result = api().avcodec_open2(codec.get(), decoder, nullptr);
  }
  if (result < 0) {
    Log().Log(state.Host, TLogLevel::llError, "avcodec_open() failed.");
    return nullptr;
  }
  return codec;
}

void CloseDecoder(TCodecContextPtr& codec) {
  if (!codec) return;
  TCodecLockGuard lock;
  codec.reset();
}

}  // namespace

bool TStreamComponents::Open(const std::shared_ptr<TPlayerState>& shared, int streamIndex) {
  TPlayerState& state = *shared;
  AVFormatContext* input = state.Input.get();
  if (streamIndex < 0 || streamIndex >= static_cast<int>(input->nb_streams)) return false;
  AVStream& stream = *input->streams[streamIndex];
  std::lock_guard<std::mutex> components(state.ComponentsMutex);
  TCodecContextPtr codec = OpenDecoder(state, stream);
  if (!codec) return false;
  switch (stream.codecpar->codec_type) {
    case AVMEDIA_TYPE_AUDIO: {
      auto audio = std::make_unique<TPlayerAudio>(state);
      if (!audio->Open(codec->sample_rate, codec->ch_layout.nb_channels)) {
        CloseDecoder(codec);
        return false;
      }
      stream.discard = AVDISCARD_DEFAULT;
      state.AudioCodec = std::move(codec);
      state.AudioStream = streamIndex;
      state.AudioSt = &stream;
      state.AudioStartTime = stream.start_time == AV_NOPTS_VALUE
                                 ? -1
                                 : api().av_rescale_q(stream.start_time, stream.time_base,
                                                      AVRational{1, AV_TIME_BASE});
      state.AudioQueue.Start();
      state.Audio = std::move(audio);
      state.Audio->Start();
      return true;
    }
    case AVMEDIA_TYPE_VIDEO:
      stream.discard = AVDISCARD_DEFAULT;
      state.VideoCodec = std::move(codec);
      state.VideoStream = streamIndex;
      state.VideoSt = &stream;
      {
        // The pictures are shown upright (TVideoThread).
        const int turn = DisplayRotation(stream);
        const bool sideways = turn == 90 || turn == 270;
        state.DecodedWidth = sideways ? state.VideoCodec->height : state.VideoCodec->width;
        state.DecodedHeight = sideways ? state.VideoCodec->width : state.VideoCodec->height;
      }
      state.VideoQueue.Start();
      state.VideoThread = std::thread(&TVideoThread::Run, shared);
      return true;
    case AVMEDIA_TYPE_SUBTITLE:
      stream.discard = AVDISCARD_DEFAULT;
      state.SubtitleCodec = std::move(codec);
      state.SubtitleStream = streamIndex;
      state.SubtitleSt = &stream;
      state.SubtitleQueue.Start();
      state.SubtitleThread = std::thread(&TSubtitleThread::Run, shared);
      return true;
    default:
      CloseDecoder(codec);
      return false;
  }
}

void TStreamComponents::CloseAll(TPlayerState& state, bool readerEnded) {
  std::lock_guard<std::mutex> components(state.ComponentsMutex);
  CloseAudio(state, readerEnded);
  CloseVideo(state, readerEnded);
  CloseSubtitle(state, readerEnded);
}

void TStreamComponents::ReleaseStream(TPlayerState& state, std::atomic<int>& index) {
  if (index < 0) return;
  state.Input->streams[index]->discard = AVDISCARD_ALL;
  index = -1;
}

void TStreamComponents::CloseVideo(TPlayerState& state, bool readerEnded) {
  if (readerEnded) ReleaseStream(state, state.VideoStream);
  if (!state.VideoCodec) return;
  state.VideoQueue.Abort();
  {
    std::lock_guard<std::mutex> lock(state.Pictures.Mutex);
    state.Pictures.Changed.notify_all();
  }
  if (state.VideoThread.joinable()) state.VideoThread.join();
  state.VideoQueue.Flush();
  CloseDecoder(state.VideoCodec);
  // VideoSt stays: the clocks still tell whether the file had video.
}

void TStreamComponents::CloseAudio(TPlayerState& state, bool readerEnded) {
  if (readerEnded) ReleaseStream(state, state.AudioStream);
  if (!state.AudioCodec) return;
  state.AudioQueue.Abort();
  if (state.Audio) state.Audio->Close();
  state.AudioQueue.Flush();
  CloseDecoder(state.AudioCodec);
}

void TStreamComponents::CloseSubtitle(TPlayerState& state, bool readerEnded) {
  if (readerEnded) ReleaseStream(state, state.SubtitleStream);
  if (!state.SubtitleCodec) return;
  state.SubtitleQueue.Abort();
  {
    std::lock_guard<std::mutex> lock(state.Subpictures.Mutex);
    state.Subpictures.StreamChanged = true;
    state.Subpictures.Changed.notify_all();
  }
  if (state.SubtitleThread.joinable()) state.SubtitleThread.join();
  state.SubtitleQueue.Flush();
  CloseDecoder(state.SubtitleCodec);
}

}  // namespace qarvo
