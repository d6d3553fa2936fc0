#include "media/OpenInputContainer.h"

#include <new>

#include "base/EngineError.h"
#include "media/CodecLock.h"
#include "media/ErrorText.h"

namespace qarvo {

TInputContainer OpenInputContainer(const TInputOpenRequest& request) {
  TInputContainer opened;
  opened.LibraryName = request.FileName;
  if (!request.Stream) {
    try {
      opened.LibraryName = Utf8ToLibraryName(request.FileName);
      if (IsUnicodeLibraryName(opened.LibraryName))
        opened.Unicode = std::make_unique<TUnicodeFile>(opened.LibraryName, TUnicodeFile::kRead);
    } catch (const EEngineError& e) {
      opened.Error = e.what();
      return opened;
    }
  }
  TInputFormatContextPtr context(api().avformat_alloc_context());
  if (!context) throw std::bad_alloc();
  if (request.Prepare) request.Prepare(*context);
  context->flags |= request.Flags;
  context->interrupt_callback = request.Interrupt;
  AVIOContext* io = request.Stream ? request.Stream : opened.Unicode ? opened.Unicode->Context() : nullptr;
  if (io) {
    context->pb = io;
    context->flags |= AVFMT_FLAG_CUSTOM_IO;
  }
  if (request.Stream) {
    const int refused = api().av_opt_set(context.get(), "protocol_whitelist", "", 0);
    if (refused < 0) {
      opened.Error = "Set protocol whitelist error: " + ErrorText(refused);
      return opened;
    }
  }
  // The library frees the context itself when opening fails.
  AVFormatContext* raw = context.release();
  const int result = api().avformat_open_input(&raw, opened.LibraryName.c_str(), request.Format,
                                               request.Options ? request.Options->Address() : nullptr);
  if (result < 0) {
    opened.Error = FileErrorText(request.FileName, result);
    return opened;
  }
  opened.Context.reset(raw);
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
  return result < 0 ? fileName + ": could not find codec parameters" : std::string();
}

}  // namespace qarvo
