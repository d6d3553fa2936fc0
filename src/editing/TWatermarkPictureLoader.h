// Watermark pictures read from their files: any format the Qt image readers know (BMP, PNG,
// JPEG...), kept until the file changes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "core/TWatermarkPicture.h"

namespace qarvo {

class TWatermarkPictureLoader {
 public:
  // The picture in `path` (UTF-8), read again only when the file's modification time or size
  // has changed since it was last read; a file that could not be read is not tried again
  // before it changes either. Null, with `error`, when it is no readable picture.
  const TWatermarkPicture* Picture(const std::string& path, std::string& error);
  // Forgets every picture.
  void Clear() { entries_.clear(); }

  // Reads one picture file; null with `error` when it cannot.
  static std::unique_ptr<TWatermarkPicture> Read(const std::string& path, std::string& error);

 private:
  struct TEntry {
    std::filesystem::file_time_type Time;
    uintmax_t Size = 0;
    std::unique_ptr<TWatermarkPicture> Picture;
    std::string Error;
  };
  std::map<std::string, TEntry> entries_;
};

}  // namespace qarvo
