#include "engine/paths/TVideoOutput.h"

#include <cmath>

#include "base/EngineError.h"
#include "base/StringFormat.h"
#include "media/DisplayRotation.h"
#include "media/EngineLogger.h"
#include "media/ErrorText.h"
#include "media/TVideoFilterGraph.h"
#include "engine/paths/TRunState.h"
#include "engine/paths/TStreamEncoder.h"
#include "engine/task/TTaskContext.h"

namespace qarvo {

namespace {

const char* PixFmtName(int format) {
  const char* name = api().av_get_pix_fmt_name(static_cast<AVPixelFormat>(format));
  return name ? name : "none";
}

}  // namespace

TVideoOutput::TVideoOutput(TRunState& run, TOutputStreamState& ost, const TInputStreamState& ist)
    : encoder_(ost.Encoder),
      filtered_(MakeFrame()),
      encoded_(MakeFrame()),
      sending_(MakeFrame()),
      last_(MakeFrame()),
      jumped_(MakeFrame()) {
  const TTaskOptions& o = run.Options;
  const AVCodecContext* dec = ist.Decoder;
  if (encoder_->pix_fmt == AV_PIX_FMT_NONE)
    throw EEngineError("Video pixel format is unknown, stream cannot be encoded");
  crop_ = o.CropTop || o.CropBottom || o.CropLeft || o.CropRight;
  top_ = baseTop_ = o.CropTop;
  bottom_ = baseBottom_ = o.CropBottom;
  left_ = baseLeft_ = o.CropLeft;
  right_ = baseRight_ = o.CropRight;
  // The loop hands over pictures already turned upright.
  const int rotation = DisplayRotation(*ist.Stream);
  const bool sideways = rotation == 90 || rotation == 270;
  decodedWidth_ = baseWidth_ = sideways ? dec->height : dec->width;
  decodedHeight_ = baseHeight_ = sideways ? dec->width : dec->height;
  decodedPixFmt_ = dec->pix_fmt;
  if (encoder_->width <= 0 || encoder_->height <= 0) {
    encoder_->width = decodedWidth_ - left_ - right_;
    encoder_->height = decodedHeight_ - top_ - bottom_;
  }
  resampleWidth_ = decodedWidth_ - left_ - right_;
  resampleHeight_ = decodedHeight_ - top_ - bottom_;
  resamplePixFmt_ = dec->pix_fmt;
  // A picture brought down to another format no longer has the source's sample depth.
  if (dec->pix_fmt != encoder_->pix_fmt) encoder_->bits_per_raw_sample = 0;
  if (!o.VideoFilters.empty()) {
    BuildGraph(run, nullptr);
    return;
  }
  resample_ = resampleWidth_ != encoder_->width || resampleHeight_ != encoder_->height ||
              dec->pix_fmt != encoder_->pix_fmt;
  if (resample_) {
    Rebuild(run, *filtered_);
    encoder_->bits_per_raw_sample = 0;
  }
}

TVideoOutput::~TVideoOutput() = default;

void TVideoOutput::BuildGraph(TRunState& run, const AVFrame* picture) {
  TGraphSpec spec;
  spec.Width = picture ? picture->width : decodedWidth_;
  spec.Height = picture ? picture->height : decodedHeight_;
  spec.PixFmt = static_cast<AVPixelFormat>(picture ? picture->format : decodedPixFmt_);
  spec.SampleAspect = picture ? picture->sample_aspect_ratio : AVRational{0, 1};
  spec.Top = top_;
  spec.Bottom = bottom_;
  spec.Left = left_;
  spec.Right = right_;
  spec.OutWidth = encoder_->width;
  spec.OutHeight = encoder_->height;
  spec.OutPixFmt = encoder_->pix_fmt;
  spec.SwsFlags = run.Options.SwsFlags;
  spec.Filters = run.Options.VideoFilters;
  graph_ = std::make_unique<TVideoFilterGraph>(spec);
  if (!picture) {
    // The user's filters decide the size the encoder gets.
    encoder_->width = graph_->OutWidth();
    encoder_->height = graph_->OutHeight();
  }
}

// The scaler from the cropped decoded size to the encoder's.
void TVideoOutput::Rebuild(TRunState& run, const AVFrame&) {
  if (!temp_) {
    temp_ = MakeFrame();
    temp_->format = encoder_->pix_fmt;
    temp_->width = encoder_->width;
    temp_->height = encoder_->height;
    if (api().av_frame_get_buffer(temp_.get(), 0) < 0)
      throw EEngineError("Cannot allocate temp picture, check pix fmt");
  }
  scaler_.reset(api().sws_getContext(
      resampleWidth_, resampleHeight_, static_cast<AVPixelFormat>(resamplePixFmt_), encoder_->width,
      encoder_->height, encoder_->pix_fmt, run.Options.SwsFlags, nullptr, nullptr, nullptr));
  if (!scaler_) throw EEngineError("Cannot get resampling context");
}

void TVideoOutput::Process(TRunState& run, TOutputStreamState& ost, TInputStreamState& ist,
                           AVFrame& picture) {
  const bool changed = picture.width != decodedWidth_ || picture.height != decodedHeight_ ||
                       picture.format != decodedPixFmt_;
  if (changed) {
    TEngineLogger::GetLogger().LogF(
        &run.Task, TLogLevel::llQuiet, "Input Stream #%d.%d frame size changed to %dx%d, %s",
        ist.FileIndex, ist.StreamIndex, picture.width, picture.height, PixFmtName(picture.format));
    // The bands keep their share of the picture.
    if (baseWidth_ > 0 && baseHeight_ > 0) {
      top_ = (picture.height * baseTop_ / baseHeight_) & ~1;
      bottom_ = (picture.height * baseBottom_ / baseHeight_) & ~1;
      left_ = (picture.width * baseLeft_ / baseWidth_) & ~1;
      right_ = (picture.width * baseRight_ / baseWidth_) & ~1;
    }
    decodedWidth_ = picture.width;
    decodedHeight_ = picture.height;
    decodedPixFmt_ = picture.format;
    if (graph_) {
      Flush(run, ost, ist);
      BuildGraph(run, &picture);
    } else {
      resampleWidth_ = picture.width - left_ - right_;
      resampleHeight_ = picture.height - top_ - bottom_;
      resamplePixFmt_ = picture.format;
      resample_ = true;  // the encoder keeps its size: every later picture is scaled
      Rebuild(run, picture);
    }
  }
  if (!graph_) {
    Emit(run, ost, ist, picture, ist.Pts);
    return;
  }
  picture.pts = ist.Pts;
  graph_->Push(&picture);
  while (graph_->Pull(*filtered_)) {
    // The shape the task asked for holds: scaling a picture of other pixels leaves a frame
    // whose pixels are nearly, not exactly, what was asked.
    if (filtered_->sample_aspect_ratio.num && !encoder_->sample_aspect_ratio.num)
      encoder_->sample_aspect_ratio = filtered_->sample_aspect_ratio;
    Emit(run, ost, ist, *filtered_, filtered_->pts);
    api().av_frame_unref(filtered_.get());
  }
}

void TVideoOutput::Flush(TRunState& run, TOutputStreamState& ost, TInputStreamState& ist) {
  if (graph_) {
    graph_->Push(nullptr);
    while (graph_->Pull(*filtered_)) {
      Emit(run, ost, ist, *filtered_, filtered_->pts);
      api().av_frame_unref(filtered_.get());
    }
  }
  SettleJump(run, ost, ist, AV_NOPTS_VALUE);
  HoldLastPicture(run, ost, ist);
}

// A decoder gives its pictures in display order, so a picture earlier than the one before
// it shows that one's timestamp was stray; without a next picture the content's stated length
// decides. A stray picture is sent once: stretched over the gap it would freeze the picture,
// and at the end lengthen the output, for as long as the timestamp was off.
void TVideoOutput::SettleJump(TRunState& run, TOutputStreamState& ost, const TInputStreamState& ist,
                              int64_t nextUs) {
  if (!jumped_->buf[0]) return;
  const TTaskOptions& o = run.Options;
  bool real;
  if (nextUs != AV_NOPTS_VALUE)
    real = nextUs >= jumpedUs_;
  else
    real = o.ExpectedTotalLength <= 0 || jumpedUs_ - o.StartTime <= o.ExpectedTotalLength;
  int copies = jumpedCopies_;
  if (!real) {
    run.DupCount -= copies - 1;
    copies = 1;
    strayEnd_ = nextUs == AV_NOPTS_VALUE;
    TEngineLogger::GetLogger().LogF(&run.Task, TLogLevel::llVerbose,
                                    "picture timestamp %0.3f s out of line, not held",
                                    jumpedUs_ / 1000000.0);
  }
  TFramePtr picture = MakeFrame();
  api().av_frame_move_ref(picture.get(), jumped_.get());
  Send(run, ost, ist, *picture, *picture, copies);
}

// The last picture lasts until the source's end, as every earlier one lasted until the next:
// without this a rate change would cut the output short by up to one source picture.
void TVideoOutput::HoldLastPicture(TRunState& run, TOutputStreamState& ost,
                                   const TInputStreamState& ist) {
  const TTaskOptions& o = run.Options;
  const bool variable = o.VideoSyncMethod == 2 ||
                        (o.VideoSyncMethod < 0 && (ost.Muxer->oformat->flags & AVFMT_VARIABLE_FPS));
  AVFrame* last = lastIsTemp_ ? temp_.get() : last_.get();
  if (!last->buf[0] || o.VideoSyncMethod == 0 || variable || ist.NextPts == AV_NOPTS_VALUE ||
      strayEnd_)
    return;
  int64_t end = ist.NextPts;
  if (o.RecordingTime != INT64_MAX) end = std::min(end, o.StartTime + o.RecordingTime);
  const double endIpts = (end - o.StartTime) / 1000000.0 / av_q2d(encoder_->time_base);
  int64_t frames = std::llrint(endIpts - ost.SyncOpts);
  frames = std::min(frames, run.FillLimit(encoder_->time_base) - ost.SyncOpts);
  frames = std::min<int64_t>(frames, static_cast<int64_t>(o.MaxFrames[kVideo]) - ost.FrameNumber);
  for (int64_t i = 0; i < frames && !run.Task.StopRequested; ++i) {
    run.Task.PauseGate.Wait();
    if (run.Task.StopRequested) break;
    SendPicture(run, ost, ist, *last, *last);
  }
}

int TVideoOutput::FrameCount(TRunState& run, TOutputStreamState& ost, int64_t timeUs,
                             int64_t endUs) {
  const TTaskOptions& o = run.Options;
  const double tb = av_q2d(encoder_->time_base);
  const double syncIpts = (timeUs - o.StartTime) / 1000000.0 / tb;
  int frames = 1;
  if (o.VideoSyncMethod) {
    const double vdelta = syncIpts - ost.SyncOpts;
    const bool variable =
        o.VideoSyncMethod == 2 ||
        (o.VideoSyncMethod < 0 && (ost.Muxer->oformat->flags & AVFMT_VARIABLE_FPS));
    // At a lower output rate a picture whose slot would open after it ended is dropped, so
    // the output does not run a slot past the source.
    if (!variable && vdelta >= -1.1 && endUs != AV_NOPTS_VALUE && ost.FrameNumber > 0 &&
        std::llrint((endUs - o.StartTime) / 1000000.0 / tb - ost.SyncOpts) <= 0)
      frames = 0;
    if (vdelta < -1.1 || frames == 0) {
      frames = 0;
    } else if (variable) {
      if (vdelta <= -0.6)
        frames = 0;
      else if (vdelta > 0.6)
        ost.SyncOpts = std::llrint(syncIpts);
    } else if (vdelta > 1.1) {
      // Copies fill a gap in the pictures, never a jump of the clock beyond the content.
      const int64_t room = std::max<int64_t>(run.FillLimit(encoder_->time_base) - ost.SyncOpts, 1);
      frames = static_cast<int>(std::min<int64_t>(std::llrint(std::min(vdelta, 1e15)), room));
    }
    if (frames == 0) {
      ++run.DropCount;
      run.DupDropChanged = true;
      if (o.Verbose > 2)
        TEngineLogger::GetLogger().Log(&run.Task, TLogLevel::llVerbose, "*** drop!");
    } else if (frames > 1) {
      run.DupCount += frames - 1;
      run.DupDropChanged = true;
      if (o.Verbose > 2)
        TEngineLogger::GetLogger().LogF(&run.Task, TLogLevel::llVerbose, "*** %d dup!", frames - 1);
    }
  } else {
    ost.SyncOpts = std::llrint(syncIpts);
  }
  const int64_t left = static_cast<int64_t>(o.MaxFrames[kVideo]) - ost.FrameNumber;
  return static_cast<int>(std::min<int64_t>(frames, std::max<int64_t>(left, 0)));
}

AVFrame* TVideoOutput::Scale(TRunState& run, TOutputStreamState&, const TInputStreamState&,
                             AVFrame& picture) {
  if (graph_ || (!resample_ && !crop_)) return &picture;
  const AVPixFmtDescriptor* desc =
      api().av_pix_fmt_desc_get(static_cast<AVPixelFormat>(picture.format));
  const uint8_t* planes[4] = {};
  for (int p = 0; p < 4 && picture.data[p]; ++p) {
    int step = 0;
    for (int c = 0; c < desc->nb_components; ++c)
      if (desc->comp[c].plane == p) step = std::max(step, desc->comp[c].step);
    const bool chroma = p == 1 || p == 2;
    const int vshift = chroma ? desc->log2_chroma_h : 0;
    const int hshift = chroma ? desc->log2_chroma_w : 0;
    planes[p] = picture.data[p] + (top_ >> vshift) * picture.linesize[p] + (left_ >> hshift) * step;
  }
  if (!resample_) {
    // Cropping only: the encoder reads the picture through the moved plane pointers.
    api().av_frame_unref(encoded_.get());
    CheckCall(api().av_frame_ref(encoded_.get(), &picture), "av_frame_ref()");
    for (int p = 0; p < 4; ++p) encoded_->data[p] = const_cast<uint8_t*>(planes[p]);
    encoded_->width = resampleWidth_;
    encoded_->height = resampleHeight_;
    return encoded_.get();
  }
  // The encoder may still hold the last scaled picture.
  if (api().av_frame_make_writable(temp_.get()) < 0) throw std::bad_alloc();
  api().sws_scale(scaler_.get(), planes, picture.linesize, 0, resampleHeight_, temp_->data,
                  temp_->linesize);
  api().av_frame_copy_props(temp_.get(), &picture);
  (void)run;
  return temp_.get();
}

void TVideoOutput::Emit(TRunState& run, TOutputStreamState& ost, TInputStreamState& ist,
                        AVFrame& picture, int64_t timeUs) {
  SettleJump(run, ost, ist, timeUs);
  const int64_t span =
      ist.NextPts != AV_NOPTS_VALUE && ist.NextPts > ist.Pts ? ist.NextPts - ist.Pts : 0;
  const int frames = FrameCount(run, ost, timeUs, span ? timeUs + span : AV_NOPTS_VALUE);
  if (frames <= 0) return;
  AVFrame* scaled = Scale(run, ost, ist, picture);
  // Gaps up to this long are filled at once; a longer one waits for the next picture.
  constexpr double kMostUnconfirmedGap = 0.1;  // seconds
  if ((frames - 1) * av_q2d(encoder_->time_base) > kMostUnconfirmedGap) {
    if (api().av_frame_ref(jumped_.get(), scaled) < 0) throw std::bad_alloc();
    jumpedCopies_ = frames;
    jumpedUs_ = timeUs;
    return;
  }
  Send(run, ost, ist, *scaled, picture, frames);
}

void TVideoOutput::Send(TRunState& run, TOutputStreamState& ost, const TInputStreamState& ist,
                        AVFrame& scaled, const AVFrame& picture, int copies) {
  for (int i = 0; i < copies; ++i) {
    if (i > 0) run.Task.PauseGate.Wait();
    if (run.Task.StopRequested) break;
    SendPicture(run, ost, ist, scaled, picture);
  }
  // A scaled picture stays in its buffer until the next one; any other is held by reference
  // (holding the scaled one would make every later scale copy its buffer first).
  api().av_frame_unref(last_.get());
  lastIsTemp_ = &scaled == temp_.get();
  if (!lastIsTemp_ && api().av_frame_ref(last_.get(), &scaled) < 0) throw std::bad_alloc();
}

void TVideoOutput::SendPicture(TRunState& run, TOutputStreamState& ost,
                               const TInputStreamState& ist, const AVFrame& scaled,
                               const AVFrame& picture) {
  const TTaskOptions& o = run.Options;
  AVFrame* frame = sending_.get();
  api().av_frame_unref(frame);
  if (api().av_frame_ref(frame, &scaled) < 0) throw std::bad_alloc();
  // Pictures go to the encoder at strictly increasing times, whatever the source did.
  if (ost.LastFramePts != AV_NOPTS_VALUE && ost.SyncOpts <= ost.LastFramePts)
    ost.SyncOpts = ost.LastFramePts + 1;
  frame->pts = ost.SyncOpts;
  frame->pict_type = AV_PICTURE_TYPE_NONE;
  frame->quality = o.SameQuality ? ist.Quality : encoder_->global_quality;
  if (encoder_->flags & (AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME))
    frame->top_field_first = o.TopFieldFirst == -1 ? picture.top_field_first : o.TopFieldFirst;
  if (run.Task.PreviewFlags()) run.Task.PreviewPicture(*frame, *encoder_);
  const int64_t bytes = TStreamEncoder::Encode(run, ost, frame);
  api().av_frame_unref(frame);
  ost.LastFramePts = ost.SyncOpts;
  if (!o.VstatsFileName.empty()) WriteStatistics(run, ost, bytes);
  ++ost.SyncOpts;
  ++ost.FrameNumber;
}

void TVideoOutput::WriteStatistics(TRunState& run, TOutputStreamState& ost, int64_t frameBytes) {
  if (!run.VstatsFile) {
    run.VstatsFile.reset(std::fopen(run.Options.VstatsFileName.c_str(), "w"));
    if (!run.VstatsFile) throw EEngineError("fopen fail: " + run.Options.VstatsFileName);
  }
  FILE* file = run.VstatsFile.get();
  const double tb = av_q2d(encoder_->time_base);
  std::fprintf(file, "frame= %5d q= %2.1f ", ost.FrameNumber + 1,
               ost.LastQuality / static_cast<double>(FF_QP2LAMBDA));
  if (encoder_->flags & AV_CODEC_FLAG_PSNR) {
    const double ratio = ost.LastError[0] / (encoder_->width * encoder_->height * 255.0 * 255.0);
    std::fprintf(file, "PSNR= %6.2f ", -10.0 * std::log10(std::max(ratio, 1e-20)));
  }
  std::fprintf(file, "f_size= %6d ", static_cast<int>(frameBytes));
  double time = ost.SyncOpts * tb;
  if (time < 0.01) time = 0.01;
  std::fprintf(file, "s_size= %8.0fkB time= %0.3f br= %7.1fkbits/s avg_br= %7.1fkbits/s ",
               run.VideoBytes / 1024.0, time, frameBytes * 8 / tb / 1000.0,
               run.VideoBytes * 8 / time / 1000.0);
  std::fprintf(file, "type= %c\n",
               api().av_get_picture_type_char(static_cast<AVPictureType>(ost.LastPictType)));
}

}  // namespace qarvo
