#include "probe/TMediaProbe.h"

namespace qarvo {

TMediaProbe::~TMediaProbe() { TMediaProbe::CloseFile(); }

void TMediaProbe::Refresh() {
  TCustomMediaProbe::Refresh();
  defaultStreamIndex_ =
      FirstVideoStreamIndex() >= 0 ? FirstVideoStreamIndex() : FirstAudioStreamIndex();
  startTime_ = 0;
  const AVFormatContext* container = Container();
  if (!container) return;
  if (defaultStreamIndex_ >= 0) {
    const int64_t start = container->streams[defaultStreamIndex_]->start_time;
    if (start != AV_NOPTS_VALUE) startTime_ = start;
  } else if (container->start_time != AV_NOPTS_VALUE) {
    startTime_ = container->start_time;
  }
}

void TMediaProbe::CloseFile() {
  TCustomMediaProbe::CloseFile();
  defaultStreamIndex_ = -1;
  startTime_ = 0;
}

}  // namespace qarvo
