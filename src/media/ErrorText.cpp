#include "media/ErrorText.h"

#include <cerrno>
#include <cstring>
#include <system_error>

extern "C" {
#include <libavutil/error.h>
}

#include "base/EngineError.h"
#include "base/StringFormat.h"

namespace qarvo {

namespace {

struct TErrorTextEntry {
  int Code;
  const char* Text;
};

// Several current codes share one text: the table names the failure, not the number an older
// library generation happened to use for it.
constexpr TErrorTextEntry kErrorTexts[] = {
    {AVERROR_PATCHWELCOME, "Not yet implemented in FFmpeg"},
    {AVERROR_PROTOCOL_NOT_FOUND, "Unsupported network protocol"},
    {AVERROR(EPROTONOSUPPORT), "Unsupported network protocol"},
    {AVERROR_DEMUXER_NOT_FOUND, "Unknown format"},
    {AVERROR_MUXER_NOT_FOUND, "Unknown format"},
    {AVERROR(EILSEQ), "Unknown format"},
    {AVERROR(EDOM), "Number syntax expected in filename"},
    {AVERROR_EOF, "End of file"},
    {AVERROR_INVALIDDATA, "Invalid data found when processing input"},
    // Demuxers still reject malformed headers with this older code for invalid data.
    {AVERROR(EINVAL), "Invalid data found when processing input"},
    {AVERROR(ENOMEM), "Not enough memory"},
    {AVERROR(EIO), "I/O error"},
    {AVERROR(ENOENT), "No such file or directory"},
    {AVERROR_OPTION_NOT_FOUND, "Option not found"},
};

}  // namespace

std::string ErrorText(int code) {
  for (const TErrorTextEntry& entry : kErrorTexts)
    if (entry.Code == code) return entry.Text;
  // The number alone does not tell a user that the disk is full or access was denied: system
  // error codes carry the system's own description after it.
  std::string text = Format("Error number %d occurred", code);
  if (code < 0 && code > -4096)
    text += Format(" (%s)", std::generic_category().message(-code).c_str());
  return text;
}

std::string FileErrorText(const std::string& fileName, int code) {
  return fileName + ": " + ErrorText(code);
}

std::string CallErrorText(const std::string& operation, int code) {
  return operation + ": " + ErrorText(code);
}

int CheckCall(int code, const char* operation) {
  if (code < 0) throw EEngineError(CallErrorText(operation, code));
  return code;
}

int CheckCall(int code, const std::string& operation) { return CheckCall(code, operation.c_str()); }

}  // namespace qarvo
