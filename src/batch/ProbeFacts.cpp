#include "batch/ProbeFacts.h"

#include "probe/TMediaProbe.h"

namespace qarvo {

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
