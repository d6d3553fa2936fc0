#include "media/TRGBPicture.h"

#include <libyuv/convert.h>
#include <libyuv/convert_argb.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace qarvo {

namespace {

// The scaler's vector code wants 16-byte aligned lines; other lines cost speed, not results.
constexpr int kScalerAlign = 16;
constexpr int kBufferAlign = 32;

bool Aligned(const void* p, int lineSize) {
  return reinterpret_cast<uintptr_t>(p) % kScalerAlign == 0 && lineSize % kScalerAlign == 0;
}

// Gets or updates a cached context; a failed update leaves none.
bool CachedContext(TSwsContextPtr& context, int width, int height, AVPixelFormat from,
                   AVPixelFormat to) {
  context.reset(api().sws_getCachedContext(context.release(), width, height, from, width, height,
                                           to, SWS_BICUBIC, nullptr, nullptr, nullptr));
  return context != nullptr;
}

// libyuv's conversion for a 4:2:0 picture in video or in full (JPEG) range; null for others.
template <typename TConversion>
TConversion ByRange(AVPixelFormat format, TConversion videoRange, TConversion fullRange) {
  return format == AV_PIX_FMT_YUV420P    ? videoRange
         : format == AV_PIX_FMT_YUVJ420P ? fullRange
                                         : nullptr;
}

// BGR to 4:2:0 in the picture's range; null for other formats.
auto BgrTo420(AVPixelFormat format) {
  return ByRange(format, &libyuv::RGB24ToI420, &libyuv::RGB24ToJ420);
}

}  // namespace

TPictureView TPictureView::Of(const AVFrame& frame) {
  TPictureView view;
  for (int i = 0; i < 4; ++i) {
    view.Data[i] = frame.data[i];
    view.LineSize[i] = frame.linesize[i];
  }
  view.Format = static_cast<AVPixelFormat>(frame.format);
  view.Width = frame.width;
  view.Height = frame.height;
  return view;
}

bool TRGBPicture::NeedsConversion(const TPictureView& picture, int bitmapLineSize) {
  return picture.Format != kDefaultRGBPixFmt || picture.Width % 2 != 0 || picture.Height % 2 != 0 ||
         picture.LineSize[0] != bitmapLineSize;
}

bool TRGBPicture::ToBitmap(const TPictureView& picture) {
  if (picture.Width <= 0 || picture.Height <= 0 || !picture.Data[0]) return false;
  if (!bitmap_) bitmap_ = std::make_unique<TBitmap>();
  bitmap_->SetSize(picture.Width, picture.Height);
  const int bitmapLineSize = bitmap_->Stride();

  converted_ = NeedsConversion(picture, bitmapLineSize);
  if (!converted_) {
    // Already the bitmap's layout: one block copy.
    std::memcpy(bitmap_->ScanLine(0), picture.Data[0],
                static_cast<size_t>(bitmapLineSize) * picture.Height);
    return true;
  }
  if (!PrepareTarget(picture.Width, picture.Height)) return false;
  if (ToBitmapFast(picture)) return true;
  if (!CachedContext(toRGB_, picture.Width, picture.Height, picture.Format, rgbPixFmt_))
    return false;
  api().sws_scale(toRGB_.get(), picture.Data, picture.LineSize, 0, picture.Height, rgbData_,
                  rgbLineSize_);
  if (throughBuffer_) CopyBufferToBitmap();
  return true;
}

bool TRGBPicture::FromBitmap(const TPictureView& picture) {
  if (!bitmap_ || bitmap_->Width() != picture.Width || bitmap_->Height() != picture.Height)
    return false;
  if (!converted_) {
    // The target may be another picture of the same size, with lines of its own length.
    for (int y = 0; y < picture.Height; ++y)
      std::memcpy(picture.Data[0] + static_cast<ptrdiff_t>(y) * picture.LineSize[0],
                  bitmap_->ScanLine(y), static_cast<size_t>(picture.Width) * 3);
    return true;
  }
  if (FromBitmapFast(picture)) return true;
  if (throughBuffer_) CopyBitmapToBuffer();
  if (!CachedContext(fromRGB_, picture.Width, picture.Height, rgbPixFmt_, picture.Format))
    return false;
  api().sws_scale(fromRGB_.get(), rgbData_, rgbLineSize_, 0, picture.Height, picture.Data,
                  picture.LineSize);
  return true;
}

// The scaler's path from BGR to 4:2:0 is plain C and costs as much as the effects of a whole
// picture; libyuv's vector code does it several times faster, within one level of it (BT.601
// as the scaler, video range, or full range for the JPEG-range format). libyuv's "RGB24" is
// the bitmap's blue, green, red byte order.
bool TRGBPicture::FromBitmapFast(const TPictureView& picture) {
  if (rgbPixFmt_ != AV_PIX_FMT_BGR24) return false;
  return FromBitmapRows(picture, 0, picture.Height);
}

bool TRGBPicture::CanWriteRows(const TPictureView& picture) const {
  return converted_ && rgbPixFmt_ == AV_PIX_FMT_BGR24 && bitmap_ &&
         bitmap_->Width() == picture.Width && bitmap_->Height() == picture.Height &&
         BgrTo420(picture.Format) != nullptr;
}

bool TRGBPicture::FromBitmapRows(const TPictureView& picture, int firstRow, int endRow) {
  const auto convert = BgrTo420(picture.Format);
  if (!convert || !bitmap_ || bitmap_->Width() != picture.Width ||
      bitmap_->Height() != picture.Height || firstRow % 2 != 0 || firstRow < 0 ||
      endRow > picture.Height || endRow <= firstRow)
    return false;
  const auto plane = [&](int i, int row) {
    return picture.Data[i] + static_cast<ptrdiff_t>(row) * picture.LineSize[i];
  };
  return convert(bitmap_->ScanLine(firstRow), bitmap_->Stride(), plane(0, firstRow),
                 picture.LineSize[0], plane(1, firstRow / 2), picture.LineSize[1],
                 plane(2, firstRow / 2), picture.LineSize[2], picture.Width,
                 endRow - firstRow) == 0;
}

// The same vector code the other way; the scaler's BGR output is slower and rounds coarser,
// and its error then comes back from the encoder as extra detail to code.
bool TRGBPicture::ToBitmapFast(const TPictureView& picture) {
  if (rgbPixFmt_ != AV_PIX_FMT_BGR24) return false;
  const auto convert = ByRange(picture.Format, &libyuv::I420ToRGB24, &libyuv::J420ToRGB24);
  if (!convert) return false;
  return convert(picture.Data[0], picture.LineSize[0], picture.Data[1], picture.LineSize[1],
                 picture.Data[2], picture.LineSize[2], bitmap_->ScanLine(0), bitmap_->Stride(),
                 picture.Width, picture.Height) == 0;
}

bool TRGBPicture::PrepareTarget(int width, int height) {
  std::fill(std::begin(rgbData_), std::end(rgbData_), nullptr);
  std::fill(std::begin(rgbLineSize_), std::end(rgbLineSize_), 0);
  uint8_t* bits = bitmap_->ScanLine(0);
  const int lineSize = bitmap_->Stride();
  throughBuffer_ = !Aligned(bits, lineSize);
  if (!throughBuffer_) {
    rgbData_[0] = bits;
    rgbLineSize_[0] = lineSize;
    return true;
  }
  const int needed = api().av_image_get_buffer_size(rgbPixFmt_, width, height, kBufferAlign);
  if (needed < 0) return false;
  if (static_cast<size_t>(needed) > bufferSize_) {
    buffer_.reset(static_cast<uint8_t*>(api().av_malloc(static_cast<size_t>(needed))));
    bufferSize_ = buffer_ ? static_cast<size_t>(needed) : 0;
    if (!buffer_) throw std::bad_alloc();
  }
  return api().av_image_fill_arrays(rgbData_, rgbLineSize_, buffer_.get(), rgbPixFmt_, width,
                                    height, kBufferAlign) >= 0;
}

void TRGBPicture::CopyBufferToBitmap() {
  const size_t bytes = static_cast<size_t>(bitmap_->Width()) * 3;
  for (int y = 0; y < bitmap_->Height(); ++y)
    std::memcpy(bitmap_->ScanLine(y), rgbData_[0] + static_cast<ptrdiff_t>(y) * rgbLineSize_[0],
                bytes);
}

void TRGBPicture::CopyBitmapToBuffer() {
  const size_t bytes = static_cast<size_t>(bitmap_->Width()) * 3;
  for (int y = 0; y < bitmap_->Height(); ++y)
    std::memcpy(rgbData_[0] + static_cast<ptrdiff_t>(y) * rgbLineSize_[0], bitmap_->ScanLine(y),
                bytes);
}

void TRGBPicture::Reset() {
  buffer_.reset();
  bufferSize_ = 0;
  std::fill(std::begin(rgbData_), std::end(rgbData_), nullptr);
  std::fill(std::begin(rgbLineSize_), std::end(rgbLineSize_), 0);
  toRGB_.reset();
  fromRGB_.reset();
  bitmap_.reset();
  converted_ = false;
  throughBuffer_ = false;
  rgbPixFmt_ = kDefaultRGBPixFmt;
  bitmapBitsPerPixel_ = kDefaultBitmapBitsPerPixel;
}

}  // namespace qarvo
