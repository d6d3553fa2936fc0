// Converts decoded pictures to a 24-bit BGR bitmap and back, for the frame hooks, the previews
// and the player's snapshots.
//
// The scaler contexts, the bitmap and the intermediate buffer are kept between calls and only
// rebuilt or grown when the picture changes, so converting every picture of a run allocates
// nothing after the first. One object is used from one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/TBitmap.h"
#include "media/LibraryObjects.h"

namespace qarvo {

// A picture as the library describes it: up to four planes with their line sizes.
struct TPictureView {
  uint8_t* Data[4] = {nullptr, nullptr, nullptr, nullptr};
  int LineSize[4] = {0, 0, 0, 0};
  AVPixelFormat Format = AV_PIX_FMT_NONE;
  int Width = 0;
  int Height = 0;

  static TPictureView Of(const AVFrame& frame);
};

class TRGBPicture {
 public:
  static constexpr AVPixelFormat kDefaultRGBPixFmt = AV_PIX_FMT_BGR24;
  static constexpr int kDefaultBitmapBitsPerPixel = 24;

  TRGBPicture() = default;
  ~TRGBPicture() = default;
  TRGBPicture(const TRGBPicture&) = delete;
  TRGBPicture& operator=(const TRGBPicture&) = delete;

  // Fills the bitmap from the picture, converting it when its format or layout differs from
  // the bitmap's. False when no scaler context can be made for the picture.
  bool ToBitmap(const TPictureView& picture);
  bool ToBitmap(const AVFrame& frame) { return ToBitmap(TPictureView::Of(frame)); }

  // Writes the bitmap back into the picture last given to ToBitmap, or into another one of
  // the same size and format.
  // False when no scaler context can be made for the way back.
  bool FromBitmap(const TPictureView& picture);
  bool FromBitmap(AVFrame& frame) { return FromBitmap(TPictureView::Of(frame)); }
  // Whether FromBitmapRows can write parts of this picture: a 4:2:0 one the last ToBitmap
  // converted to BGR.
  bool CanWriteRows(const TPictureView& picture) const;
  // Rows [firstRow, endRow) of the bitmap into the same rows of the picture; firstRow even.
  bool FromBitmapRows(const TPictureView& picture, int firstRow, int endRow);
  bool FromBitmapRows(AVFrame& frame, int firstRow, int endRow) {
    return FromBitmapRows(TPictureView::Of(frame), firstRow, endRow);
  }

  // Frees the buffer, both contexts and the bitmap.
  void Reset();

  // Created by the first ToBitmap; null before.
  TBitmap* Bitmap() const { return bitmap_.get(); }
  // Whether the last ToBitmap went through the scaler (false: the picture was copied as is).
  bool Converted() const { return converted_; }
  AVPixelFormat RGBPixFmt() const { return rgbPixFmt_; }
  int BitmapBitsPerPixel() const { return bitmapBitsPerPixel_; }
  // Size of the intermediate buffer in bytes (0 while the bitmap takes the scaler's output).
  size_t BufferSize() const { return bufferSize_; }

 private:
  static bool NeedsConversion(const TPictureView& picture, int bitmapLineSize);
  // Where the scaler writes the BGR picture: straight into the bitmap when its lines suit the
  // scaler's vector code, otherwise into the buffer.
  bool PrepareTarget(int width, int height);
  bool ToBitmapFast(const TPictureView& picture);
  bool FromBitmapFast(const TPictureView& picture);
  void CopyBufferToBitmap();
  void CopyBitmapToBuffer();

  AVPixelFormat rgbPixFmt_ = kDefaultRGBPixFmt;
  int bitmapBitsPerPixel_ = kDefaultBitmapBitsPerPixel;
  std::unique_ptr<TBitmap> bitmap_;
  TAvMemoryPtr<uint8_t> buffer_;
  size_t bufferSize_ = 0;
  // The BGR picture the scaler reads and writes (the bitmap's memory or the buffer).
  uint8_t* rgbData_[4] = {nullptr, nullptr, nullptr, nullptr};
  int rgbLineSize_[4] = {0, 0, 0, 0};
  bool throughBuffer_ = false;
  bool converted_ = false;
  TSwsContextPtr toRGB_;
  TSwsContextPtr fromRGB_;
};

}  // namespace qarvo
