#include "editing/TWatermarkPictureLoader.h"

#include <QImage>
#include <QImageReader>
#include <cstring>
#include <system_error>

namespace qarvo {
namespace {

std::string CannotRead(const std::string& path, const QString& reason) {
  return "Cannot load the watermark picture \"" + path + "\": " + reason.toStdString();
}

void CopyOpaque(const QImage& image, TWatermarkPicture& picture) {
  const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
  picture.Picture.SetSize(bgr.width(), bgr.height());
  for (int y = 0; y < bgr.height(); ++y)
    std::memcpy(picture.Picture.ScanLine(y), bgr.constScanLine(y),
                static_cast<size_t>(bgr.width()) * 3);
}

// Colours and opacity apart; a picture that turns out opaque everywhere is kept as opaque.
void CopyTransparent(const QImage& image, TWatermarkPicture& picture) {
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  const int width = argb.width();
  const int height = argb.height();
  picture.Picture.SetSize(width, height);
  picture.OverWhite.SetSize(width, height);
  picture.Alpha.resize(static_cast<size_t>(width) * height);
  bool opaque = true;
  for (int y = 0; y < height; ++y) {
    const auto* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    uint8_t* colour = picture.Picture.ScanLine(y);
    uint8_t* overWhite = picture.OverWhite.ScanLine(y);
    uint8_t* alpha = picture.Alpha.data() + static_cast<size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      const int a = qAlpha(in[x]);
      const int channels[3] = {qBlue(in[x]), qGreen(in[x]), qRed(in[x])};
      for (int c = 0; c < 3; ++c) {
        colour[3 * x + c] = static_cast<uint8_t>(channels[c]);
        overWhite[3 * x + c] =
            static_cast<uint8_t>((channels[c] * a + 255 * (255 - a) + 127) / 255);
      }
      alpha[x] = static_cast<uint8_t>(a);
      opaque = opaque && a == 255;
    }
  }
  if (opaque) {
    picture.Alpha.clear();
    picture.OverWhite.SetSize(0, 0);
  }
}

}  // namespace

std::unique_ptr<TWatermarkPicture> TWatermarkPictureLoader::Read(const std::string& path,
                                                                 std::string& error) {
  QImageReader reader(QString::fromStdString(path));
  const QImage image = reader.read();
  if (image.isNull()) {
    error = CannotRead(path, reader.errorString());
    return nullptr;
  }
  auto picture = std::make_unique<TWatermarkPicture>();
  if (image.hasAlphaChannel())
    CopyTransparent(image, *picture);
  else
    CopyOpaque(image, *picture);
  return picture;
}

const TWatermarkPicture* TWatermarkPictureLoader::Picture(const std::string& path,
                                                          std::string& error) {
  std::error_code failed;
  const std::filesystem::path file(path);
  const auto time = std::filesystem::last_write_time(file, failed);
  const uintmax_t size = failed ? 0 : std::filesystem::file_size(file, failed);
  if (failed) {
    entries_.erase(path);
    error = CannotRead(path, QString::fromStdString(failed.message()));
    return nullptr;
  }
  auto found = entries_.find(path);
  if (found == entries_.end() || found->second.Time != time || found->second.Size != size) {
    TEntry entry;
    entry.Time = time;
    entry.Size = size;
    entry.Picture = Read(path, entry.Error);
    found = entries_.insert_or_assign(path, std::move(entry)).first;
  }
  if (!found->second.Picture) error = found->second.Error;
  return found->second.Picture.get();
}

}  // namespace qarvo
