#include "support/PicturePsnr.h"

#include <cmath>
#include <stdexcept>
#include <vector>

#include "media/CodecLock.h"
#include "media/LibraryObjects.h"

#include "support/TestMediaError.h"

namespace qarvo {
namespace {

using TPlanes = std::vector<uint8_t>;  // unpadded yuv420p

// Pictures as unpadded 8-bit 4:2:0 planes, converted exactly (point sampling, same size)
// when decoded in another format.
class TPlaneReader {
 public:
  TPlanes Read(const AVFrame& frame) {
    const auto format = static_cast<AVPixelFormat>(frame.format);
    const int w = frame.width, h = frame.height;
    TPlanes planes(static_cast<size_t>(
        CheckAv(api().av_image_get_buffer_size(AV_PIX_FMT_YUV420P, w, h, 1), "image size")));
    uint8_t* data[4] = {};
    int linesizes[4] = {};
    CheckAv(api().av_image_fill_arrays(data, linesizes, planes.data(), AV_PIX_FMT_YUV420P, w, h, 1),
            "av_image_fill_arrays(yuv420p)");
    if (format == AV_PIX_FMT_YUV420P) {
      api().av_image_copy(data, linesizes, const_cast<const uint8_t**>(frame.data), frame.linesize,
                          AV_PIX_FMT_YUV420P, w, h);
      return planes;
    }
    if (!convert_)
      convert_.reset(api().sws_getContext(w, h, format, w, h, AV_PIX_FMT_YUV420P,
                                          SWS_POINT | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
    if (!convert_) throw std::runtime_error("sws_getContext(to yuv420p): not supported");
    api().sws_scale(convert_.get(), frame.data, frame.linesize, 0, h, data, linesizes);
    return planes;
  }

 private:
  TSwsContextPtr convert_;
};

}  // namespace

void ForEachPicture(const std::string& path,
                    const std::function<void(AVFrame& picture, const AVStream& stream)>& take) {
  AVFormatContext* raw = nullptr;
  CheckAv(api().avformat_open_input(&raw, path.c_str(), nullptr, nullptr),
          "avformat_open_input(" + path + ")");
  TInputFormatContextPtr input(raw);
  TCodecContextPtr decoder;
  int index = -1;
  {
    TCodecLockGuard lock;
    CheckAv(api().avformat_find_stream_info(input.get(), nullptr), "avformat_find_stream_info");
    index = CheckAv(api().av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0),
                    "av_find_best_stream(video)");
    const AVStream* stream = input->streams[index];
    const AVCodec* codec = api().avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) throw std::runtime_error("no decoder for the video of " + path);
    decoder.reset(api().avcodec_alloc_context3(codec));
    if (!decoder) throw std::runtime_error("avcodec_alloc_context3: out of memory");
    CheckAv(api().avcodec_parameters_to_context(decoder.get(), stream->codecpar),
            "avcodec_parameters_to_context");
    decoder->pkt_timebase = stream->time_base;
    decoder->thread_count = 0;  // the cores a conversion's decoder uses too
    CheckAv(api().avcodec_open2(decoder.get(), codec, nullptr), "avcodec_open2(decoder)");
  }
  const AVStream& stream = *input->streams[index];
  TPacketPtr packet = MakePacket();
  TFramePtr frame = MakeFrame();
  const auto drain = [&] {
    int result = 0;
    while ((result = api().avcodec_receive_frame(decoder.get(), frame.get())) >= 0) {
      take(*frame, stream);
      api().av_frame_unref(frame.get());
    }
    if (result != AVERROR(EAGAIN) && result != AVERROR_EOF)
      CheckAv(result, "avcodec_receive_frame");
  };
  int result = 0;
  while ((result = api().av_read_frame(input.get(), packet.get())) >= 0) {
    if (packet->stream_index == index) {
      CheckAv(api().avcodec_send_packet(decoder.get(), packet.get()), "avcodec_send_packet");
      drain();
    }
    api().av_packet_unref(packet.get());
  }
  if (result != AVERROR_EOF) CheckAv(result, "av_read_frame");
  CheckAv(api().avcodec_send_packet(decoder.get(), nullptr), "avcodec_send_packet(end)");
  drain();
}

double PicturePsnr(const std::string& reference, const std::string& distorted) {
  std::vector<TPlanes> pictures;
  int width = 0, height = 0;
  TPlaneReader referenceReader;
  ForEachPicture(reference, [&](AVFrame& frame, const AVStream&) {
    width = frame.width;
    height = frame.height;
    pictures.push_back(referenceReader.Read(frame));
  });
  double squares = 0.0;
  size_t samples = 0, count = 0;
  TPlaneReader distortedReader;
  ForEachPicture(distorted, [&](AVFrame& frame, const AVStream&) {
    if (frame.width != width || frame.height != height)
      throw std::runtime_error("the pictures differ in size");
    if (count >= pictures.size()) throw std::runtime_error("more pictures than the reference");
    const TPlanes planes = distortedReader.Read(frame);
    const TPlanes& original = pictures[count++];
    for (size_t i = 0; i < planes.size(); ++i) {
      const double d = static_cast<double>(planes[i]) - original[i];
      squares += d * d;
    }
    samples += planes.size();
  });
  if (count != pictures.size())
    throw std::runtime_error(std::to_string(count) + " pictures against " +
                             std::to_string(pictures.size()) + " in the reference");
  if (samples == 0) throw std::runtime_error("no pictures");
  if (squares == 0.0) return 100.0;
  return 10.0 * std::log10(255.0 * 255.0 * static_cast<double>(samples) / squares);
}

}  // namespace qarvo
