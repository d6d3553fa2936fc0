#include "media/OpenInputContainer.h"

#include <cctype>
#include <fstream>
#include <new>

#include "base/EngineError.h"
#include "media/CodecLock.h"
#include "media/ErrorText.h"
#include "media/InterruptCheck.h"

namespace qarvo {

namespace {

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Whether the file name ends in one of the comma-separated extensions.
bool NamedWithExtension(const std::string& fileName, const char* extensions) {
  const size_t dot = fileName.rfind('.');
  if (!extensions || dot == std::string::npos || fileName.find('/', dot) != std::string::npos)
    return false;
  std::string ext = fileName.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return !ext.empty() &&
         ("," + std::string(extensions) + ",").find("," + ext + ",") != std::string::npos;
}

// Demuxers that take any bytes: the text-art ones render a text file as pictures of its
// letters, and the still-picture ones are media only when the name says it is a picture.
bool IsMediaContainer(const AVInputFormat& format, const std::string& fileName) {
  const std::string name = format.name ? format.name : "";
  for (const char* textArt : {"tty", "bin", "xbin", "adf", "idf", "ffmetadata"})
    if (name == textArt) return false;
  if (name != "image2" && name != "image2pipe" && !EndsWith(name, "_pipe")) return true;
  // The picture readers list no extensions; the picture writer's list is the one the names use.
  const AVOutputFormat* named = api().av_guess_format(nullptr, fileName.c_str(), nullptr);
  return NamedWithExtension(fileName, format.extensions) ||
         (named && named->name && std::string(named->name) == "image2");
}

// Whether the file at `path` starts with text only (no control characters but line ends and
// tabs): what no demuxer takes is then a text file, not a damaged one.
bool StartsAsText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char start[4096];
  in.read(start, sizeof start);
  const std::streamsize count = in.gcount();
  if (count <= 0) return false;
  for (std::streamsize i = 0; i < count; ++i) {
    const auto c = static_cast<unsigned char>(start[i]);
    if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f') || c == 0x7f) return false;
  }
  return true;
}

}  // namespace

TInputContainer OpenInputContainer(const TInputOpenRequest& request) {
  TInputContainer opened;
  opened.LibraryName = request.FileName;
  if (!request.Stream) {
    try {
      // The file is always read through our own descriptor, so no name can choose a protocol
      // (a source named "pipe:x.avi" is that file) and its bytes reach the system unchanged;
      // a reader that opens files by name (picture sequences) is told the file protocol.
      opened.LibraryName = FileLibraryName(request.FileName);
      opened.Unicode = TUnicodeFile::ForPath(
          request.FileName, request.AcceptPipes ? TUnicodeFile::kReadPipe : TUnicodeFile::kRead);
    } catch (const EEngineError& e) {
      opened.Error = e.what();
      return opened;
    }
  }
  if (opened.Unicode) opened.Unicode->SetInterrupt(request.Interrupt);
  TInputFormatContextPtr context(api().avformat_alloc_context());
  if (!context) throw std::bad_alloc();
  if (request.Prepare) request.Prepare(*context);
  context->flags |= request.Flags;
  context->interrupt_callback = request.Interrupt;
  context->pb = request.Stream ? request.Stream : opened.Unicode->Context();
  context->flags |= AVFMT_FLAG_CUSTOM_IO;
  // What the container names itself (a playlist's entries, a reference) may open local files
  // only; bytes of the caller's own reach nothing else.
  const int refused =
      api().av_opt_set(context.get(), "protocol_whitelist", request.Stream ? "" : "file", 0);
  if (refused < 0) {
    opened.Error = "Set protocol whitelist error: " + ErrorText(refused);
    return opened;
  }
  // The library frees the context itself when opening fails.
  AVFormatContext* raw = context.release();
  const int result =
      api().avformat_open_input(&raw, opened.LibraryName.c_str(), request.Format,
                                request.Options ? request.Options->Address() : nullptr);
  if (result < 0 && Interrupted(request.Interrupt)) {
    opened.Error = StoppedMessage(request.FileName);
    return opened;
  }
  if (result < 0) {
    const bool text =
        result == AVERROR_INVALIDDATA && !request.Stream && StartsAsText(request.FileName);
    opened.Error =
        text ? request.FileName + ": " + kNotMediaText : FileErrorText(request.FileName, result);
    return opened;
  }
  opened.Context.reset(raw);
  // A format the caller chose is taken as it is; a detected one must be a media container.
  if (!request.Format && raw->iformat && !IsMediaContainer(*raw->iformat, request.FileName)) {
    opened.Context.reset();
    opened.Error = request.FileName + ": " + kNotMediaText;
    return opened;
  }
  if (request.AnalyseStreams) {
    opened.Error = AnalyseInputStreams(*raw, request.FileName);
    if (!opened.Error.empty()) opened.Context.reset();
  }
  return opened;
}

std::string AnalyseInputStreams(AVFormatContext& context, const std::string& fileName) {
  int result;
  {
    TCodecLockGuard lock;
    result = api().avformat_find_stream_info(&context, nullptr);
  }
  // An interrupted analysis may still report success with what it had read.
  if (Interrupted(context.interrupt_callback)) return StoppedMessage(fileName);
  return result < 0 ? fileName + ": could not find codec parameters" : std::string();
}

}  // namespace qarvo
