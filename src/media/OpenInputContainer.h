// Opens an input container the same way for the probe, a conversion task and the player: the
// wide-name file under it when the locale cannot carry its name, the container, and (unless
// the caller works on the streams first) the analysis of its streams, with the messages all
// of them report.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "media/LibraryObjects.h"
#include "media/UnicodeProtocol.h"

namespace qarvo {

struct TInputOpenRequest {
  std::string FileName;                   // UTF-8 as the user gave it; messages name it
  const AVInputFormat* Format = nullptr;  // forced container format; none probes the data
  TDictionary* Options = nullptr;         // demuxer options; keeps the ones not consumed
  bool AnalyseStreams = true;
  // A named pipe may be read (the player, whose reads stall on a thread of their own that it
  // can leave behind); elsewhere only regular files and block devices are opened.
  bool AcceptPipes = false;
  // Set by a caller that must abort a slow open, analysis or read (see TInterruptCheck); the
  // file's own reads check it too.
  AVIOInterruptCB Interrupt{};
  int Flags = 0;                                  // AVFMT_FLAG_* added to the context
  std::function<void(AVFormatContext&)> Prepare;  // settings made on the context before opening
  // The container's bytes come from this context (the caller's) instead of the named file; the
  // name then only labels messages, and the container reaches no other resource: playlists
  // and concat lists in it must not open files or the network.
  AVIOContext* Stream = nullptr;
};

struct TInputContainer {
  // Declared before Context: the container reads through this file until it is closed.
  std::unique_ptr<TUnicodeFile> Unicode;
  TInputFormatContextPtr Context;  // empty when Error is set
  std::string LibraryName;         // the name handed to the library
  std::string Error;
};

inline constexpr const char* kNotMediaText = "not a media file";

// Messages: the wide-name file's own, "<file>: <library text>" when the container cannot be
// opened, "<file>: not a media file" when it holds plain text or only a text-art or
// still-picture reader (one the extension does not ask for) takes the data, "<file>: could not find
// codec parameters" when its streams cannot be analysed, "<file>: stopped" when the interrupt
// ended the open or the analysis. A name too long for the library is an
// Error as well; only allocation failures raise.
TInputContainer OpenInputContainer(const TInputOpenRequest& request);

// The stream analysis under the codec lock; empty on success, the message above otherwise.
std::string AnalyseInputStreams(AVFormatContext& context, const std::string& fileName);

}  // namespace qarvo
