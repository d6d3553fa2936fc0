#include "batch/ProbeFacts.h"

#include <algorithm>

#include "media/LibraryApi.h"
#include "probe/TMediaProbe.h"

namespace qarvo {
namespace {

// The Matroska writer takes the first sound stream as it is (also through a wave-format tag).
bool AudioCopyFits(TCustomMediaProbe& probe) {
  const AVFormatContext* container = probe.Container();
  const int index = probe.FirstAudioStreamIndex();
  if (!container || index < 0 || index >= static_cast<int>(container->nb_streams)) return true;
  const AVOutputFormat* matroska = api().av_guess_format("matroska", nullptr, nullptr);
  if (!matroska) return true;
  return api().avformat_query_codec(matroska, container->streams[index]->codecpar->codec_id,
                                    FF_COMPLIANCE_EXPERIMENTAL) == 1;
}

}  // namespace

TSourceFacts FactsOf(TCustomMediaProbe& probe) {
  TSourceFacts facts;
  facts.FileName = probe.FileName();
  facts.InputFormat = probe.InputFormat();
  facts.Duration = probe.FileStreamInfo().Duration;
  facts.VideoStreamCount = probe.VideoStreamCount();
  facts.AudioStreamCount = probe.AudioStreamCount();
  if (facts.VideoStreamCount > 0) {
    const TVideoStreamInfo video = probe.VideoStreamInfo(probe.FirstVideoStreamIndex());
    facts.Width = video.Width;
    facts.Height = video.Height;
    facts.BitRate = video.BitRate;
    facts.SampleAspectNum = video.SampleAspectNum;
    facts.SampleAspectDen = video.SampleAspectDen;
    facts.Rotation = video.Rotation;
    if (video.FrameRateNum > 0 && video.FrameRateDen > 0)
      facts.FrameRate = static_cast<double>(video.FrameRateNum) / video.FrameRateDen;
  }
  if (probe.FirstAudioStreamIndex() >= 0) {
    const TAudioStreamInfo audio = probe.AudioStreamInfo(probe.FirstAudioStreamIndex());
    facts.AudioChannels = std::max(0, audio.Channels);
    facts.AudioCodec = audio.CodecName;
    facts.AudioCopyFits = AudioCopyFits(probe);
  }
  return facts;
}

std::optional<TSourceFacts> ProbeSource(const std::string& fileName, std::string& error) {
  TMediaProbe probe;
  if (!probe.LoadFile(fileName)) {
    error = probe.LastErrMsg();
    return std::nullopt;
  }
  TSourceFacts facts = FactsOf(probe);
  probe.CloseFile();
  return facts;
}

}  // namespace qarvo
