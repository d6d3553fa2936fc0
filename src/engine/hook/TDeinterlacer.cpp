#include "engine/hook/TDeinterlacer.h"

#include <string>

namespace qarvo {

namespace {

// The post-processing library's five-tap vertical deinterlacer: intra-picture, no delay.
constexpr const char* kFilter = "pp";
constexpr const char* kFilterArgs = "fd";

}  // namespace

void TDeinterlacer::Reset() {
  graph_.reset();
  source_ = nullptr;
  sink_ = nullptr;
  width_ = 0;
  height_ = 0;
  format_ = AV_PIX_FMT_NONE;
}

bool TDeinterlacer::Build(int width, int height, AVPixelFormat format) {
  Reset();
  const TLibraryApi& a = api();
  const AVFilter* deint = a.avfilter_get_by_name(kFilter);
  if (!deint) return false;
  TFilterGraphPtr graph(a.avfilter_graph_alloc());
  if (!graph) return false;
  graph->nb_threads = 1;
  const std::string sourceArgs = "video_size=" + std::to_string(width) + "x" +
                                 std::to_string(height) + ":pix_fmt=" + std::to_string(format) +
                                 ":time_base=1/1000000:pixel_aspect=1/1";
  AVFilterContext* source = nullptr;
  AVFilterContext* filter = nullptr;
  if (a.avfilter_graph_create_filter(&source, a.avfilter_get_by_name("buffer"), "in",
                                     sourceArgs.c_str(), nullptr, graph.get()) < 0 ||
      a.avfilter_graph_create_filter(&filter, deint, "deinterlace", kFilterArgs, nullptr,
                                     graph.get()) < 0)
    return false;
  // The sink takes only the picture's own format, so the result replaces the picture as is.
  AVFilterContext* sink =
      a.avfilter_graph_alloc_filter(graph.get(), a.avfilter_get_by_name("buffersink"), "out");
  if (!sink ||
      a.av_opt_set_bin(sink, "pix_fmts", reinterpret_cast<const uint8_t*>(&format), sizeof format,
                       AV_OPT_SEARCH_CHILDREN) < 0 ||
      a.avfilter_init_str(sink, nullptr) < 0 || a.avfilter_link(source, 0, filter, 0) < 0 ||
      a.avfilter_link(filter, 0, sink, 0) < 0 || a.avfilter_graph_config(graph.get(), nullptr) < 0)
    return false;
  graph_ = std::move(graph);
  source_ = source;
  sink_ = sink;
  width_ = width;
  height_ = height;
  format_ = format;
  return true;
}

bool TDeinterlacer::Run(const AVFrame& picture, AVFrame& out) {
  const TLibraryApi& a = api();
  a.av_frame_unref(&out);
  const auto format = static_cast<AVPixelFormat>(picture.format);
  if (!graph_ || picture.width != width_ || picture.height != height_ || format != format_)
    if (!Build(picture.width, picture.height, format)) return false;
  // The source takes its own reference; the caller's picture stays untouched.
  if (a.av_buffersrc_add_frame_flags(source_, const_cast<AVFrame*>(&picture),
                                     AV_BUFFERSRC_FLAG_KEEP_REF) < 0 ||
      a.av_buffersink_get_frame(sink_, &out) < 0) {
    Reset();
    return false;
  }
  a.av_frame_copy_props(&out, &picture);
  return true;
}

}  // namespace qarvo
