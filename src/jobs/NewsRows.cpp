#include "jobs/NewsRows.h"

#include <QUrl>

namespace qarvo {

// The reads of the news file are debug lines, shown only when asked for.
Q_LOGGING_CATEGORY(lcNews, "qarvo.news", QtInfoMsg)

const std::vector<TAdInfo>& BuiltInNewsRows() {
  static const std::vector<TAdInfo> rows{
      {"Qarvo Video Converter: every common video and audio format, with trimming, cropping "
       "and watermarks.",
       "https://www.qarvo.example/videoconverter/"},
      {"Qarvo DVD Creator: burn your clips to a disc that plays in any living-room player.",
       "https://www.qarvo.example/dvdcreator/"},
      {"Qarvo Audio Extractor: take the sound track out of any video as MP3, AAC or WAV.",
       "https://www.qarvo.example/audioextractor/"},
      {"Qarvo Video Joiner: put several clips together into one file without re-encoding.",
       "https://www.qarvo.example/videojoiner/"},
      {"Qarvo Video Splitter: cut long recordings into parts by time or by size.",
       "https://www.qarvo.example/videosplitter/"},
      {"Qarvo Slideshow Maker: turn your photos and music into a video to share.",
       "https://www.qarvo.example/slideshowmaker/"},
      {"Qarvo Screen Recorder: capture your desktop with sound, ready for any phone.",
       "https://www.qarvo.example/screenrecorder/"},
  };
  return rows;
}

bool IsWebAddress(const QString& address) {
  const QUrl url(address);
  const QString scheme = url.scheme();
  return url.isValid() &&
         (scheme.compare(u"http", Qt::CaseInsensitive) == 0 ||
          scheme.compare(u"https", Qt::CaseInsensitive) == 0) &&
         !url.host().isEmpty();
}

std::string NewsLink(const TAdInfo& row, const std::string& appTitle,
                     const std::string& newestVersion) {
  if (row.AdUrl.find("http") == std::string::npos) return {};
  if (!IsWebAddress(QString::fromStdString(row.AdUrl))) {
    qCWarning(lcNews).noquote() << "news link refused (not an http or https address):"
                                << QString::fromStdString(row.AdUrl);
    return {};
  }
  return row.AdUrl + "?" + appTitle + " " + newestVersion;
}

}  // namespace qarvo
