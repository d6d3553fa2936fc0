#include "engine/run/TProgressReport.h"

#include <algorithm>
#include <cmath>

#include "base/StringFormat.h"
#include "media/EngineLogger.h"
#include "engine/paths/TPacketWriter.h"
#include "engine/paths/TRunState.h"
#include "engine/paths/TStreamEncoder.h"
#include "engine/task/TTaskContext.h"

namespace qarvo {

namespace {

double OutputTime(const TOutputStreamState& ost) {
  if (ost.EncodingNeeded && ost.Encoder->codec_type != AVMEDIA_TYPE_SUBTITLE)
    return ost.SyncOpts * av_q2d(ost.Encoder->time_base);
  return ost.Writer ? ost.Writer->OutputTime() : 0.0;
}

double Decibels(double ratio) { return -10.0 * std::log10(std::max(ratio, 1e-20)); }

// "PSNR=Y:.. U:.. V:.. *:.. " of the last picture, or over all pictures in the last report.
std::string Psnr(const TOutputStreamState& ost, bool all) {
  const double pixels = ost.Encoder->width * ost.Encoder->height * 255.0 * 255.0;
  const double frames = all ? std::max(ost.FrameNumber, 1) : 1;
  const uint64_t* errors = all ? ost.ErrorSum : ost.LastError;
  std::string text = "PSNR=";
  double total = 0;
  for (int i = 0; i < 3; ++i) {
    const double scale = i ? pixels / 4 : pixels;
    total += errors[i];
    text += Format("%c:%2.2f ", "YUV"[i], Decibels(errors[i] / (scale * frames)));
  }
  return text + Format("*:%2.2f ", Decibels(total / (pixels * 1.5 * frames)));
}

}  // namespace

void TProgressReport::Report(TRunState& run, bool isLast, int fileIndex) {
  line_.clear();
  const TTaskOptions& o = run.Options;
  int64_t totalSize = 0;
  if (!run.Task.Files.Outputs.empty()) {
    AVIOContext* pb = run.Task.Files.Outputs[0].Context->pb;
    if (pb) {
      // What the disk holds lags behind by the write buffer, which is all of a small
      // output until its end: the position counts the bytes written so far.
      totalSize = std::max(api().avio_size(pb), api().avio_seek(pb, 0, SEEK_CUR));
      if (totalSize < 0) totalSize = 0;
    }
  }
  const double elapsed = (api().av_gettime_relative() - timerStart_) / 1000000.0;
  TProgressInfo info;
  info.FileIndex = fileIndex;
  std::string line;
  bool firstVideo = true;
  double time = 1e10;
  for (const TOutputStreamState& ost : run.OutputStreams) {
    const double q =
        ost.EncodingNeeded ? ost.LastQuality / static_cast<double>(FF_QP2LAMBDA) : -1.0;
    if (ost.Encoder->codec_type == AVMEDIA_TYPE_VIDEO) {
      if (firstVideo) {
        if (!TStreamEncoder::CountsAsWritten(ost)) return;
        const int fps =
            elapsed > 1.0 ? static_cast<int>(std::lround(ost.FrameNumber / elapsed)) : 0;
        line += Format("frame=%5d fps=%3d q=%3.1f ", ost.FrameNumber, fps, q);
        if (isLast) line += "L";
        if (o.QpHist) {
          const int bin = std::clamp(static_cast<int>(std::lrint(q)), 0, 51);
          ++histogram_[bin];
          for (int j = 0; j < 32; ++j)
            line += Format("%X", static_cast<int>(std::lrint(std::log2(histogram_[j] + 1))));
        }
        if (ost.EncodingNeeded && (ost.Encoder->flags & AV_CODEC_FLAG_PSNR))
          line += Psnr(ost, isLast);
        info.FrameCount = ost.FrameNumber;
        info.FPS = fps;
        info.Quality = static_cast<float>(q);
        firstVideo = false;
      } else {
        line += Format("q=%2.1f ", q);
      }
    }
    const double t = OutputTime(ost);
    if (t > 0 && t < time) time = t;
  }
  if (time >= 1e10) time = 0.0;
  if (time < 0.01) time = 0.01;
  const double bitrate = totalSize * 8 / time / 1000;
  line += Format("size=%8.0fkB time=%0.2f bitrate=%6.1fkbits/s", totalSize / 1024.0, time, bitrate);
  if (run.DupCount || run.DropCount) line += Format(" dup=%d drop=%d", run.DupCount, run.DropCount);
  line_ = line;
  TEngineLogger& log = TEngineLogger::GetLogger();
  // Without a handler the log is where the reports go, when verbose enough.
  const bool toLog = !run.Task.HasProgressHandler() && o.Verbose > 0;
  if ((run.DupDropChanged || isLast || toLog) && o.Verbose >= 0) {
    run.DupDropChanged = false;
    log.Log(&run.Task, TLogLevel::llVerbose, line);
  }
  info.BitRate = static_cast<float>(bitrate);
  info.CurrentSize = totalSize;
  info.CurrentDuration = static_cast<int64_t>(time * 1000000);
  info.TotalDuration = o.ExpectedTotalLength;
  run.Task.ReportProgress(info);
  if (isLast && o.Verbose >= 0) {
    const double sum = static_cast<double>(run.VideoBytes + run.AudioBytes + run.ExtraBytes);
    const double overhead = sum > 0 ? (totalSize - sum) * 100.0 / sum : 0.0;
    log.LogF(&run.Task, TLogLevel::llVerbose,
             "video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %f%%\r\n",
             run.VideoBytes / 1024.0, run.AudioBytes / 1024.0, run.ExtraBytes / 1024.0, overhead);
  }
}

}  // namespace qarvo
