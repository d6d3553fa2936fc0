// Picture files from a 24-bit bitmap: uncompressed BMP and JPEG (libjpeg).
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "base/TBitmap.h"

namespace qarvo {

// Raised when a picture cannot be encoded or its file cannot be written.
class EPictureFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file's bytes: a 24-bit bottom-up BMP with a 40-byte information header.
std::vector<uint8_t> EncodeBmp(const TBitmap& bitmap);
// Quality 1 to 100 (values outside are clamped); baseline JPEG with 4:2:0 colour.
std::vector<uint8_t> EncodeJpeg(const TBitmap& bitmap, int quality);

// Replace the file (created or overwritten). Throw EPictureFileError.
void WriteBmpFile(const TBitmap& bitmap, const std::string& fileName);
void WriteJpegFile(const TBitmap& bitmap, const std::string& fileName, int quality);

}  // namespace qarvo
