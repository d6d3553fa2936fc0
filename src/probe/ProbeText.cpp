#include "probe/ProbeText.h"

#include <strings.h>

#include <cmath>
#include <ctime>

#include "base/StringFormat.h"

namespace qarvo {

namespace {

struct TKeyName {
  const char* Key;
  const char* Name;
};

constexpr TKeyName kId3KeyNames[] = {
    {"TALB", "album"},     {"TAL", "album"},      {"TCOM", "composer"},  {"TCON", "genre"},
    {"TCO", "genre"},      {"TCOP", "copyright"}, {"TDRL", "date"},      {"TENC", "encoder"},
    {"TEN", "encoder"},    {"TIT2", "title"},     {"TT2", "title"},      {"TLAN", "language"},
    {"TPE1", "artist"},    {"TP1", "artist"},     {"TPOS", "disc"},      {"TPUB", "publisher"},
    {"TRCK", "track"},     {"TRK", "track"},      {"TSOA", "albumsort"}, {"TSOP", "authorsort"},
    {"TSOT", "titlesort"}, {"TYER", "year"},
};

constexpr int64_t kKiloByte = 1024;
constexpr int64_t kMegaByte = 1024 * kKiloByte;
constexpr int64_t kGigaByte = 1024 * kMegaByte;

}  // namespace

std::string FileSizeText(int64_t bytes) {
  if (bytes <= kKiloByte) return Format("%lld Byte", static_cast<long long>(bytes));
  const double value = static_cast<double>(bytes);
  // Powers of 1024 carry the binary unit names, so the figure matches what other tools show.
  if (bytes <= kMegaByte) return Format("%.2f KiB", value / kKiloByte);
  if (bytes <= kGigaByte) return Format("%.2f MiB", value / kMegaByte);
  return Format("%.2f GiB", value / kGigaByte);
}

std::string TimeText(int64_t microseconds) {
  const int64_t milliseconds = microseconds / 1000;
  const int64_t seconds = milliseconds / 1000;
  return Format("%.2lld:%.2d:%.2d.%.3d", static_cast<long long>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60),
                static_cast<int>(milliseconds % 1000));
}

std::string SecondsText(int64_t microseconds) {
  const char* sign = microseconds < 0 ? "-" : "";
  const uint64_t magnitude = microseconds < 0 ? 0 - static_cast<uint64_t>(microseconds)
                                              : static_cast<uint64_t>(microseconds);
  return Format("%s%llu.%.6llu", sign, static_cast<unsigned long long>(magnitude / 1000000),
                static_cast<unsigned long long>(magnitude % 1000000));
}

std::string RateText(double value, const char* unit) {
  const long long hundredths = std::llround(value * 100);
  if (hundredths % 100 != 0) return Format(", %3.2f %s", value, unit);
  if (hundredths % (100 * 1000) != 0) return Format(", %1.0f %s", value, unit);
  return Format(", %1.0fk %s", value / 1000, unit);
}

std::string LocalTimeStampText(int64_t seconds) {
  tzset();
  // `timezone` is the standard-time offset west of UTC, whatever the season of `seconds`.
  const time_t local = static_cast<time_t>(seconds - timezone);
  std::tm parts{};
  if (!gmtime_r(&local, &parts)) return {};
  return Format("%.4d-%.2d-%.2d %.2d:%.2d:%.2d", parts.tm_year + 1900, parts.tm_mon + 1,
                parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
}

std::string MetadataKeyName(const std::string& key) {
  for (const TKeyName& entry : kId3KeyNames)
    if (strcasecmp(entry.Key, key.c_str()) == 0) return entry.Name;
  return key;
}

}  // namespace qarvo
