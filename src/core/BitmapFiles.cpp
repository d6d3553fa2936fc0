#include "core/BitmapFiles.h"

#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <fstream>

namespace qarvo {
namespace {

void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// libjpeg reports a fatal error through error_exit, which must not return: it jumps back
// into Compress(), whose frame holds nothing with a destructor.
struct TJpegErrorManager {
  jpeg_error_mgr Manager;
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX] = {};
};

void JpegErrorExit(j_common_ptr info) {
  auto* error = reinterpret_cast<TJpegErrorManager*>(info->err);
  (*info->err->format_message)(info, error->Message);
  std::longjmp(error->Jump, 1);
}

// Owns the compressor and the memory libjpeg writes the file into.
class TJpegCompression {
 public:
  TJpegCompression() {
    info_.err = jpeg_std_error(&error_.Manager);
    error_.Manager.error_exit = JpegErrorExit;
  }
  ~TJpegCompression() {
    if (created_) jpeg_destroy_compress(&info_);
    std::free(buffer_);  // allocated by libjpeg's memory destination
  }
  TJpegCompression(const TJpegCompression&) = delete;
  TJpegCompression& operator=(const TJpegCompression&) = delete;

  // False with Error() when libjpeg gave up.
  bool Compress(const TBitmap& bitmap, int quality) {
    if (setjmp(error_.Jump)) return false;
    jpeg_create_compress(&info_);
    created_ = true;
    jpeg_mem_dest(&info_, &buffer_, &size_);
    info_.image_width = static_cast<JDIMENSION>(bitmap.Width());
    info_.image_height = static_cast<JDIMENSION>(bitmap.Height());
    info_.input_components = 3;
    info_.in_color_space = JCS_EXT_BGR;  // the bitmap's own byte order, rows top-down
    jpeg_set_defaults(&info_);
    jpeg_set_quality(&info_, quality, TRUE);
    jpeg_start_compress(&info_, TRUE);
    while (info_.next_scanline < info_.image_height) {
      JSAMPROW row = const_cast<JSAMPROW>(bitmap.ScanLine(static_cast<int>(info_.next_scanline)));
      jpeg_write_scanlines(&info_, &row, 1);
    }
    jpeg_finish_compress(&info_);
    return true;
  }

  std::vector<uint8_t> Bytes() const { return {buffer_, buffer_ + size_}; }
  std::string Error() const { return error_.Message; }

 private:
  TJpegErrorManager error_;
  jpeg_compress_struct info_{};
  bool created_ = false;
  unsigned char* buffer_ = nullptr;
  unsigned long size_ = 0;
};

void CheckPicture(const TBitmap& bitmap, const char* kind) {
  if (bitmap.Width() <= 0 || bitmap.Height() <= 0)
    throw EPictureFileError(std::string("Cannot write an empty picture as ") + kind);
}

void WriteFile(const std::vector<uint8_t>& bytes, const std::string& fileName) {
  std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw EPictureFileError("Unable to write to " + fileName);
}

}  // namespace

std::vector<uint8_t> EncodeBmp(const TBitmap& bitmap) {
  CheckPicture(bitmap, "BMP");
  constexpr uint32_t kHeaders = 14 + 40;
  const uint32_t stride = static_cast<uint32_t>(TBitmap::StrideFor(bitmap.Width()));
  const uint32_t pixels = stride * static_cast<uint32_t>(bitmap.Height());
  std::vector<uint8_t> out;
  out.reserve(kHeaders + pixels);
  out.push_back('B');
  out.push_back('M');
  PutLe(out, kHeaders + pixels, 4);
  PutLe(out, 0, 4);
  PutLe(out, kHeaders, 4);
  PutLe(out, 40, 4);
  PutLe(out, static_cast<uint32_t>(bitmap.Width()), 4);
  PutLe(out, static_cast<uint32_t>(bitmap.Height()), 4);  // positive: bottom-up rows
  PutLe(out, 1, 2);                                       // planes
  PutLe(out, 24, 2);                                      // bits per pixel
  PutLe(out, 0, 4);                                       // no compression
  PutLe(out, pixels, 4);
  PutLe(out, 2835, 4);  // 72 dpi
  PutLe(out, 2835, 4);
  PutLe(out, 0, 4);
  PutLe(out, 0, 4);
  // TBitmap rows already have the file's byte order and padding.
  for (int row = bitmap.Height() - 1; row >= 0; --row)
    out.insert(out.end(), bitmap.ScanLine(row), bitmap.ScanLine(row) + stride);
  return out;
}

std::vector<uint8_t> EncodeJpeg(const TBitmap& bitmap, int quality) {
  CheckPicture(bitmap, "JPEG");
  TJpegCompression compression;
  if (!compression.Compress(bitmap, std::clamp(quality, 1, 100)))
    throw EPictureFileError("JPEG compression failed: " + compression.Error());
  return compression.Bytes();
}

void WriteBmpFile(const TBitmap& bitmap, const std::string& fileName) {
  WriteFile(EncodeBmp(bitmap), fileName);
}

void WriteJpegFile(const TBitmap& bitmap, const std::string& fileName, int quality) {
  WriteFile(EncodeJpeg(bitmap, quality), fileName);
}

}  // namespace qarvo
