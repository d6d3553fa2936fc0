#include "media/TVideoFilterGraph.h"

#include "base/EngineError.h"
#include "base/StringFormat.h"
#include "media/ErrorText.h"

namespace qarvo {

namespace {

struct TGraphError {
  std::string Text;
};

void Check(int result, const char* step) {
  if (result < 0) throw TGraphError{std::string(step) + ": " + ErrorText(result)};
}

}  // namespace

TVideoFilterGraph::TVideoFilterGraph(const TGraphSpec& spec) : spec_(spec) {
  try {
    Build();
  } catch (const TGraphError& e) {
    throw EEngineError(e.Text.empty() ? "Error opening filters!"
                                      : "Error opening filters: " + e.Text);
  }
}

AVFilterContext* TVideoFilterGraph::Add(const char* filter, const char* name,
                                        const std::string& args) {
  AVFilterContext* context = nullptr;
  Check(api().avfilter_graph_create_filter(&context, api().avfilter_get_by_name(filter), name,
                                           args.empty() ? nullptr : args.c_str(), nullptr,
                                           graph_.get()),
        filter);
  return context;
}

void TVideoFilterGraph::Build() {
  graph_.reset(api().avfilter_graph_alloc());
  if (!graph_) throw std::bad_alloc();
  graph_->nb_threads = 1;
  const AVRational sar = spec_.SampleAspect.num > 0 ? spec_.SampleAspect : AVRational{1, 1};
  source_ = Add("buffer", "src",
                Format("video_size=%dx%d:pix_fmt=%d:time_base=1/1000000:pixel_aspect=%d/%d",
                       spec_.Width, spec_.Height, spec_.PixFmt, sar.num, sar.den));
  sink_ = api().avfilter_graph_alloc_filter(graph_.get(), api().avfilter_get_by_name("buffersink"),
                                            "out");
  if (!sink_) throw std::bad_alloc();
  const AVPixelFormat formats[] = {spec_.OutPixFmt, AV_PIX_FMT_NONE};
  Check(api().av_opt_set_bin(sink_, "pix_fmts", reinterpret_cast<const uint8_t*>(formats),
                             sizeof(AVPixelFormat), AV_OPT_SEARCH_CHILDREN),
        "buffersink");
  Check(api().avfilter_init_str(sink_, nullptr), "buffersink");

  AVFilterContext* last = Turn(source_);
  const bool sideways = spec_.Rotation == 90 || spec_.Rotation == 270;
  const int uprightWidth = sideways ? spec_.Height : spec_.Width;
  const int uprightHeight = sideways ? spec_.Width : spec_.Height;
  const int croppedWidth = uprightWidth - spec_.Left - spec_.Right;
  const int croppedHeight = uprightHeight - spec_.Top - spec_.Bottom;
  if (spec_.Top || spec_.Bottom || spec_.Left || spec_.Right) {
    AVFilterContext* crop =
        Add("crop", "crop",
            Format("x=%d:y=%d:w=%d:h=%d", spec_.Left, spec_.Top, croppedWidth, croppedHeight));
    Check(api().avfilter_link(last, 0, crop, 0), "crop");
    last = crop;
  }
  if (spec_.OutWidth > 0 && spec_.OutHeight > 0 &&
      (croppedWidth != spec_.OutWidth || croppedHeight != spec_.OutHeight)) {
    AVFilterContext* scale =
        Add("scale", "scale", Format("w=%d:h=%d", spec_.OutWidth, spec_.OutHeight));
    Check(api().avfilter_link(last, 0, scale, 0), "scale");
    last = scale;
  }
  graph_->scale_sws_opts = api().av_strdup(Format("flags=0x%X", spec_.SwsFlags).c_str());
  if (!spec_.Filters.empty()) {
    TFilterInOutPtr outputs(api().avfilter_inout_alloc());
    TFilterInOutPtr inputs(api().avfilter_inout_alloc());
    if (!outputs || !inputs) throw std::bad_alloc();
    outputs->name = api().av_strdup("in");
    outputs->filter_ctx = last;
    inputs->name = api().av_strdup("out");
    inputs->filter_ctx = sink_;
    AVFilterInOut* in = inputs.release();
    AVFilterInOut* out = outputs.release();
    const int result =
        api().avfilter_graph_parse_ptr(graph_.get(), spec_.Filters.c_str(), &in, &out, nullptr);
    api().avfilter_inout_free(&in);
    api().avfilter_inout_free(&out);
    Check(result, spec_.Filters.c_str());
  } else {
    Check(api().avfilter_link(last, 0, sink_, 0), "link");
  }
  Check(api().avfilter_graph_config(graph_.get(), nullptr), "configure");
}

// Pictures are stored turned; everything after this sees them upright.
AVFilterContext* TVideoFilterGraph::Turn(AVFilterContext* last) {
  const char* steps[2] = {nullptr, nullptr};
  if (spec_.Rotation == 90) steps[0] = "transpose=dir=clock";
  if (spec_.Rotation == 270) steps[0] = "transpose=dir=cclock";
  if (spec_.Rotation == 180) steps[0] = "hflip", steps[1] = "vflip";
  for (const char* step : steps) {
    if (!step) break;
    const std::string text(step);
    const auto equals = text.find('=');
    const std::string filter = text.substr(0, equals);
    AVFilterContext* turn = Add(filter.c_str(), filter.c_str(),
                                equals == std::string::npos ? "" : text.substr(equals + 1));
    Check(api().avfilter_link(last, 0, turn, 0), filter.c_str());
    last = turn;
  }
  return last;
}

void TVideoFilterGraph::Push(AVFrame* frame) {
  const int result = api().av_buffersrc_add_frame_flags(source_, frame, AV_BUFFERSRC_FLAG_KEEP_REF);
  if (result < 0 && frame)
    throw EEngineError("Error while feeding the filter graph: " + ErrorText(result));
}

bool TVideoFilterGraph::Pull(AVFrame& out) {
  return api().av_buffersink_get_frame(sink_, &out) >= 0;
}

int TVideoFilterGraph::OutWidth() const { return api().av_buffersink_get_w(sink_); }
int TVideoFilterGraph::OutHeight() const { return api().av_buffersink_get_h(sink_); }

}  // namespace qarvo
