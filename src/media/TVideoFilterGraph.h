// The filter graph of a video output stream: a "buffer" source fed with decoded pictures
// (timestamps in µs), the display turn, optional crop and scale, the user's filter text, and a
// buffersink that only offers the encoder's pixel format.
#pragma once

#include <string>

#include "media/LibraryObjects.h"

namespace qarvo {

struct TGraphSpec {
  int Width = 0, Height = 0;  // decoded
  AVPixelFormat PixFmt = AV_PIX_FMT_NONE;
  AVRational SampleAspect{0, 1};
  int Rotation = 0;  // clockwise display turn applied first: 0, 90, 180 or 270
  int Top = 0, Bottom = 0, Left = 0, Right = 0;  // crop bands
  int OutWidth = 0, OutHeight = 0;               // encoder size
  AVPixelFormat OutPixFmt = AV_PIX_FMT_NONE;     // encoder pixel format
  int SwsFlags = 4;
  std::string Filters;  // the user's filter text, may be empty
};

class TVideoFilterGraph {
 public:
  // Raises EEngineError "Error opening filters: <reason>" when the graph cannot be built.
  explicit TVideoFilterGraph(const TGraphSpec& spec);

  // Keeps its own reference to the picture; frame->pts in µs. Null marks the end.
  void Push(AVFrame* frame);
  // False when no picture is ready; the picture's pts is in µs.
  bool Pull(AVFrame& out);
  int OutWidth() const;
  int OutHeight() const;
  const TGraphSpec& Spec() const { return spec_; }

 private:
  void Build();
  AVFilterContext* Turn(AVFilterContext* last);
  AVFilterContext* Add(const char* filter, const char* name, const std::string& args);

  TGraphSpec spec_;
  TFilterGraphPtr graph_;
  AVFilterContext* source_ = nullptr;
  AVFilterContext* sink_ = nullptr;
};

}  // namespace qarvo
